#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

// "Login": a server answered 401. Names the server and its realm, takes a
// user name and password, and offers to remember them; says where a
// remembered password is kept (the desktop's secret store, or this run only).
class CLoginDlg : public QDialog {
    Q_OBJECT

public:
    struct Question {
        QString server;
        QString realm;
        QString user;
        bool refused = false;
        bool keptBeyondRun = false;
    };

    explicit CLoginDlg(const Question& question, QWidget* parent = nullptr);

    QString User() const;
    QString Password() const;
    bool Remember() const;
    QLineEdit* UserEdit() const { return user_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QCheckBox* RememberBox() const { return remember_; }
    QString MessageText() const;
    QString KeepingText() const;

private:
    QLabel* message_;
    QLabel* keeping_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* remember_;
};
