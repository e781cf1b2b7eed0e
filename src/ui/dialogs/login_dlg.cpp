#include "ui/dialogs/login_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_units.h"
#include "ui/dialogs/login_fields.h"

namespace {

QString MessageFor(const CLoginDlg::Question& question) {
    QString text = question.refused ? QStringLiteral("%1 refused the login. Give another one.")
                                    : QStringLiteral("%1 asks for a login.");
    text = text.arg(question.server);
    if (!question.realm.isEmpty()) text += QStringLiteral("\nRealm: ") + question.realm;
    return text;
}

// Server texts are shown as they are, never read as markup.
QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

}  // namespace

CLoginDlg::CLoginDlg(const Question& question, QWidget* parent)
    : QDialog(parent),
      message_(PlainLabel(MessageFor(question), this)),
      keeping_(NewPasswordKeepingLabel(question.keptBeyondRun, this)),
      user_(NewUserEdit(this)),
      password_(NewPasswordEdit(this)),
      remember_(new QCheckBox(QStringLiteral("&Remember this login"), this)) {
    setWindowTitle(QStringLiteral("Login"));
    user_->setText(question.user);
    user_->setMinimumWidth(UnitsAcross(this, 150));

    auto* fields = new QGridLayout;
    fields->addWidget(message_, 0, 0, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("User name"), this), 1, 0);
    fields->addWidget(user_, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("Password"), this), 2, 0);
    fields->addWidget(password_, 2, 1);
    fields->addWidget(remember_, 3, 0, 1, 2);
    fields->addWidget(keeping_, 4, 0, 1, 2);

    const auto [ok, cancel] = FrameBesideButtons(this, fields, QStringLiteral("OK"));
    ChainTabOrder({user_, password_, remember_, ok, cancel});
    (question.user.isEmpty() ? user_ : password_)->setFocus();
}

QString CLoginDlg::User() const { return user_->text(); }

QString CLoginDlg::Password() const { return password_->text(); }

bool CLoginDlg::Remember() const { return remember_->isChecked(); }

QString CLoginDlg::MessageText() const { return message_->text(); }

QString CLoginDlg::KeepingText() const { return keeping_->text(); }
