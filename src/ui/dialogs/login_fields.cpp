#include "ui/dialogs/login_fields.h"

#include <QLabel>
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

QLabel* NewPasswordKeepingLabel(bool keptBeyondRun, QWidget* parent) {
    auto* label = new QLabel(
        keptBeyondRun ? QStringLiteral("A remembered password is kept in the desktop's secret store.")
                      : QStringLiteral("No secret store answers: a remembered password is kept "
                                       "only until the program ends."),
        parent);
    label->setWordWrap(true);
    return label;
}
