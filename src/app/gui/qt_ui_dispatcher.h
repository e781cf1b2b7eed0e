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
};
