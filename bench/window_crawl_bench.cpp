// Crawls one web-site project through the program's own main window, as a
// user does: the application object with its worker dispatch, the Requested
// Web Sites category chosen, the project's row selected, Selected Projects.
//   window_crawl_bench [--downloads <n> <file address>] <start address> [project name]
// The project takes zip, exe and gz archives and stays on the start site;
// files land in ./Software. With --downloads, <n> downloads of the file
// address (each with its own "?copy=N") are started first and run alongside
// the crawl. Throughout the crawl a 10 ms timer on the user-interface thread
// notes how late it fires; the processor time that thread takes, and the
// time it spent ready to run but waiting for a processor, are counted.
// Prints:
//   "seconds=<s> status=<status line> files=<files in the downloaded tree>
//    ui_cpu_s=<c> ui_runqueue_s=<q> ticks=<k> late_p50_ms=<x> late_p99_ms=<y>
//    late_max_ms=<z>"
// Qt draws offscreen unless QT_QPA_PLATFORM names another platform.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QTreeWidget>
#include <sys/resource.h>

#include "app/command_ids.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/frame_dialogs.h"
#include "app/gui/main_frame.h"
#include "app/list_rows.h"
#include "store/item_store.h"
#include "ui/panels/dnld_list.h"
#include "ui/panels/list_panel.h"
#include "ui/panels/status_view.h"
#include "workers/app_state.h"

namespace {

using Clock = std::chrono::steady_clock;

// The start-up chooser just starts; no other dialog is opened.
class NoDialogs : public FrameDialogs {
public:
    std::optional<FileRequest> AskFileUrl() override { return std::nullopt; }
    bool EditWebProject(std::string_view, WebProject&) override { return false; }
    bool NewSearchProject(SearchProject&) override { return false; }
    bool EditSearchProject(SearchProject&) override { return false; }
    bool AskYesNo(std::string_view) override { return false; }
    int StartChoice() override { return 4; }
    void ShowAbout() override {}
    bool EditOptions(Options&) override { return false; }
};

class PrintedMessages : public MessageBoxPort {
public:
    void ShowMessage(std::string_view text) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
};

// A 10 ms single-shot timer, armed again each time it fires, noting how
// much later than due it fired.
class LatenessProbe {
public:
    static constexpr std::chrono::milliseconds kPeriod{10};

    explicit LatenessProbe(std::function<bool()> done) : done_(std::move(done)) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Fired(); });
    }

    void Start() { Arm(); }

    double Percentile(double fraction) const {
        if (lateness_.empty()) return 0;
        std::vector<double> sorted = lateness_;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(fraction * sorted.size()))];
    }
    std::size_t Ticks() const { return lateness_.size(); }

private:
    void Arm() {
        due_ = Clock::now() + kPeriod;
        timer_.start(kPeriod);
    }

    void Fired() {
        lateness_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - due_).count());
        if (done_()) {
            QApplication::exit(0);
            return;
        }
        Arm();
    }

    std::function<bool()> done_;
    QTimer timer_;
    Clock::time_point due_;
    std::vector<double> lateness_;
};

// Chooses the list, selects the rows and runs Selected Projects on them.
void StartRows(CMainFrame& frame, int list, int rows) {
    SwitchCategory(TheStore(), TheAppState(), list, frame.Window());
    CListPanel& panel = frame.ListPanel();
    panel.clearSelection();
    for (int row = 0; row < rows; ++row) panel.topLevelItem(row)->setSelected(true);
    ReportSelection(TheAppState(), frame.Window());
    frame.Action(CommandId::kSelectedProjects)->trigger();
}

// Processor time of the calling thread so far.
double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto seconds = [](const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Time the calling thread has spent ready to run, waiting for a processor
// (Linux's schedstat; 0 where it is missing).
double ThreadRunQueueSeconds() {
    std::ifstream schedstat("/proc/thread-self/schedstat");
    unsigned long long running = 0, waiting = 0;
    schedstat >> running >> waiting;
    return double(waiting) / 1e9;
}

int TreeFiles(CMainFrame& frame) {
    const CDnldList& tree = frame.DownloadedTree();
    int files = 0;
    for (int root = 0; root < tree.topLevelItemCount(); ++root)
        files += tree.topLevelItem(root)->childCount();
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    int downloads = 0;
    std::string fileAddress;
    if (arguments.size() >= 3 && arguments[0] == "--downloads") {
        downloads = std::max(0, std::atoi(arguments[1].c_str()));
        fileAddress = arguments[2];
        arguments.erase(arguments.begin(), arguments.begin() + 3);
    }
    if (arguments.empty() || arguments.size() > 2) {
        std::fprintf(stderr, "usage: %s [--downloads <n> <file address>] <start address> [project name]\n",
                     argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    NoDialogs dialogs;
    PrintedMessages messages;
    CDravenetApp program(FrameServices{&dialogs, &messages, nullptr, [](const QUrl&) {}});
    if (!program.InitInstance()) return 1;
    CMainFrame& frame = *program.MainFrame();
    QApplication::processEvents();  // the window's first paint, before anything is timed

    WebProject project;
    project.startUrl = arguments[0];
    project.name = arguments.size() == 2 ? arguments[1] : "site";
    project.status = "Ready for download";
    project.wantZip = project.wantExe = project.wantGz = 1;
    TheStore().RequestedSites.Append(project);
    for (int copy = 0; copy < downloads; ++copy)
        TheStore().RequestedFiles.AppendUrl(fileAddress + "?copy=" + std::to_string(copy));

    const auto start = Clock::now();
    const double startCpu = ThreadCpuSeconds();
    const double startRunQueue = ThreadRunQueueSeconds();
    std::optional<Clock::time_point> end;
    double uiCpu = 0;
    double uiRunQueue = 0;
    LatenessProbe probe([&] {
        if (TheStore().ActiveSiteCrawls.Count() != 0) return false;
        end = Clock::now();
        uiCpu = ThreadCpuSeconds() - startCpu;
        uiRunQueue = ThreadRunQueueSeconds() - startRunQueue;
        return true;
    });
    // Requested Files is shown at first; choosing Web Sites fills its rows.
    if (downloads > 0) {
        SwitchCategory(TheStore(), TheAppState(), kRequestedSitesList, frame.Window());
        StartRows(frame, kRequestedFilesList, downloads);
    }
    StartRows(frame, kRequestedSitesList, 1);
    probe.Start();
    program.Run();
    const double seconds = std::chrono::duration<double>(end.value_or(Clock::now()) - start).count();

    std::printf(
        "seconds=%.3f status=\"%s\" files=%d ui_cpu_s=%.3f ui_runqueue_s=%.3f ticks=%zu late_p50_ms=%.3f "
        "late_p99_ms=%.3f "
        "late_max_ms=%.3f\n",
        seconds, frame.StatusView().StatusText().toStdString().c_str(), TreeFiles(frame), uiCpu, uiRunQueue,
        probe.Ticks(), probe.Percentile(0.5), probe.Percentile(0.99), probe.Percentile(1.0));
    const bool crawled = TheStore().DownloadedSites.Count() == 1;
    program.ExitInstance(0);
    return crawled ? 0 : 1;
}
