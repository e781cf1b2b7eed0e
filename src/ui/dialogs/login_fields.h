#pragma once

class QLineEdit;
class QWidget;

// The user name and password fields of the dialogs that take a login. The
// password is never shown, and both hold at most what a login may.
QLineEdit* NewUserEdit(QWidget* parent);
QLineEdit* NewPasswordEdit(QWidget* parent);
