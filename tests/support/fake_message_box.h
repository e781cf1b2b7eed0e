#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/message_box.h"

// Records the texts of the message boxes instead of showing them. While a
// box is "open", whileOpen runs what its modal event loop would run.
class FakeMessageBox : public MessageBoxPort {
public:
    void ShowMessage(std::string_view text) override {
        shown.emplace_back(text);
        if (whileOpen) whileOpen();
    }
    std::vector<std::string> shown;
    std::function<void()> whileOpen;
};
