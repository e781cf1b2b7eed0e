#include "app/gui/options_settings.h"

#include <QSettings>
#include <QStandardPaths>

#include "app/gui/proxy_options_settings.h"
#include "app/gui/settings_text.h"
#include "app/gui/web_options_settings.h"

namespace {

// One line per option: its key and where it lives in Options.
struct NumberKey {
    const char* key;
    int Options::*field;
    int max;
    int min = 0;
};

struct SwitchKey {
    const char* key;
    bool Options::*field;
};

constexpr NumberKey kNumberKeys[] = {
    {"Transfers/MaxRunningEntries", &Options::maxRunningEntries, kMaxRunningEntriesLimit},
    {"Transfers/SpeedLimitKiBps", &Options::speedLimitKiBps, kMaxSpeedLimitKiBps},
    {"Transfers/ConnectionsPerFile", &Options::connectionsPerFile, kMaxConnectionsPerFile, 1},
};

constexpr SwitchKey kSwitchKeys[] = {
    {"Ftp/PassiveMode", &Options::ftpPassive},
    {"Desktop/Notifications", &Options::notifyWhenEntriesEnd},
    {"Desktop/CloseToTray", &Options::closeToTray},
    {"Transfers/FindPublishedChecksums", &Options::findPublishedChecksums},
};

}  // namespace

QString DefaultOptionsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tarrawick/options.conf");
}

Options LoadOptions(const QString& file) {
    const Options defaults;
    Options options;
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return defaults;
    for (const NumberKey& number : kNumberKeys) {
        bool isNumber = false;
        const int value = SettingText(settings, QLatin1String(number.key)).trimmed().toInt(&isNumber);
        if (isNumber && value >= number.min && value <= number.max) options.*number.field = value;
    }
    for (const SwitchKey& flag : kSwitchKeys) {
        const QString text = SettingText(settings, QLatin1String(flag.key)).trimmed();
        if (text == QLatin1String("true")) options.*flag.field = true;
        if (text == QLatin1String("false")) options.*flag.field = false;
    }
    options.web = LoadWebOptions(settings);
    options.proxy = LoadProxyOptions(settings);
    return options;
}

bool SaveOptions(const QString& file, const Options& options) {
    QSettings settings(file, QSettings::IniFormat);
    for (const NumberKey& number : kNumberKeys)
        settings.setValue(QLatin1String(number.key), options.*number.field);
    for (const SwitchKey& flag : kSwitchKeys) settings.setValue(QLatin1String(flag.key), options.*flag.field);
    SaveWebOptions(settings, options.web);
    SaveProxyOptions(settings, options.proxy);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
