#pragma once

#include <memory>

#include <QObject>

#include "app/gui/frame_services.h"

class CMainFrame;
class QSocketNotifier;

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
    // Saves the lists and clears the hand-over slots; returns the exit code.
    int ExitInstance(int exitCode);

    CMainFrame* MainFrame() const { return mainFrame_.get(); }

private:
    void WatchEndSignals();

    FrameServices services_;
    std::unique_ptr<CMainFrame> mainFrame_;
    QSocketNotifier* signalNotifier_ = nullptr;
};
