#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include "ui/panels/url_opener.h"

class QDBusMessage;

// Tells the desktop that an entry's work has ended, through the
// notification service on the session bus (org.freedesktop.Notifications).
// Nothing here waits for the bus, which may be hung: the connection is made
// on a thread of its own, and calls are sent without waiting for answers.
// Without a session bus or a service nothing is shown and nothing is
// reported to the user. When the service takes actions (it is asked once per
// connection), a saved file offers Open and Show in Folder, a crawl's
// folder Show in Folder, and a click on the notification asks for its entry
// (EntryChosen). User-interface thread.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject* parent = nullptr) : QObject(parent) {}
    ~DesktopNotifier() override;

    // What a notification tells, and what its actions act on.
    struct Notice {
        QString entry;    // the summary
        QString outcome;  // the body: "Success" or what went wrong
        int list = 0;     // the list the entry is in, for EntryChosen
        // Open, and Show in Folder with the folder opened as the fallback.
        std::string savedFile;
        // Show in Folder, with the folder itself opened as the fallback.
        std::string folder;
    };

    // On by default.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }
    // Opens a file or a folder for Open and the fallback of Show in Folder;
    // unset, nothing is opened.
    void SetOpener(UrlOpener opener) { opener_ = std::move(opener); }

    // A notification with the entry as its summary and the outcome as its
    // body. Until the bus is connected, and the service has said whether
    // it takes actions, notifications wait, a few at most;
    // when it cannot be reached they are dropped, and the next one tries
    // again. False when none will be sent (switched off, no session bus,
    // too many waiting).
    bool Notify(const Notice& notice);

signals:
    // The fate of a notification: true when the service took it, false when
    // it refused it or the notification was dropped.
    void Answered(bool shown);
    // The user clicked the notification of the entry with this key.
    void EntryChosen(int list, const QString& key);

private slots:
    void OnActionInvoked(uint id, const QString& action, const QDBusMessage& message);
    void OnNotificationClosed(uint id, uint reason, const QDBusMessage& message);

private:
    struct Shown {
        uint id = 0;
        Notice notice;
    };
    struct Connecting;  // shared with the thread that connects

    void Connect();
    // The connecting thread's result: the bus, or none when it did not
    // answer.
    void OnConnected(const std::optional<QDBusConnection>& bus);
    // Asks whether the service takes actions; the waiting notifications go
    // once it has answered.
    void AskCapabilities();
    void SendWaiting();
    void ListenForActions();
    void Send(const Notice& notice);
    void Remember(uint id, const Notice& notice);
    // Asks the file manager to show the item, or opens the folder when it
    // cannot.
    void ShowInFolder(const std::string& item, const std::string& folder);
    void Open(const std::string& path);

    bool enabled_ = true;
    QString connectionName_;                       // empty until a connection is tried
    std::unique_ptr<QDBusConnection> connection_;  // set once connected
    std::shared_ptr<Connecting> connecting_;       // set while connecting
    std::vector<Notice> waiting_;
    UrlOpener opener_;
    // Asked once per connection, and again after an error; the
    // notifications wait for the answer.
    enum class Capabilities { kUnknown, kAsking, kKnown };
    Capabilities capabilities_ = Capabilities::kUnknown;
    bool actionsTaken_ = false;
    QString service_;          // the unique name of the service that answered
    std::deque<Shown> shown_;  // the latest notifications with actions, oldest first
};
