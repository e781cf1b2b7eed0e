#include "app/gui/qt_ui_dispatcher.h"

#include <QMetaObject>
#include <QTimer>

namespace {

// Counts a step as running for as long as it lives.
class RunningStepCount {
public:
    explicit RunningStepCount(int& count) : count_(++count) {}
    ~RunningStepCount() { --count_; }
    RunningStepCount(const RunningStepCount&) = delete;
    RunningStepCount& operator=(const RunningStepCount&) = delete;

private:
    int& count_;
};

}  // namespace

QtUiDispatcher::QtUiDispatcher(QObject* parent) : QObject(parent) {}

std::function<void()> QtUiDispatcher::Counted(std::function<void()> task) {
    return [this, task = std::move(task)] {
        const RunningStepCount running(runningSteps_);
        task();
    };
}

void QtUiDispatcher::Post(std::function<void()> task) {
    // Queued even when called on this object's own thread, so a step never
    // runs inside the code that posted it.
    QMetaObject::invokeMethod(this, Counted(std::move(task)), Qt::QueuedConnection);
}

void QtUiDispatcher::PostAfter(std::chrono::nanoseconds delay, std::function<void()> task) {
    // The timer is started on this object's thread, which owns the timers
    // that run its tasks; a part of a millisecond counts as a whole one.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(delay);
    QMetaObject::invokeMethod(
        this,
        [this, wait, task = std::move(task)]() mutable {
            QTimer::singleShot(wait, Qt::PreciseTimer, this, Counted(std::move(task)));
        },
        Qt::QueuedConnection);
}
