#include "app/gui/desktop_notifier.h"

#include <atomic>
#include <mutex>
#include <thread>

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

#include "app/gui/bus_probe.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kServerDefaultTimeout = -1;
// Entries that end while the bus is being reached wait for it; beyond these,
// further notifications are dropped.
constexpr std::size_t kMaxWaiting = 8;
// A bus that has not begun to answer a greeting by then is taken as hung.
constexpr std::chrono::seconds kGreetingBound{5};

// Each attempt makes a connection of its own, which its notifier may close.
QString NewConnectionName() {
    static std::atomic<int> made{0};
    return QStringLiteral("tarrawick-notifier-%1").arg(made.fetch_add(1) + 1);
}

}  // namespace

// The connecting thread tells the notifier its result through this, unless
// the notifier has gone meanwhile.
struct DesktopNotifier::Connecting {
    std::mutex mutex;
    DesktopNotifier* notifier = nullptr;
};

DesktopNotifier::~DesktopNotifier() {
    if (connecting_ != nullptr) {
        std::lock_guard lock(connecting_->mutex);
        connecting_->notifier = nullptr;
    }
    if (connection_ != nullptr) QDBusConnection::disconnectFromBus(connectionName_);
}

bool DesktopNotifier::Notify(const QString& entry, const QString& outcome) {
    if (!enabled_) return false;
    // Only a bus the session names: Qt would otherwise try to launch one.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return false;
    const Notification notification{entry, outcome};
    if (connection_ != nullptr) {
        Send(notification);
        return true;
    }
    if (waiting_.size() >= kMaxWaiting) return false;
    waiting_.push_back(notification);
    if (connecting_ == nullptr) Connect();
    return true;
}

void DesktopNotifier::Connect() {
    connectionName_ = NewConnectionName();
    connecting_ = std::make_shared<Connecting>();
    connecting_->notifier = this;
    // Connecting waits for the bus to answer, so it never happens on this
    // thread. The thread is not joined: the bus may take the bound to answer.
    std::thread([connecting = connecting_, address = qgetenv("DBUS_SESSION_BUS_ADDRESS"),
                 name = connectionName_] {
        // Connecting thread.
        std::optional<QDBusConnection> bus;
        if (BusAnswers(address, kGreetingBound))
            bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(address), name);
        std::lock_guard lock(connecting->mutex);
        DesktopNotifier* notifier = connecting->notifier;
        if (notifier == nullptr) return;
        QMetaObject::invokeMethod(
            notifier, [notifier, bus] { notifier->OnConnected(bus); }, Qt::QueuedConnection);
    }).detach();
}

void DesktopNotifier::OnConnected(const std::optional<QDBusConnection>& bus) {
    connecting_.reset();
    const bool connected = bus.has_value() && bus->isConnected();
    if (connected) {
        connection_ = std::make_unique<QDBusConnection>(*bus);
    } else if (bus.has_value()) {
        QDBusConnection::disconnectFromBus(connectionName_);
    }
    std::vector<Notification> waiting;
    waiting.swap(waiting_);
    for (const Notification& notification : waiting) {
        if (connected) {
            Send(notification);
        } else {
            emit Answered(false);
        }
    }
}

void DesktopNotifier::Send(const Notification& notification) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // The body may be read as markup: an address's '&' or '<' stays text.
    call << QStringLiteral("Tarrawick") << 0u << QStringLiteral("example.tarrawick.Tarrawick")
         << notification.entry << notification.outcome.toHtmlEscaped() << QStringList() << QVariantMap()
         << kServerDefaultTimeout;
    auto* watcher = new QDBusPendingCallWatcher(connection_->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
        emit Answered(!answered->isError());
        answered->deleteLater();
    });
}
