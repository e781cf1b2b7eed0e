#pragma once

#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include "app/folder_instance.h"

// What a start of the program asks of the one that runs in its data folder.
struct InstanceRequest {
    std::vector<std::string> addresses;
    bool site = false;  // open Add Web Site with each address
    QString cwd;        // where the start was made
    // The desktop's permission to take the focus ("activation-token" from
    // XDG_ACTIVATION_TOKEN, "desktop-startup-id" from DESKTOP_STARTUP_ID).
    QVariantMap platformData;
};

// The platform data of this process's start: its activation token and
// startup identifier, when the desktop set them.
QVariantMap StartPlatformData();

// The interface that the program running in a data folder exports on the
// session bus at kObjectPath. Calls return at once: the requests are handed
// to the receiver from the event loop (a web site's sheet is modal), and
// those that came before there was a receiver are kept for it. Lives on the
// user-interface thread, where the bus delivers its calls.
class InstanceService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.tarrawick.Tarrawick.Instance")

public:
    static constexpr const char* kObjectPath = "/example/tarrawick/Tarrawick";
    static constexpr const char* kInterface = "example.tarrawick.Tarrawick.Instance";
    using Receiver = std::function<void(const InstanceRequest&)>;

    // The kept requests go to the receiver at once, in order.
    void SetReceiver(Receiver receiver);
    // A request of this process's own command line.
    void Deliver(InstanceRequest request);

public slots:
    // Each address as dropped on the Files list; cwd is where the caller
    // runs (the addresses are absolute, so it changes nothing yet). The call
    // fails with InvalidArgs naming what is not an address, which adds
    // nothing; the other addresses are added.
    Q_SCRIPTABLE void AddUrls(const QStringList& urls, const QString& cwd, const QVariantMap& platformData);
    // The same, each address opening Add Web Site.
    Q_SCRIPTABLE void AddSites(const QStringList& urls, const QString& cwd, const QVariantMap& platformData);
    // Raises the window.
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);

private:
    void TakeAddresses(const QStringList& urls, bool site, const QVariantMap& platformData);
    void HandOverLater();

    Receiver receiver_;
    std::deque<InstanceRequest> kept_;
};

// One program per data folder. The first start takes the folder's lock file
// and its name on the session bus and exports the service; a later start in
// the same folder hands its request to that one over the bus. Without a bus
// the lock file alone keeps a second program off the lists.
class FolderInstance {
public:
    enum class Role {
        kFirst,           // run: this process owns the folder
        kHandedOver,      // end: the running program took the request
        kLocked,          // end: another program holds the folder, out of reach
        kHandOverFailed,  // end: the running program did not answer
    };
    // How long a start waits for the bus at most; a bus that does not answer
    // within it counts as none.
    static constexpr int kBusWaitMs = 5000;

    FolderInstance(std::filesystem::path canonicalFolder, InstanceService& service);
    // Joins the bus thread when it has finished; otherwise leaves it, and
    // the process must end with BusStillConnecting() in mind.
    ~FolderInstance();
    FolderInstance(const FolderInstance&) = delete;
    FolderInstance& operator=(const FolderInstance&) = delete;

    // User-interface thread, waits up to kBusWaitMs.
    Role Claim(const InstanceRequest& request);
    // For kHandOverFailed: the bus's error.
    const QString& Failure() const { return failure_; }
    // True while this process owns the folder's name on the bus.
    bool OwnsBusName() const { return ownsName_; }
    // False when the bus did not answer within kBusWaitMs: it is best left
    // alone from the user-interface thread (the tray asks it synchronously).
    bool BusAnswered() const { return busAnswered_; }
    // The bus thread is still held by a bus that does not answer. Qt's bus
    // thread is held with it, and Qt waits for that thread when the
    // application object and the static objects are destroyed, for ever if
    // the bus never answers: such a process must end with std::_Exit once
    // the lists are saved.
    bool BusStillConnecting() const;

private:
    struct BusOutcome;
    // Bus thread: connects, takes the name or calls its owner.
    static void TalkToBus(const std::shared_ptr<BusOutcome>& outcome, InstanceService* service,
                          const InstanceRequest& request);

    std::filesystem::path folder_;
    std::string busName_;
    InstanceService& service_;
    FolderLock lock_;
    std::shared_ptr<BusOutcome> outcome_;
    std::thread busThread_;
    QString failure_;
    bool ownsName_ = false;
    bool busAnswered_ = true;
};
