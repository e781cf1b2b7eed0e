#include <atomic>
#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/gui/dravenet_app.h"
#include "app/gui/qt_ui_dispatcher.h"
#include "store/item_store.h"
#include "support/fake_message_box.h"
#include "support/fake_window.h"
#include "support/temp_folder.h"
#include "ui/scripted_dialogs.h"
#include "workers/app_state.h"
#include "workers/hand_over.h"
#include "workers/worker_threads.h"

namespace {

TEST(QtUiDispatcherTest, AWorkerStepRunsInTheEventLoopOfTheUserInterfaceThread) {
    QtUiDispatcher dispatcher;
    HandOver ui(dispatcher);
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);  // turns a hang into a failure
    bool onUserInterfaceThread = false;
    bool ran = false;
    bool delayedOnUserInterfaceThread = false;
    std::thread worker([&] {
        ran = ui.Run([&] {
            onUserInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        });
        // A delayed step runs on the same thread once its delay is over.
        ui.PostAfter(std::chrono::microseconds(1500), [&] {
            delayedOnUserInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            loop.quit();
        });
    });
    loop.exec();
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(onUserInterfaceThread);
    EXPECT_TRUE(delayedOnUserInterfaceThread);
}

class AppExitTest : public ::testing::Test {
protected:
    void TearDown() override { TheStore() = ItemStore(); }

    TempFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
    ScriptedDialogs dialogs;  // the start-up chooser answers at once
    FakeMessageBox messages;
    FrameServices services{&dialogs, &messages, nullptr, [](const QUrl&) {}};
};

TEST_F(AppExitTest, EndingTheRunReleasesAWorkerWaitingForItsStepAfterTheSave) {
    CDravenetApp app(services);
    ASSERT_TRUE(app.InitInstance());
    TheStore().RequestedFiles.AppendUrl("http://h/a.zip");
    FakeWindow window;
    std::atomic<bool> handedOver{false};
    bool stepRan = false;
    bool stepResult = true;
    app.Workers().Start("http://h/a.zip", TheStore(), TheAppState(), window, TheStore().ActiveFileDownloads,
                        [&](WorkerContext& context) {
                            handedOver = true;
                            stepResult = context.OnUi([&] {
                                stepRan = true;
                                TheStore().RequestedFiles.RemoveAt(0);
                            });
                        });
    EXPECT_EQ(app.ExitInstance(0), 0);  // returns although the step never ran
    EXPECT_FALSE(stepRan);
    EXPECT_TRUE(handedOver);  // the worker ran and was joined
    EXPECT_FALSE(stepResult);
    QCoreApplication::processEvents();  // a step still queued is dropped
    EXPECT_FALSE(stepRan);
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://h/a.zip\n");
}

}  // namespace
