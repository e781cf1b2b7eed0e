#include "ui/dialogs/add_file_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "store/records.h"
#include "ui/dialogs/checksum_field.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_text.h"
#include "ui/dialogs/dialog_units.h"
#include "ui/dialogs/login_fields.h"
#include "ui/dialogs/qt_message_box.h"

CAddFileDlg::CAddFileDlg(QWidget* parent, MessageBoxPort* messages, bool keptBeyondRun)
    : QDialog(parent),
      url_(new QLineEdit(this)),
      checksum_(NewChecksumEdit(this)),
      user_(NewUserEdit(this)),
      password_(NewPasswordEdit(this)),
      ownMessages_(messages == nullptr ? std::make_unique<QtMessageBox>(this) : nullptr),
      messages_(messages == nullptr ? ownMessages_.get() : messages) {
    setWindowTitle(QStringLiteral("Add File(s)"));
    // As much as a FileEntry's url holds. The command may still put
    // "http://" in front of an address without "//".
    LimitEditToField(url_, CapacityOf<decltype(FileEntry::url)>);
    url_->setMinimumWidth(UnitsAcross(this, 218));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("URL"), this), 0, 0);
    fields->addWidget(url_, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Checksum"), this), 1, 0);
    fields->addWidget(checksum_, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("User name"), this), 2, 0);
    fields->addWidget(user_, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("Password"), this), 3, 0);
    fields->addWidget(password_, 3, 1);
    fields->addWidget(NewPasswordKeepingLabel(keptBeyondRun, this), 4, 1);

    const auto [add, cancel] = FrameBesideButtons(this, fields, QStringLiteral("Add"));
    user_->setPlaceholderText(QStringLiteral("optional: the login for the server"));
    ChainTabOrder({url_, checksum_, user_, password_, add, cancel});
}

QString CAddFileDlg::Url() const { return url_->text(); }

QString CAddFileDlg::Checksum() const { return checksum_->text().trimmed(); }

QString CAddFileDlg::User() const { return user_->text(); }

QString CAddFileDlg::Password() const { return password_->text(); }

CAddFileDlg::~CAddFileDlg() = default;

void CAddFileDlg::accept() {
    if (AcceptableChecksum(*checksum_, *messages_)) QDialog::accept();
}
