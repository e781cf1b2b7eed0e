#pragma once

#include <memory>

#include <QObject>
#include <QTimer>

#include "app/gui/frame_services.h"

class AutoSave;
class CMainFrame;
class InstanceService;
struct InstanceRequest;
class MessageBoxPort;
class QtMessageBox;
class QSocketNotifier;
class SecretKeeper;
class QtUiDispatcher;
class WorkerDispatch;
class WorkerThreads;

// The application's life: start-up creates and shows the main window; the
// changed lists are saved a few seconds after each change and at the end of
// the run. The end signals of a desktop session
// (SIGTERM, SIGINT, SIGHUP) end the run the same way as Exit.
class CDravenetApp : public QObject {
    Q_OBJECT

public:
    explicit CDravenetApp(FrameServices services = {});
    ~CDravenetApp() override;

    // Creates and shows the main window; false when it cannot be created,
    // or when a search engine host set in the environment is refused (the
    // message box says why, and nothing has been read or written).
    bool InitInstance();
    // Stops the scheduler and closes the hand-over, saves the lists, clears
    // the hand-over slots and ends the workers; returns the exit code.
    int ExitInstance(int exitCode);

    // The requests of later starts in the data folder (and of this start's
    // own command line), taken from the end of InitInstance until the exit.
    void TakeRequestsFrom(InstanceService& service) { instance_ = &service; }

    // Runs the main event loop unless an end signal came during start-up
    // (while the start-up chooser was open, say); returns its exit code.
    int Run();

    CMainFrame* MainFrame() const { return mainFrame_.get(); }
    // The worker threads of the run, whose steps run in this thread's event
    // loop; the main window's worker dispatch starts workers through them.
    WorkerThreads& Workers() const { return *workers_; }

private:
    void OpenSecretKeeper();
    // How often the changed lists are looked for; they are saved a few
    // seconds after the last change (AutoSave).
    static constexpr int kAutoSavePollMs = 1000;

    MessageBoxPort& Messages();
    void OnAutoSaveTick();
    // Raises the window, with the desktop's permission to take the focus
    // when the request carries one, and adds the request's addresses.
    void OnInstanceRequest(const InstanceRequest& request);
    void WatchEndSignals();
    // SIGTERM, SIGINT or SIGHUP: ends the run as Exit does.
    void EndOnSignal();

    FrameServices services_;
    std::unique_ptr<QtUiDispatcher> uiDispatcher_;
    std::unique_ptr<WorkerThreads> workers_;
    std::unique_ptr<WorkerDispatch> dispatch_;
    std::unique_ptr<CMainFrame> mainFrame_;
    std::unique_ptr<QtMessageBox> ownMessages_;
    std::unique_ptr<AutoSave> autoSave_;
    std::unique_ptr<SecretKeeper> secrets_;
    QTimer autoSaveTimer_;
    QSocketNotifier* signalNotifier_ = nullptr;
    InstanceService* instance_ = nullptr;
    bool endRequested_ = false;
    bool inMainLoop_ = false;
};
