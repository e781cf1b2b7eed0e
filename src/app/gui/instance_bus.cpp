#include "app/gui/instance_bus.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QMetaObject>

#include "app/dropped_addresses.h"
#include "ui/record_text.h"

namespace {

// A bus call of a start: the running program answers at once, so a call
// that takes longer finds a bus or a program that is stuck.
constexpr int kCallTimeoutMs = 2000;
// More addresses than anyone types or drops at once: a call beyond it is refused.
constexpr int kMostAddressesPerCall = 10000;

constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;
constexpr uint kNameExists = 3;

void CopyVariable(const char* variable, const char* key, QVariantMap& data) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty()) data.insert(QString::fromLatin1(key), value);
}

}  // namespace

QVariantMap StartPlatformData() {
    QVariantMap data;
    CopyVariable("XDG_ACTIVATION_TOKEN", "activation-token", data);
    CopyVariable("DESKTOP_STARTUP_ID", "desktop-startup-id", data);
    return data;
}

void InstanceService::SetReceiver(Receiver receiver) {
    receiver_ = std::move(receiver);
    while (receiver_ && !kept_.empty()) {
        const InstanceRequest request = std::move(kept_.front());
        kept_.pop_front();
        receiver_(request);
    }
}

void InstanceService::Deliver(InstanceRequest request) {
    if (!receiver_) {
        kept_.push_back(std::move(request));
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, request = std::move(request)]() mutable {
            if (receiver_) {
                receiver_(request);
            } else {
                kept_.push_back(std::move(request));
            }
        },
        Qt::QueuedConnection);
}

void InstanceService::AddUrls(const QStringList& urls, const QString& cwd, const QVariantMap& platformData) {
    Q_UNUSED(cwd);
    TakeAddresses(urls, false, platformData);
}

void InstanceService::AddSites(const QStringList& urls, const QString& cwd, const QVariantMap& platformData) {
    Q_UNUSED(cwd);
    TakeAddresses(urls, true, platformData);
}

void InstanceService::Activate(const QVariantMap& platformData) {
    InstanceRequest request;
    request.platformData = platformData;
    Deliver(std::move(request));
}

void InstanceService::TakeAddresses(const QStringList& urls, bool site, const QVariantMap& platformData) {
    if (urls.size() > kMostAddressesPerCall) {
        sendErrorReply(QDBusError::LimitsExceeded, QStringLiteral("Too many addresses in one call."));
        return;
    }
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(urls.size()));
    for (const QString& url : urls) arguments.push_back(TextForRecord(url));
    DroppedAddresses split = SplitArguments(arguments);
    if (!split.refused.empty())
        sendErrorReply(QDBusError::InvalidArgs, QString::fromStdString(RefusalMessage(split.refused)));
    if (split.addresses.empty() && !split.refused.empty()) return;
    InstanceRequest request;
    request.addresses = std::move(split.addresses);
    request.site = site;
    request.platformData = platformData;
    Deliver(std::move(request));
}

struct FolderInstance::BusOutcome {
    enum class Result { kNoBus, kOwner, kHandedOver, kFailed };

    std::string busName;
    QString connectionName;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;  // under mutex
    Result result = Result::kNoBus;
    QString failure;
    // The start stopped waiting: whatever the bus says now, it runs on its own.
    std::atomic<bool> abandoned = false;

    void Finish(Result outcome, QString error = {}) {
        const std::lock_guard lock(mutex);
        result = outcome;
        failure = std::move(error);
        done = true;
        finished.notify_all();
    }
};

FolderInstance::FolderInstance(std::filesystem::path canonicalFolder, InstanceService& service)
    : folder_(std::move(canonicalFolder)),
      busName_(InstanceBusName(folder_)),
      service_(service),
      lock_(folder_),
      outcome_(std::make_shared<BusOutcome>()) {
    outcome_->busName = busName_;
    outcome_->connectionName = QStringLiteral("tarrawick instance ") + QString::fromStdString(busName_);
}

FolderInstance::~FolderInstance() {
    if (BusStillConnecting()) {
        busThread_.detach();  // it touches only the outcome it shares, and no service any more
        return;
    }
    if (busThread_.joinable()) busThread_.join();
    QDBusConnection bus(outcome_->connectionName);
    if (bus.isConnected()) bus.unregisterObject(QString::fromLatin1(InstanceService::kObjectPath));
    QDBusConnection::disconnectFromBus(outcome_->connectionName);
}

bool FolderInstance::BusStillConnecting() const {
    if (!busThread_.joinable()) return false;
    const std::lock_guard lock(outcome_->mutex);
    return !outcome_->done;
}

FolderInstance::Role FolderInstance::Claim(const InstanceRequest& request) {
    busThread_ = std::thread(&FolderInstance::TalkToBus, outcome_, &service_, request);
    using Result = BusOutcome::Result;
    Result result = Result::kNoBus;
    {
        std::unique_lock lock(outcome_->mutex);
        if (outcome_->finished.wait_for(lock, std::chrono::milliseconds(kBusWaitMs),
                                        [&] { return outcome_->done; })) {
            result = outcome_->result;
            failure_ = outcome_->failure;
        } else {
            outcome_->abandoned = true;
            busAnswered_ = false;
        }
    }
    switch (result) {
        case Result::kHandedOver: return Role::kHandedOver;
        case Result::kFailed: return Role::kHandOverFailed;
        case Result::kOwner: ownsName_ = true; break;
        case Result::kNoBus: break;
    }
    return lock_.Held() ? Role::kFirst : Role::kLocked;
}

void FolderInstance::TalkToBus(const std::shared_ptr<BusOutcome>& outcome, InstanceService* service,
                               const InstanceRequest& request) {
    using Result = BusOutcome::Result;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, outcome->connectionName);
    if (!bus.isConnected()) return outcome->Finish(Result::kNoBus);
    // Before the name: a call that comes the moment it is taken finds the
    // service. Once the start has stopped waiting, the service may be gone.
    const QString path = QString::fromLatin1(InstanceService::kObjectPath);
    {
        const std::lock_guard lock(outcome->mutex);
        if (outcome->abandoned) {
            outcome->done = true;
            return;
        }
        bus.registerObject(path, service, QDBusConnection::ExportScriptableSlots);
    }
    QDBusMessage claim = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    claim << QString::fromStdString(outcome->busName) << kDoNotQueue;
    const QDBusMessage claimed = bus.call(claim, QDBus::Block, kCallTimeoutMs);
    const uint answer = claimed.type() == QDBusMessage::ReplyMessage && !claimed.arguments().isEmpty()
                            ? claimed.arguments().front().toUInt()
                            : 0;
    if (answer == kPrimaryOwner || answer == kAlreadyOwner) return outcome->Finish(Result::kOwner);
    bus.unregisterObject(path);
    if (answer != kNameExists || outcome->abandoned) return outcome->Finish(Result::kNoBus);

    const bool adding = !request.addresses.empty();
    const QString method = !adding        ? QStringLiteral("Activate")
                           : request.site ? QStringLiteral("AddSites")
                                          : QStringLiteral("AddUrls");
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromStdString(outcome->busName), path,
                                       QString::fromLatin1(InstanceService::kInterface), method);
    if (adding) {
        QStringList urls;
        for (const std::string& address : request.addresses) urls << TextFromRecord(address);
        call << urls << request.cwd;
    }
    call << request.platformData;
    const QDBusMessage answered = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (answered.type() == QDBusMessage::ErrorMessage)
        return outcome->Finish(Result::kFailed, answered.errorMessage());
    outcome->Finish(Result::kHandedOver);
}
