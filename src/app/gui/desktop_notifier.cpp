#include "app/gui/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kServerDefaultTimeout = -1;

}  // namespace

bool DesktopNotifier::Notify(const QString& entry, const QString& outcome) {
    if (!enabled_) return false;
    // Only a bus the session names: Qt would otherwise try to launch one.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // The body may be read as markup: an address's '&' or '<' stays text.
    call << QStringLiteral("Tarrawick") << 0u << QStringLiteral("example.tarrawick.Tarrawick") << entry
         << outcome.toHtmlEscaped() << QStringList() << QVariantMap() << kServerDefaultTimeout;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
        emit Answered(!answered->isError());
        answered->deleteLater();
    });
    return true;
}
