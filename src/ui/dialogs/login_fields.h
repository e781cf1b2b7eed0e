#pragma once

class QLabel;
class QLineEdit;
class QWidget;

// The user name and password fields of the dialogs that take a login. The
// password is never shown, and both hold at most what a login may.
QLineEdit* NewUserEdit(QWidget* parent);
QLineEdit* NewPasswordEdit(QWidget* parent);

// Says where a remembered password is kept: in the desktop's secret store,
// or, when none answers, only until the program ends.
QLabel* NewPasswordKeepingLabel(bool keptBeyondRun, QWidget* parent);
