#include "app/gui/qt_ui_dispatcher.h"

#include <QMetaObject>
#include <QTimer>

QtUiDispatcher::QtUiDispatcher(QObject* parent) : QObject(parent) {}

void QtUiDispatcher::Post(std::function<void()> task) {
    // Queued even when called on this object's own thread, so a step never
    // runs inside the code that posted it.
    QMetaObject::invokeMethod(this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

void QtUiDispatcher::PostAfter(std::chrono::nanoseconds delay, std::function<void()> task) {
    // The timer is started on this object's thread, which owns the timers
    // that run its tasks; a part of a millisecond counts as a whole one.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(delay);
    Post([this, wait, task = std::move(task)]() mutable {
        QTimer::singleShot(wait, Qt::PreciseTimer, this, std::move(task));
    });
}
