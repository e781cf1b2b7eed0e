#include "app/gui/web_options_settings.h"

#include <QSettings>
#include <QString>

namespace {

const QString kFollowKey = QStringLiteral("web/followHttpsAndRedirects");

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
    const QVariant follow = settings.value(kFollowKey);
    if (follow.isValid()) {
        const QString text = follow.toString();
        if (text == QStringLiteral("true") || text == QStringLiteral("false")) {
            options.followHttpsAndRedirects = text == QStringLiteral("true");
        }
    }
    for (const EngineKeys& engine : kEngines) {
        options.*engine.setting = LoadEngine(settings, engine.group, options.*engine.setting);
    }
    return options;
}

void SaveWebOptions(QSettings& settings, const WebOptions& options) {
    settings.setValue(kFollowKey, options.followHttpsAndRedirects);
    for (const EngineKeys& engine : kEngines) {
        const EngineSetting& setting = options.*engine.setting;
        settings.setValue(engine.group + QStringLiteral("queryTemplate"),
                          QString::fromStdString(setting.queryTemplate));
        settings.setValue(engine.group + QStringLiteral("ownLinkMarker"),
                          QString::fromStdString(setting.ownLinkMarker));
        settings.setValue(engine.group + QStringLiteral("answer"), AnswerText(setting.answer));
    }
}
