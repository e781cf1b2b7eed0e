#include "app/gui/desktop_notifier.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
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
const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");
const QString kFileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");
const QString kDefaultAction = QStringLiteral("default");
const QString kOpenAction = QStringLiteral("open");
const QString kShowInFolderAction = QStringLiteral("show-in-folder");
constexpr int kServerDefaultTimeout = -1;
// The notifications whose actions are remembered; older ones do nothing.
constexpr std::size_t kMaxRemembered = 64;
// Entries that end while the bus is being reached wait for it; beyond these,
// further notifications are dropped.
constexpr std::size_t kMaxWaiting = 8;
// A bus that has not begun to answer a greeting by then is taken as hung.
constexpr std::chrono::seconds kGreetingBound{5};

// The action keys and labels a notification offers.
QStringList ActionsOf(const DesktopNotifier::Notice& notice) {
    QStringList actions{kDefaultAction, QStringLiteral("Show")};
    if (!notice.savedFile.empty()) actions << kOpenAction << QStringLiteral("Open");
    if (!notice.savedFile.empty() || !notice.folder.empty())
        actions << kShowInFolderAction << QStringLiteral("Show in Folder");
    return actions;
}

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

bool DesktopNotifier::Notify(const Notice& notice) {
    if (!enabled_) return false;
    // Only a bus the session names: Qt would otherwise try to launch one.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return false;
    if (connection_ != nullptr && capabilities_ == Capabilities::kKnown) {
        Send(notice);
        return true;
    }
    if (waiting_.size() >= kMaxWaiting) return false;
    waiting_.push_back(notice);
    if (connection_ != nullptr && capabilities_ == Capabilities::kUnknown) AskCapabilities();
    if (connection_ == nullptr && connecting_ == nullptr) Connect();
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
    if (bus.has_value() && bus->isConnected()) {
        connection_ = std::make_unique<QDBusConnection>(*bus);
        ListenForActions();
        AskCapabilities();
        return;
    }
    if (bus.has_value()) QDBusConnection::disconnectFromBus(connectionName_);
    std::vector<Notice> waiting;
    waiting.swap(waiting_);
    for (std::size_t dropped = 0; dropped < waiting.size(); ++dropped) emit Answered(false);
}

void DesktopNotifier::AskCapabilities() {
    capabilities_ = Capabilities::kAsking;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(connection_->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        const QDBusMessage reply = answered->reply();
        // After an error (no service yet) the next notification asks again.
        const bool known = reply.type() == QDBusMessage::ReplyMessage;
        capabilities_ = known ? Capabilities::kKnown : Capabilities::kUnknown;
        actionsTaken_ =
            known && reply.arguments().value(0).toStringList().contains(QStringLiteral("actions"));
        service_ = known ? reply.service() : QString();
        SendWaiting();
    });
}

void DesktopNotifier::SendWaiting() {
    std::vector<Notice> waiting;
    waiting.swap(waiting_);
    for (const Notice& notice : waiting) Send(notice);
}

// No service is named: a signal hook on a service's name would look up its
// owner with a call that waits for the bus. The sender is checked instead.
void DesktopNotifier::ListenForActions() {
    connection_->connect(QString(), kPath, kService, QStringLiteral("ActionInvoked"), this,
                         SLOT(OnActionInvoked(uint, QString, QDBusMessage)));
    connection_->connect(QString(), kPath, kService, QStringLiteral("NotificationClosed"), this,
                         SLOT(OnNotificationClosed(uint, uint, QDBusMessage)));
}

void DesktopNotifier::Send(const Notice& notice) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const bool succeeded = notice.outcome == QLatin1String("Success");
    const QVariantMap hints{{QStringLiteral("category"), succeeded ? QStringLiteral("transfer.complete")
                                                                   : QStringLiteral("transfer.error")}};
    // The body may be read as markup: an address's '&' or '<' stays text.
    call << QStringLiteral("Tarrawick") << 0u << QStringLiteral("example.tarrawick.Tarrawick") << notice.entry
         << notice.outcome.toHtmlEscaped() << (actionsTaken_ ? ActionsOf(notice) : QStringList()) << hints
         << kServerDefaultTimeout;
    auto* watcher = new QDBusPendingCallWatcher(connection_->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notice, withActions = actionsTaken_](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                const QDBusMessage reply = answered->reply();
                const bool shown = reply.type() == QDBusMessage::ReplyMessage;
                if (shown && withActions) Remember(reply.arguments().value(0).toUInt(), notice);
                emit Answered(shown);
            });
}

void DesktopNotifier::Remember(uint id, const Notice& notice) {
    std::erase_if(shown_, [id](const Shown& shown) { return shown.id == id; });
    shown_.push_back({id, notice});
    if (shown_.size() > kMaxRemembered) shown_.pop_front();
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action, const QDBusMessage& message) {
    if (message.service() != service_) return;
    const auto found =
        std::find_if(shown_.begin(), shown_.end(), [id](const Shown& shown) { return shown.id == id; });
    if (found == shown_.end()) return;
    const Notice notice = found->notice;
    if (action == kDefaultAction) {
        emit EntryChosen(notice.list, notice.entry);
    } else if (action == kOpenAction && !notice.savedFile.empty()) {
        Open(notice.savedFile);
    } else if (action == kShowInFolderAction && !notice.savedFile.empty()) {
        ShowInFolder(notice.savedFile, std::filesystem::path(notice.savedFile).parent_path().string());
    } else if (action == kShowInFolderAction && !notice.folder.empty()) {
        ShowInFolder(notice.folder, notice.folder);
    }
}

void DesktopNotifier::OnNotificationClosed(uint id, uint /*reason*/, const QDBusMessage& message) {
    if (message.service() != service_) return;
    std::erase_if(shown_, [id](const Shown& shown) { return shown.id == id; });
}

void DesktopNotifier::ShowInFolder(const std::string& item, const std::string& folder) {
    QDBusMessage call = QDBusMessage::createMethodCall(kFileManager, kFileManagerPath, kFileManager,
                                                       QStringLiteral("ShowItems"));
    call << QStringList{LocalPathUrl(item).toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(connection_->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, folder](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                if (answered->isError()) Open(folder);
            });
}

void DesktopNotifier::Open(const std::string& path) {
    if (opener_) opener_(LocalPathUrl(path));
}
