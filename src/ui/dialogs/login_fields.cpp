#include "ui/dialogs/login_fields.h"

#include <QLineEdit>

#include "store/logins.h"

QLineEdit* NewUserEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(static_cast<int>(kMaxLoginUserLength));
    return edit;
}

QLineEdit* NewPasswordEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(static_cast<int>(kMaxLoginPasswordLength));
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}
