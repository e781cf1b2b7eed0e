#include "ui/dialogs/options_dlg.h"

#include <initializer_list>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/proxy_options_page.h"
#include "ui/dialogs/qt_message_box.h"
#include "ui/dialogs/web_options_page.h"
#include "ui/record_text.h"

namespace {

// A spin box from 0 to max, showing zeroText for 0.
QSpinBox* NumberBox(QWidget* parent, int max, const QString& zeroText, const QString& key) {
    auto* box = new QSpinBox(parent);
    box->setRange(0, max);
    box->setSpecialValueText(zeroText);
    NameOptionKey(box, key);
    return box;
}

QCheckBox* OptionBox(QWidget* parent, const QString& label, const QString& key) {
    auto* box = new QCheckBox(label, parent);
    NameOptionKey(box, key);
    return box;
}

// A page whose contents stand at its top.
QWidget* AddPage(QTabWidget* pages, const QString& title, std::initializer_list<QWidget*> contents) {
    auto* page = new QWidget(pages);
    auto* layout = new QVBoxLayout(page);
    for (QWidget* widget : contents) layout->addWidget(widget);
    layout->addStretch();
    pages->addTab(page, title);
    return page;
}

QGroupBox* Group(const QString& title, QWidget* contents) {
    auto* group = new QGroupBox(title);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(contents);
    return group;
}

}  // namespace

COptionsDlg::COptionsDlg(QWidget* parent, MessageBoxPort* messages)
    : QDialog(parent),
      ownMessages_(messages == nullptr ? std::make_unique<QtMessageBox>(this) : nullptr),
      messages_(messages == nullptr ? ownMessages_.get() : messages),
      pages_(new QTabWidget(this)),
      maxRunning_(NumberBox(this, kMaxRunningEntriesLimit, QStringLiteral("no limit"),
                            QStringLiteral("Transfers/MaxRunningEntries"))),
      speedLimit_(NumberBox(this, kMaxSpeedLimitKiBps, QStringLiteral("none"),
                            QStringLiteral("Transfers/SpeedLimitKiBps"))),
      connectionsPerFile_(
          NumberBox(this, kMaxConnectionsPerFile, QString(), QStringLiteral("Transfers/ConnectionsPerFile"))),
      ftpPassive_(OptionBox(this, QStringLiteral("&Passive data connections (through NAT and firewalls)"),
                            QStringLiteral("Ftp/PassiveMode"))),
      notifications_(OptionBox(
          this,
          QStringLiteral("&Notify the desktop when an entry ends while the window is in the background"),
          QStringLiteral("Desktop/Notifications"))),
      closeToTray_(OptionBox(this, QStringLiteral("Keep running in the tray when the window is &closed"),
                             QStringLiteral("Desktop/CloseToTray"))),
      webPage_(nullptr),
      proxyPage_(new CProxyOptionsPage(this)),
      findPublished_(OptionBox(this, QStringLiteral("&Look for published checksums"),
                               QStringLiteral("Transfers/FindPublishedChecksums"))) {
    setWindowTitle(QStringLiteral("Options"));
    speedLimit_->setSuffix(QStringLiteral(" KiB/s"));
    speedLimit_->setGroupSeparatorShown(true);
    connectionsPerFile_->setMinimum(1);

    auto* transferFields = new QWidget(this);
    auto* transferForm = new QFormLayout(transferFields);
    transferForm->addRow(QStringLiteral("&Downloads at once"), maxRunning_);
    transferForm->addRow(QStringLiteral("&Speed limit for all transfers"), speedLimit_);
    transferForm->addRow(QStringLiteral("Connections per f&ile (HTTP)"), connectionsPerFile_);
    transferForm->addRow(findPublished_);
    AddPage(pages_, QStringLiteral("Transfers"), {transferFields});
    AddPage(pages_, QStringLiteral("Connection"),
            {Group(QStringLiteral("FTP"), ftpPassive_), Group(QStringLiteral("Proxy"), proxyPage_)});
    auto* enginesPage = new QWidget(pages_);
    webPage_ = new CWebOptionsPage(pages_, enginesPage);
    pages_->addTab(webPage_, QStringLiteral("Web"));
    pages_->addTab(enginesPage, QStringLiteral("Search engines"));
    AddPage(pages_, QStringLiteral("Desktop"), {notifications_, closeToTray_});

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    // Tab goes through the fields of the page shown (Qt skips the hidden
    // pages), then to the buttons and the tabs.
    ChainTabOrder({maxRunning_, speedLimit_, connectionsPerFile_, findPublished_, ftpPassive_,
                   proxyPage_->FirstField()});
    setTabOrder(proxyPage_->LastField(), webPage_->FollowBox());  // the pages chain their own fields
    ChainTabOrder({webPage_->SwitchBox(2), webPage_->Engine(0).queryTemplate});
    ChainTabOrder({webPage_->Engine(1).answer, notifications_, closeToTray_, ok, cancel});
    Load(Options{});
}

COptionsDlg::~COptionsDlg() = default;

void COptionsDlg::Load(const Options& options) {
    loaded_ = options;
    webPage_->LoadFromOptions(options.web);
    proxyPage_->LoadFromOptions(options.proxy);
    notifications_->setChecked(options.notifyWhenEntriesEnd);
    closeToTray_->setChecked(options.closeToTray);
    maxRunning_->setValue(options.maxRunningEntries);
    speedLimit_->setValue(options.speedLimitKiBps);
    connectionsPerFile_->setValue(options.connectionsPerFile);
    ftpPassive_->setChecked(options.ftpPassive);
    findPublished_->setChecked(options.findPublishedChecksums);
}

Options COptionsDlg::Entered() const {
    Options options = loaded_;
    webPage_->StoreIntoOptions(options.web);
    proxyPage_->StoreIntoOptions(options.proxy);
    options.notifyWhenEntriesEnd = notifications_->isChecked();
    options.closeToTray = closeToTray_->isChecked();
    options.maxRunningEntries = maxRunning_->value();
    options.speedLimitKiBps = speedLimit_->value();
    options.connectionsPerFile = connectionsPerFile_->value();
    options.ftpPassive = ftpPassive_->isChecked();
    options.findPublishedChecksums = findPublished_->isChecked();
    return options;
}

QString COptionsDlg::RefusalText() const {
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
