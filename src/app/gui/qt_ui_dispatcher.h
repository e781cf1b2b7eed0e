#pragma once

#include <QObject>

#include "workers/ui_executor.h"

// Runs the workers' handed-over steps on the thread this object lives on
// (the user-interface thread), through its event loop. Steps still queued
// when it is destroyed are dropped, never run.
class QtUiDispatcher : public QObject, public UiExecutor {
    Q_OBJECT

public:
    explicit QtUiDispatcher(QObject* parent = nullptr);

    // Any thread.
    void Post(std::function<void()> task) override;
    // Any thread.
    void PostAfter(std::chrono::nanoseconds delay, std::function<void()> task) override;

    // User-interface thread: whether a step is running, maybe with a modal
    // message box of its own open in the middle of its changes.
    bool RunningStep() const { return runningSteps_ > 0; }

private:
    // The task, counted as a running step while it runs.
    std::function<void()> Counted(std::function<void()> task);

    int runningSteps_ = 0;
};
