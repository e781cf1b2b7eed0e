#include "ui/dialogs/proxy_options_page.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_layout.h"
#include "ui/record_text.h"

namespace {

// The combo box's entries, in the order of ProxyScheme.
constexpr ProxyScheme kSchemes[] = {ProxyScheme::kHttp, ProxyScheme::kHttps, ProxyScheme::kSocks5,
                                    ProxyScheme::kSocks5h};
constexpr const char* kSchemeLabels[] = {"http", "https", "socks5", "socks5h (names resolved by the proxy)"};

QLineEdit* TextEdit(QWidget* parent, std::size_t maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(static_cast<int>(maxLength));
    return edit;
}

constexpr int kMaxPort = 65535;

QSpinBox* PortBox(QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(1, kMaxPort);
    return box;
}

}  // namespace

CProxyOptionsPage::CProxyOptionsPage(QWidget* parent)
    : QWidget(parent),
      modes_(new QButtonGroup(this)),
      scheme_(new QComboBox(this)),
      host_(TextEdit(this, kMaxProxyHostLength)),
      port_(PortBox(this)),
      user_(TextEdit(this, kMaxProxyUserLength)),
      password_(TextEdit(this, kMaxProxyPasswordLength)),
      passwordNote_(new QLabel(QStringLiteral("Kept for this run only, never saved"), this)),
      bypass_(TextEdit(this, kMaxProxyBypassLength)) {
    auto* contents = new QVBoxLayout(this);
    const struct {
        ProxyMode mode;
        const char* label;
    } modes[] = {
        {ProxyMode::kEnvironment, "From the en&vironment (http_proxy, https_proxy, ftp_proxy, no_proxy)"},
        {ProxyMode::kNone, "Non&e, even when the environment names one"},
        {ProxyMode::kManual, "&Manual proxy:"},
    };
    for (const auto& mode : modes) {
        auto* button = new QRadioButton(QString::fromLatin1(mode.label), this);
        modes_->addButton(button, static_cast<int>(mode.mode));
        NameOptionKey(button, QStringLiteral("Proxy/Mode"));
        contents->addWidget(button);
    }
    for (const char* label : kSchemeLabels) scheme_->addItem(QString::fromLatin1(label));
    password_->setEchoMode(QLineEdit::Password);
    bypass_->setPlaceholderText(QStringLiteral("localhost, 127.0.0.1, intranet.example"));
    NameOptionKey(scheme_, QStringLiteral("Proxy/Scheme"));
    NameOptionKey(host_, QStringLiteral("Proxy/Host"));
    NameOptionKey(port_, QStringLiteral("Proxy/Port"));
    NameOptionKey(user_, QStringLiteral("Proxy/User"));
    password_->setToolTip(QStringLiteral("Never written to options.conf"));
    NameOptionKey(bypass_, QStringLiteral("Proxy/Bypass"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Sc&heme"), scheme_);
    form->addRow(QStringLiteral("Hos&t"), host_);
    form->addRow(QStringLiteral("P&ort"), port_);
    form->addRow(QStringLiteral("&User name (optional)"), user_);
    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(password_, 1);
    passwordRow->addWidget(passwordNote_);
    auto* passwordLabel = new QLabel(QStringLiteral("Pass&word"), this);
    passwordLabel->setBuddy(password_);
    form->addRow(passwordLabel, passwordRow);
    form->addRow(QStringLiteral("Hosts without pro&xy"), bypass_);
    contents->addLayout(form);
    ChainTabOrder({modes_->button(0), modes_->button(1), modes_->button(2), scheme_, host_, port_, user_,
                   password_, bypass_});
    connect(modes_, &QButtonGroup::idToggled, this, [this] { EnableManualFields(); });
    LoadFromOptions(ProxyOptions{});
}

QRadioButton* CProxyOptionsPage::ModeButton(ProxyMode mode) const {
    return static_cast<QRadioButton*>(modes_->button(static_cast<int>(mode)));
}

QWidget* CProxyOptionsPage::FirstField() const { return modes_->button(0); }

QWidget* CProxyOptionsPage::LastField() const { return bypass_; }

void CProxyOptionsPage::EnableManualFields() {
    const bool manual = ModeButton(ProxyMode::kManual)->isChecked();
    for (QWidget* field : std::initializer_list<QWidget*>{scheme_, host_, port_, user_, password_, bypass_}) {
        field->setEnabled(manual);
    }
}

void CProxyOptionsPage::LoadFromOptions(const ProxyOptions& proxy) {
    ModeButton(proxy.mode)->setChecked(true);
    for (int index = 0; index < static_cast<int>(std::size(kSchemes)); ++index) {
        if (kSchemes[index] == proxy.scheme) scheme_->setCurrentIndex(index);
    }
    host_->setText(TextFromRecord(proxy.host));
    port_->setValue(proxy.port);
    user_->setText(TextFromRecord(proxy.user));
    password_->setText(TextFromRecord(proxy.password));
    bypass_->setText(TextFromRecord(proxy.bypass));
    EnableManualFields();
}

ProxyOptions CProxyOptionsPage::Entered() const {
    ProxyOptions proxy;
    proxy.mode = static_cast<ProxyMode>(modes_->checkedId());
    proxy.scheme = kSchemes[std::max(scheme_->currentIndex(), 0)];
    proxy.host = TextForRecord(host_->text().trimmed());
    proxy.port = port_->value();
    proxy.user = TextForRecord(user_->text());
    proxy.password = TextForRecord(password_->text());
    proxy.bypass = TextForRecord(bypass_->text().trimmed());
    return proxy;
}

// The manual fields are stored whenever they can be used, so that choosing
// a manual proxy again later finds them as they were; unusable ones keep
// the old values, which only another mode can leave them with.
void CProxyOptionsPage::StoreIntoOptions(ProxyOptions& proxy) const {
    ProxyOptions entered = Entered();
    const ProxyMode chosen = entered.mode;
    entered.mode = ProxyMode::kManual;
    if (!ProxyProblem(entered)) proxy = entered;
    proxy.mode = chosen;
}

QString CProxyOptionsPage::RefusalText() const {
    const std::optional<std::string> problem = ProxyProblem(Entered());
    return problem ? QString::fromStdString(*problem) : QString();
}
