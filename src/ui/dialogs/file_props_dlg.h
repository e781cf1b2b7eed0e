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
    CFilePropsDlg(const QString& url, const QString& checksum, const QString& result,
                  QWidget* parent = nullptr, MessageBoxPort* messages = nullptr);
    ~CFilePropsDlg() override;

    QString Checksum() const;
    QLineEdit* ChecksumEdit() const { return checksum_; }
    QString ResultText() const;

    void accept() override;

private:
    QLineEdit* checksum_;
    QLabel* result_;
    std::unique_ptr<MessageBoxPort> ownMessages_;
    MessageBoxPort* messages_;
};
