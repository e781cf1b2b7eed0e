#pragma once

#include <memory>

#include <QDialog>

class MessageBoxPort;
class QLabel;
class QLineEdit;

// "File Properties" of a requested or downloaded file: its address, the
// checksum the file should have (which may be changed or cleared) and what
// the last check against it found. A checksum that is not valid is refused
// with a message naming the field.
class CFilePropsDlg : public QDialog {
    Q_OBJECT

public:
    // messages shows the refusal; without one it goes to a Qt message box.
    // `user`: the user name of the server's login, "" for none;
    // keptBeyondRun: whether a secret store keeps its password beyond the run.
    CFilePropsDlg(const QString& url, const QString& checksum, const QString& result,
                  QWidget* parent = nullptr, MessageBoxPort* messages = nullptr, const QString& user = {},
                  bool keptBeyondRun = false);
    ~CFilePropsDlg() override;

    QString Checksum() const;
    QLineEdit* ChecksumEdit() const { return checksum_; }
    QString ResultText() const;
    // The login for the server: an empty user name removes it; an empty
    // password keeps the one known for the same user.
    QString User() const;
    QString Password() const;
    QLineEdit* UserEdit() const { return user_; }
    QLineEdit* PasswordEdit() const { return password_; }

    void accept() override;

private:
    QLineEdit* checksum_;
    QLabel* result_;
    QLineEdit* user_;
    QLineEdit* password_;
    std::unique_ptr<MessageBoxPort> ownMessages_;
    MessageBoxPort* messages_;
};
