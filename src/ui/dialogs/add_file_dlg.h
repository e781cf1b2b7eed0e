#pragma once

#include <QDialog>

class QLineEdit;

// "Add File(s)": asks for one address. OK ("Add") returns whatever was typed,
// an empty text included; the command decides what to do with it.
class CAddFileDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAddFileDlg(QWidget* parent = nullptr);

    QString Url() const;
    QLineEdit* UrlEdit() const { return url_; }

private:
    QLineEdit* url_;
};
