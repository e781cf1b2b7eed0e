#pragma once

#include <memory>

#include <QDialog>

class MessageBoxPort;
class QLineEdit;

// "Add File(s)": asks for one address and, optionally, the checksum the file
// should have. OK ("Add") returns whatever address was typed, an empty text
// included; the command decides what to do with it. A checksum that is not
// empty and not valid is refused with a message naming the field.
class CAddFileDlg : public QDialog {
    Q_OBJECT

public:
    // messages shows the refusal; without one it goes to a Qt message box.
    // keptBeyondRun: whether a secret store keeps the password beyond the
    // run, which the dialog says beside the login.
    explicit CAddFileDlg(QWidget* parent = nullptr, MessageBoxPort* messages = nullptr,
                         bool keptBeyondRun = false);
    ~CAddFileDlg() override;

    QString Url() const;
    QString Checksum() const;
    QLineEdit* UrlEdit() const { return url_; }
    QLineEdit* ChecksumEdit() const { return checksum_; }
    // The login for the address's server; no user name: none (FTP anonymous).
    QString User() const;
    QString Password() const;
    QLineEdit* UserEdit() const { return user_; }
    QLineEdit* PasswordEdit() const { return password_; }

    void accept() override;

private:
    QLineEdit* url_;
    QLineEdit* checksum_;
    QLineEdit* user_;
    QLineEdit* password_;
    std::unique_ptr<MessageBoxPort> ownMessages_;
    MessageBoxPort* messages_;
};
