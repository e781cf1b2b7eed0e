#include "app/gui/web_options_settings.h"

#include <QSettings>
#include <QString>

#include "app/gui/settings_text.h"

namespace {

struct SwitchKey {
    QString key;
    bool WebOptions::*value;
};

const SwitchKey kSwitches[] = {
    {QStringLiteral("web/followHttpsAndRedirects"), &WebOptions::followHttpsAndRedirects},
    {QStringLiteral("web/readLinksAsBrowser"), &WebOptions::readLinksAsBrowser},
    {QStringLiteral("web/stayBelowStartFolder"), &WebOptions::stayBelowStartFolder},
    {QStringLiteral("web/obeyRobotsTxt"), &WebOptions::obeyRobotsTxt},
};

struct EngineKeys {
    QString group;
    EngineSetting WebOptions::*setting;
};

const QString kRequestsPerSiteKey = QStringLiteral("web/requestsPerSite");

const EngineKeys kEngines[] = {
    {QStringLiteral("web/altavista/"), &WebOptions::altavista},
    {QStringLiteral("web/yahoo/"), &WebOptions::yahoo},
};

QString AnswerText(EngineAnswer answer) {
    return answer == EngineAnswer::kJson ? QStringLiteral("json") : QStringLiteral("html");
}

// Each field that is present and usable replaces the default's.
EngineSetting LoadEngine(const QSettings& settings, const QString& group, EngineSetting setting) {
    const QString templateKey = group + QStringLiteral("queryTemplate");
    if (settings.contains(templateKey)) {
        const std::string text = SettingText(settings, templateKey).toStdString();
        if (!QueryTemplateProblem(text)) setting.queryTemplate = text;
    }
    const QString markerKey = group + QStringLiteral("ownLinkMarker");
    if (settings.contains(markerKey)) {
        const std::string text = SettingText(settings, markerKey).toStdString();
        if (text.size() <= kMaxOwnLinkMarkerLength) setting.ownLinkMarker = text;
    }
    const QString answer = SettingText(settings, group + QStringLiteral("answer"));
    if (answer == AnswerText(EngineAnswer::kJson)) setting.answer = EngineAnswer::kJson;
    if (answer == AnswerText(EngineAnswer::kHtml)) setting.answer = EngineAnswer::kHtml;
    return setting;
}

}  // namespace

WebOptions LoadWebOptions(QSettings& settings) {
    WebOptions options;
    for (const SwitchKey& entry : kSwitches) {
        const QString text = SettingText(settings, entry.key);
        if (text == QStringLiteral("true") || text == QStringLiteral("false")) {
            options.*entry.value = text == QStringLiteral("true");
        }
    }
    for (const EngineKeys& engine : kEngines) {
        options.*engine.setting = LoadEngine(settings, engine.group, options.*engine.setting);
    }
    bool isNumber = false;
    const int requests = SettingText(settings, kRequestsPerSiteKey).trimmed().toInt(&isNumber);
    if (isNumber && requests >= kMinRequestsPerSite && requests <= kMaxRequestsPerSite) {
        options.requestsPerSite = requests;
    }
    return options;
}

void SaveWebOptions(QSettings& settings, const WebOptions& options) {
    for (const SwitchKey& entry : kSwitches) settings.setValue(entry.key, options.*entry.value);
    for (const EngineKeys& engine : kEngines) {
        const EngineSetting& setting = options.*engine.setting;
        settings.setValue(engine.group + QStringLiteral("queryTemplate"),
                          QString::fromStdString(setting.queryTemplate));
        settings.setValue(engine.group + QStringLiteral("ownLinkMarker"),
                          QString::fromStdString(setting.ownLinkMarker));
        settings.setValue(engine.group + QStringLiteral("answer"), AnswerText(setting.answer));
    }
    settings.setValue(kRequestsPerSiteKey, options.requestsPerSite);
}
