#include "ui/dialogs/options_dlg.h"

#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/proxy_options_page.h"
#include "ui/dialogs/qt_message_box.h"
#include "ui/dialogs/web_options_page.h"
#include "ui/record_text.h"

namespace {

// Enough digits for every limit, and no more, so a long text cannot overflow.
constexpr int kMaxDigits = 9;

// The whole number the text holds, when it is only digits (blanks around
// them allowed) and at most `max`.
std::optional<int> NumberUpTo(const QString& text, int max) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > kMaxDigits) return std::nullopt;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
    }
    const int value = digits.toInt();
    if (value > max) return std::nullopt;
    return value;
}

QLineEdit* NumberEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(kMaxDigits + 2);
    return edit;
}

}  // namespace

COptionsDlg::COptionsDlg(QWidget* parent, MessageBoxPort* messages)
    : QDialog(parent),
      ownMessages_(messages == nullptr ? std::make_unique<QtMessageBox>(this) : nullptr),
      messages_(messages == nullptr ? ownMessages_.get() : messages),
      maxRunning_(NumberEdit(this)),
      speedLimit_(NumberEdit(this)),
      ftpPassive_(
          new QCheckBox(QStringLiteral("&Passive data connections (through NAT and firewalls)"), this)),
      notifications_(new QCheckBox(
          QStringLiteral("&Notify the desktop when an entry ends while the window is in the background"),
          this)),
      closeToTray_(
          new QCheckBox(QStringLiteral("Keep running in the tray when the window is &closed"), this)),
      webPage_(new CWebOptionsPage(this)),
      proxyPage_(new CProxyOptionsPage(this)) {
    setWindowTitle(QStringLiteral("Options"));

    auto* transfers = new QGroupBox(QStringLiteral("Transfers"), this);
    auto* transferFields = new QFormLayout(transfers);
    transferFields->addRow(QStringLiteral("&Downloads at once (0: no limit)"), maxRunning_);
    transferFields->addRow(QStringLiteral("&Speed limit in KiB/s (0: none)"), speedLimit_);

    auto* ftp = new QGroupBox(QStringLiteral("FTP"), this);
    auto* ftpFields = new QVBoxLayout(ftp);
    ftpFields->addWidget(ftpPassive_);

    auto* web = new QGroupBox(QStringLiteral("Web"), this);
    auto* webFields = new QVBoxLayout(web);
    webFields->addWidget(webPage_);

    auto* proxy = new QGroupBox(QStringLiteral("Proxy"), this);
    auto* proxyFields = new QVBoxLayout(proxy);
    proxyFields->addWidget(proxyPage_);

    auto* desktop = new QGroupBox(QStringLiteral("Desktop"), this);
    auto* desktopFields = new QVBoxLayout(desktop);
    desktopFields->addWidget(notifications_);
    desktopFields->addWidget(closeToTray_);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(transfers);
    layout->addWidget(ftp);
    layout->addWidget(web);
    layout->addWidget(proxy);
    layout->addWidget(desktop);
    layout->addLayout(buttons);
    ChainTabOrder({maxRunning_, speedLimit_, ftpPassive_});
    setTabOrder(ftpPassive_, webPage_->FollowBox());                    // the page chains its own fields
    setTabOrder(webPage_->Engine(1).answer, proxyPage_->FirstField());  // the pages chain their own
    setTabOrder(proxyPage_->LastField(), notifications_);
    ChainTabOrder({notifications_, closeToTray_, ok, cancel});
    Load(Options{});
}

COptionsDlg::~COptionsDlg() = default;

void COptionsDlg::Load(const Options& options) {
    loaded_ = options;
    webPage_->LoadFromOptions(options.web);
    proxyPage_->LoadFromOptions(options.proxy);
    notifications_->setChecked(options.notifyWhenEntriesEnd);
    closeToTray_->setChecked(options.closeToTray);
    maxRunning_->setText(QString::number(options.maxRunningEntries));
    speedLimit_->setText(QString::number(options.speedLimitKiBps));
    ftpPassive_->setChecked(options.ftpPassive);
}

Options COptionsDlg::Entered() const {
    Options options = loaded_;
    webPage_->StoreIntoOptions(options.web);
    proxyPage_->StoreIntoOptions(options.proxy);
    options.notifyWhenEntriesEnd = notifications_->isChecked();
    options.closeToTray = closeToTray_->isChecked();
    options.maxRunningEntries = NumberUpTo(maxRunning_->text(), kMaxRunningEntriesLimit).value_or(0);
    options.speedLimitKiBps = NumberUpTo(speedLimit_->text(), kMaxSpeedLimitKiBps).value_or(0);
    options.ftpPassive = ftpPassive_->isChecked();
    return options;
}

QString COptionsDlg::RefusalText() const {
    if (!NumberUpTo(maxRunning_->text(), kMaxRunningEntriesLimit)) {
        return QStringLiteral("Downloads at once must be a whole number from 0 to %1")
            .arg(kMaxRunningEntriesLimit);
    }
    if (!NumberUpTo(speedLimit_->text(), kMaxSpeedLimitKiBps)) {
        return QStringLiteral("The speed limit must be a whole number of KiB/s from 0 to %1")
            .arg(kMaxSpeedLimitKiBps);
    }
    const QString webRefusal = webPage_->RefusalText();
    return webRefusal.isEmpty() ? proxyPage_->RefusalText() : webRefusal;
}

void COptionsDlg::accept() {
    const QString refusal = RefusalText();
    if (!refusal.isEmpty()) {
        messages_->ShowMessage(TextForRecord(refusal));
        return;
    }
    QDialog::accept();
}
