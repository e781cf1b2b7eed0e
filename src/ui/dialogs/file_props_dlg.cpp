#include "ui/dialogs/file_props_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/dialogs/checksum_field.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_units.h"
#include "ui/dialogs/login_fields.h"
#include "ui/dialogs/qt_message_box.h"

CFilePropsDlg::CFilePropsDlg(const QString& url, const QString& checksum, const QString& result,
                             QWidget* parent, MessageBoxPort* messages, const QString& user,
                             bool keptBeyondRun)
    : QDialog(parent),
      checksum_(NewChecksumEdit(this)),
      result_(new QLabel(result.isEmpty() ? QStringLiteral("Not checked") : result, this)),
      user_(NewUserEdit(this)),
      password_(NewPasswordEdit(this)),
      ownMessages_(messages == nullptr ? std::make_unique<QtMessageBox>(this) : nullptr),
      messages_(messages == nullptr ? ownMessages_.get() : messages) {
    setWindowTitle(QStringLiteral("File Properties"));
    checksum_->setText(checksum);
    checksum_->setMinimumWidth(UnitsAcross(this, 218));
    auto* address = new QLabel(url, this);
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    result_->setWordWrap(true);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("URL"), this), 0, 0);
    fields->addWidget(address, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Checksum"), this), 1, 0);
    fields->addWidget(checksum_, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("Check"), this), 2, 0);
    fields->addWidget(result_, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("User name"), this), 3, 0);
    fields->addWidget(user_, 3, 1);
    fields->addWidget(new QLabel(QStringLiteral("Password"), this), 4, 0);
    fields->addWidget(password_, 4, 1);
    fields->addWidget(NewPasswordKeepingLabel(keptBeyondRun, this), 5, 1);
    user_->setText(user);
    user_->setPlaceholderText(QStringLiteral("optional: the login for the server"));
    if (!user.isEmpty()) password_->setPlaceholderText(QStringLiteral("unchanged"));

    const auto [ok, cancel] = FrameBesideButtons(this, fields, QStringLiteral("OK"));
    ChainTabOrder({checksum_, user_, password_, ok, cancel});
}

CFilePropsDlg::~CFilePropsDlg() = default;

QString CFilePropsDlg::Checksum() const { return checksum_->text().trimmed(); }

QString CFilePropsDlg::ResultText() const { return result_->text(); }

QString CFilePropsDlg::User() const { return user_->text(); }

QString CFilePropsDlg::Password() const { return password_->text(); }

void CFilePropsDlg::accept() {
    if (AcceptableChecksum(*checksum_, *messages_)) QDialog::accept();
}
