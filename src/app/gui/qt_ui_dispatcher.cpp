#include "app/gui/qt_ui_dispatcher.h"

#include <QMetaObject>

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

void QtUiDispatcher::Post(std::function<void()> task) {
    // Queued even when called on this object's own thread, so a step never
    // runs inside the code that posted it.
    QMetaObject::invokeMethod(
        this,
        [this, task = std::move(task)] {
            const RunningStepCount running(runningSteps_);
            task();
        },
        Qt::QueuedConnection);
}
