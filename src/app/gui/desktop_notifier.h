#pragma once

#include <memory>
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
    explicit DesktopNotifier(QObject* parent = nullptr);
    ~DesktopNotifier() override;

    // On by default.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }

    // A notification with the entry as its summary and the outcome as its
    // body. The first one connects to the bus; until then notifications
    // wait, a few at most, and they are dropped when the bus cannot be
    // reached. False when none will be sent (switched off, no session bus).
    bool Notify(const QString& entry, const QString& outcome);

signals:
    // The fate of a notification: true when the service took it, false when
    // it refused it or the notification was dropped.
    void Answered(bool shown);

private:
    enum class Bus { kNotTried, kConnecting, kConnected, kUnreachable };
    struct Notification {
        QString entry;
        QString outcome;
    };
    struct Connecting;  // shared with the thread that connects

    void Connect();
    // The bus as the connecting thread left it, connected or not.
    void OnConnected(const QDBusConnection& bus);
    void Send(const Notification& notification);

    bool enabled_ = true;
    Bus bus_ = Bus::kNotTried;
    const QString connectionName_;
    std::unique_ptr<QDBusConnection> connection_;
    std::vector<Notification> waiting_;
    std::shared_ptr<Connecting> connecting_;
};
