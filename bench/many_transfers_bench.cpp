// Hundreds of requested files started at once through the real main window
// (offscreen), as a user selects them all and chooses Selected Projects.
// Prints how many arrived, how many failed and with which text, the peak
// resident memory, and how late a 10 ms timer of the user-interface thread
// fired meanwhile.
// Usage: many_transfers_bench FOLDER BASE_URL COUNT   (COUNT 0: the idle window)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <QApplication>
#include <QTimer>
#include <sys/resource.h>

#include "app/command_ids.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/main_frame.h"
#include "app/open_file_limit.h"
#include "store/item_store.h"
#include "store/list_files.h"
#include "support/fake_message_box.h"
#include "ui/panels/list_panel.h"
#include "ui/scripted_dialogs.h"

namespace {

using Clock = std::chrono::steady_clock;

double PeakResidentMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

// Lateness of a 10 ms timer, in milliseconds, each time it fires.
class TimerLateness {
public:
    TimerLateness() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            const auto late = now - (last_ + std::chrono::milliseconds(10));
            lateness_.push_back(std::chrono::duration<double, std::milli>(late).count());
            last_ = now;
        });
        last_ = Clock::now();
        timer_.start(10);
    }
    const std::vector<double>& Samples() const { return lateness_; }

private:
    QTimer timer_;
    Clock::time_point last_;
    std::vector<double> lateness_;
};

void WriteRequestedFiles(const std::string& baseUrl, int count) {
    ItemStore store;
    for (int i = 0; i < count; ++i)
        store.RequestedFiles.AppendUrl(baseUrl + "/f" + std::to_string(i) + ".zip");
    FakeMessageBox messages;
    SaveLists(store, messages);
}

void Report(const TimerLateness& timer, double seconds) {
    const ItemStore& store = TheStore();
    std::map<std::string, int> failures;
    for (const FileEntry& entry : store.RequestedFiles) ++failures[std::string(entry.status)];
    std::printf("downloaded %d\nstill_requested %d\n", store.DownloadedFiles.Count(),
                store.RequestedFiles.Count());
    for (const auto& [text, count] : failures) std::printf("status %d \"%s\"\n", count, text.c_str());
    std::printf("seconds %.2f\npeak_mib %.1f\n", seconds, PeakResidentMiB());
    std::printf("timer_late_p50_ms %.2f\ntimer_late_p99_ms %.2f\n", Percentile(timer.Samples(), 0.5),
                Percentile(timer.Samples(), 0.99));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) return 2;
    const OpenFileLimit openFiles = RaiseOpenFileLimit();  // as the program does at start
    std::printf("open_file_limit %llu\n", static_cast<unsigned long long>(openFiles.soft));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::filesystem::current_path(argv[1]);
    const int count = std::stoi(argv[3]);
    WriteRequestedFiles(argv[2], count);

    ScriptedDialogs dialogs;
    FakeMessageBox messages;
    CDravenetApp app(FrameServices{&dialogs, &messages, nullptr, [](const QUrl&) {}});
    if (!app.InitInstance()) return 1;
    CMainFrame& frame = *app.MainFrame();
    frame.ListPanel().selectAll();
    const Clock::time_point start = Clock::now();
    frame.Action(CommandId::kSelectedProjects)->trigger();

    TimerLateness timer;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (TheStore().ActiveFileDownloads.Count() > 0 && count > 0) return;
        Report(timer, std::chrono::duration<double>(Clock::now() - start).count());
        QApplication::quit();
    });
    poll.start(count > 0 ? 100 : 2000);
    return app.ExitInstance(app.Run());
}
