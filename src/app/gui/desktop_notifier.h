#pragma once

#include <QObject>
#include <QString>

// Tells the desktop that an entry's work has ended, through the
// notification service on the session bus (org.freedesktop.Notifications).
// The call does not wait for the service; without a session bus or a
// service nothing is shown and nothing is reported to the user.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject* parent = nullptr) : QObject(parent) {}

    // On by default.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }

    // A notification with the entry as its summary and the outcome as its
    // body. False when none was sent (switched off, no session bus).
    bool Notify(const QString& entry, const QString& outcome);

signals:
    // The bus answered a notification: true when the service took it.
    void Answered(bool shown);

private:
    bool enabled_ = true;
};
