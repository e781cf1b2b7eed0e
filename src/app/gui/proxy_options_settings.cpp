#include "app/gui/proxy_options_settings.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

#include <QSettings>
#include <QString>

#include "app/gui/settings_text.h"

namespace {

const std::array<std::pair<ProxyMode, QLatin1String>, 3> kModeNames{{
    {ProxyMode::kEnvironment, QLatin1String("environment")},
    {ProxyMode::kNone, QLatin1String("none")},
    {ProxyMode::kManual, QLatin1String("manual")},
}};

// The value as one trimmed text (see SettingText).
std::string TextValue(const QSettings& settings, const QString& key) {
    return SettingText(settings, key).trimmed().toStdString();
}

// The text when present and usable, else the default.
template <typename Check>
std::string CheckedText(const QSettings& settings, const QString& key, const std::string& fallback,
                        Check problem) {
    if (!settings.contains(key)) return fallback;
    std::string text = TextValue(settings, key);
    return problem(text) ? fallback : text;
}

}  // namespace

ProxyOptions LoadProxyOptions(QSettings& settings) {
    const ProxyOptions defaults;
    ProxyOptions proxy;
    const std::string mode = TextValue(settings, QStringLiteral("Proxy/Mode"));
    for (const auto& [value, name] : kModeNames) {
        if (mode == name.data()) proxy.mode = value;
    }
    proxy.scheme =
        ProxySchemeNamed(TextValue(settings, QStringLiteral("Proxy/Scheme"))).value_or(defaults.scheme);
    proxy.host = CheckedText(settings, QStringLiteral("Proxy/Host"), defaults.host, ProxyHostProblem);
    proxy.user = CheckedText(settings, QStringLiteral("Proxy/User"), defaults.user, ProxyUserProblem);
    proxy.bypass = CheckedText(settings, QStringLiteral("Proxy/Bypass"), defaults.bypass, ProxyBypassProblem);
    bool isNumber = false;
    const int port =
        QString::fromStdString(TextValue(settings, QStringLiteral("Proxy/Port"))).toInt(&isNumber);
    if (isNumber && !ProxyPortProblem(port)) proxy.port = port;
    if (ProxyProblem(proxy)) proxy.mode = defaults.mode;
    return proxy;
}

void SaveProxyOptions(QSettings& settings, const ProxyOptions& proxy) {
    for (const auto& [value, name] : kModeNames) {
        if (value == proxy.mode) settings.setValue(QStringLiteral("Proxy/Mode"), QString(name));
    }
    settings.setValue(QStringLiteral("Proxy/Scheme"), QString::fromLatin1(ProxySchemeName(proxy.scheme)));
    settings.setValue(QStringLiteral("Proxy/Host"), QString::fromStdString(proxy.host));
    settings.setValue(QStringLiteral("Proxy/Port"), proxy.port);
    settings.setValue(QStringLiteral("Proxy/User"), QString::fromStdString(proxy.user));
    settings.setValue(QStringLiteral("Proxy/Bypass"), QString::fromStdString(proxy.bypass));
    settings.remove(QStringLiteral("Proxy/Password"));
}
