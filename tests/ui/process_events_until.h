#pragma once

#include <functional>

#include <QCoreApplication>
#include <QDeadlineTimer>

// Runs the event loop until the condition holds; a bound turns a hang into a
// failure instead of waiting for it.
inline bool ProcessEventsUntil(const std::function<bool()>& condition) {
    QDeadlineTimer bound(30000);
    while (!condition() && !bound.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return condition();
}
