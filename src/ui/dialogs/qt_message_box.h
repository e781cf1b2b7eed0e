#pragma once

#include "store/message_box.h"

class QWidget;

// Message boxes with an OK button, captioned with the application's name,
// centred on the dialog open at the time or else on the given parent.
class QtMessageBox : public MessageBoxPort {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    void ShowMessage(std::string_view text) override;

private:
    QWidget* parent_;
};
