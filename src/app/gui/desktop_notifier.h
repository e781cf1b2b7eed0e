#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Tells the desktop that an entry's work has ended, through the
// notification service on the session bus (org.freedesktop.Notifications).
// Nothing here waits for the bus, which may be hung: the connection is made
// on a thread of its own, and calls are sent without waiting for answers.
// Without a session bus or a service nothing is shown and nothing is
// reported to the user. User-interface thread.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject* parent = nullptr) : QObject(parent) {}
    ~DesktopNotifier() override;

    // On by default.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }

    // A notification with the entry as its summary and the outcome as its
    // body. Until the bus is connected notifications wait, a few at most;
    // when it cannot be reached they are dropped, and the next one tries
    // again. False when none will be sent (switched off, no session bus,
    // too many waiting).
    bool Notify(const QString& entry, const QString& outcome);

signals:
    // The fate of a notification: true when the service took it, false when
    // it refused it or the notification was dropped.
    void Answered(bool shown);

private:
    struct Notification {
        QString entry;
        QString outcome;
    };
    struct Connecting;  // shared with the thread that connects

    void Connect();
    // The connecting thread's result: the bus, or none when it did not
    // answer.
    void OnConnected(const std::optional<QDBusConnection>& bus);
    void Send(const Notification& notification);

    bool enabled_ = true;
    QString connectionName_;                       // empty until a connection is tried
    std::unique_ptr<QDBusConnection> connection_;  // set once connected
    std::shared_ptr<Connecting> connecting_;       // set while connecting
    std::vector<Notification> waiting_;
};
