#pragma once

#include <memory>

#include <QObject>

#include "app/gui/frame_services.h"

class CMainFrame;
class QSocketNotifier;
class QtUiDispatcher;
class WorkerDispatch;
class WorkerThreads;

// The application's life: start-up creates and shows the main window; the
// end of the run saves the lists. The end signals of a desktop session
// (SIGTERM, SIGINT, SIGHUP) end the run the same way as Exit.
class CDravenetApp : public QObject {
    Q_OBJECT

public:
    explicit CDravenetApp(FrameServices services = {});
    ~CDravenetApp() override;

    // Creates and shows the main window; false when it cannot be created.
    bool InitInstance();
    // Stops the scheduler and closes the hand-over, saves the lists, clears
    // the hand-over slots and ends the workers; returns the exit code.
    int ExitInstance(int exitCode);

    // Runs the main event loop unless an end signal came during start-up
    // (while the start-up chooser was open, say); returns its exit code.
    int Run();

    CMainFrame* MainFrame() const { return mainFrame_.get(); }
    // The worker threads of the run, whose steps run in this thread's event
    // loop; the main window's worker dispatch starts workers through them.
    WorkerThreads& Workers() const { return *workers_; }

private:
    void WatchEndSignals();
    // SIGTERM, SIGINT or SIGHUP: ends the run as Exit does.
    void EndOnSignal();

    FrameServices services_;
    std::unique_ptr<QtUiDispatcher> uiDispatcher_;
    std::unique_ptr<WorkerThreads> workers_;
    std::unique_ptr<WorkerDispatch> dispatch_;
    std::unique_ptr<CMainFrame> mainFrame_;
    QSocketNotifier* signalNotifier_ = nullptr;
    bool endRequested_ = false;
    bool inMainLoop_ = false;
};
