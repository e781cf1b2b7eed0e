#include "app/gui/web_options_settings.h"

#include <QSettings>
#include <QString>

namespace {

struct SwitchKey {
    QString key;
    bool WebOptions::*value;
};

const SwitchKey kSwitches[] = {
    {QStringLiteral("web/followHttpsAndRedirects"), &WebOptions::followHttpsAndRedirects},
    {QStringLiteral("web/readLinksAsBrowser"), &WebOptions::readLinksAsBrowser},
    {QStringLiteral("web/stayBelowStartFolder"), &WebOptions::stayBelowStartFolder},
};

struct EngineKeys {
    QString group;
    EngineSetting WebOptions::*setting;
};

const EngineKeys kEngines[] = {
    {QStringLiteral("web/altavista/"), &WebOptions::altavista},
    {QStringLiteral("web/yahoo/"), &WebOptions::yahoo},
};

QString AnswerText(EngineAnswer answer) {
    return answer == EngineAnswer::kJson ? QStringLiteral("json") : QStringLiteral("html");
}

// Each field that is present and usable replaces the default's.
EngineSetting LoadEngine(const QSettings& settings, const QString& group, EngineSetting setting) {
    const QVariant queryTemplate = settings.value(group + QStringLiteral("queryTemplate"));
    if (queryTemplate.isValid()) {
        const std::string text = queryTemplate.toString().toStdString();
        if (!QueryTemplateProblem(text)) setting.queryTemplate = text;
    }
    const QVariant marker = settings.value(group + QStringLiteral("ownLinkMarker"));
    if (marker.isValid()) {
        const std::string text = marker.toString().toStdString();
        if (text.size() <= kMaxOwnLinkMarkerLength) setting.ownLinkMarker = text;
    }
    const QString answer = settings.value(group + QStringLiteral("answer")).toString();
    if (answer == AnswerText(EngineAnswer::kJson)) setting.answer = EngineAnswer::kJson;
    if (answer == AnswerText(EngineAnswer::kHtml)) setting.answer = EngineAnswer::kHtml;
    return setting;
}

}  // namespace

WebOptions LoadWebOptions(QSettings& settings) {
    WebOptions options;
    for (const SwitchKey& entry : kSwitches) {
        const QString text = settings.value(entry.key).toString();
        if (text == QStringLiteral("true") || text == QStringLiteral("false")) {
            options.*entry.value = text == QStringLiteral("true");
        }
    }
    for (const EngineKeys& engine : kEngines) {
        options.*engine.setting = LoadEngine(settings, engine.group, options.*engine.setting);
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
}
