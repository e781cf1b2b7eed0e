#include "app/gui/settings_text.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

QString SettingText(const QSettings& settings, const QString& key) {
    const QVariant value = settings.value(key);
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}
