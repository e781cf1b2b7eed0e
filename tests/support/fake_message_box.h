#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/message_box.h"

// Records the texts of the message boxes instead of showing them.
class FakeMessageBox : public MessageBoxPort {
public:
    void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};
