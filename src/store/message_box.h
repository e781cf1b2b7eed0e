#pragma once

#include <string_view>

// Modal message boxes with an OK button, captioned with the application's
// name. The user interface implements it; tests use a fake that records texts.
class MessageBoxPort {
public:
    virtual ~MessageBoxPort() = default;
    virtual void ShowMessage(std::string_view text) = 0;
};
