// A later start of the program in the data folder of a running one: how long
// from starting `tarrawick --data-dir FOLDER URL` until the row is in the
// running window's Files list, and whether a start without an address
// brings the hidden window back and ends without a second copy. The running
// program is this process (offscreen, its own dialogs scripted); the later
// starts are the real program. Run on a bus of its own (dbus-run-session).
// Usage: hand_off_bench PROGRAM FOLDER RUNS

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include "app/gui/dravenet_app.h"
#include "app/gui/instance_bus.h"
#include "app/gui/main_frame.h"
#include "store/item_store.h"
#include "support/fake_message_box.h"
#include "ui/panels/list_panel.h"
#include "ui/scripted_dialogs.h"

namespace {

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

bool ProcessEventsUntil(const std::function<bool()>& condition) {
    QDeadlineTimer bound(10000);
    while (!condition() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    return condition();
}

// Starts the program and returns its exit status once it has ended (-1: it
// did not end normally within the bound).
int RunToEnd(QProcess& process) {
    ProcessEventsUntil([&] { return process.state() == QProcess::NotRunning; });
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString program = QString::fromStdString(std::filesystem::absolute(argv[1]).string());
    std::filesystem::create_directories(argv[2]);
    const std::filesystem::path folder = std::filesystem::canonical(argv[2]);
    std::filesystem::current_path(folder);
    const int runs = std::stoi(argv[3]);

    InstanceService service;
    FolderInstance first(folder, service);
    if (first.Claim({}) != FolderInstance::Role::kFirst || !first.OwnsBusName()) {
        std::fprintf(stderr, "no bus of its own, or the folder is taken\n");
        return 1;
    }
    ScriptedDialogs dialogs;
    FakeMessageBox messages;
    CDravenetApp app(FrameServices{&dialogs, &messages, nullptr, [](const QUrl&) {}});
    app.TakeRequestsFrom(service);
    if (!app.InitInstance()) return 1;
    CMainFrame& frame = *app.MainFrame();

    std::vector<double> rowMs;
    int handedOver = 0;
    for (int run = 0; run < runs; ++run) {
        const int rowsBefore = frame.ListPanel().topLevelItemCount();
        QProcess later;
        const Clock::time_point start = Clock::now();
        later.start(program, {QStringLiteral("--data-dir"), QString::fromStdString(folder.string()),
                              QStringLiteral("http://bench.example/f%1.zip").arg(run)});
        if (ProcessEventsUntil([&] { return frame.ListPanel().topLevelItemCount() > rowsBefore; }))
            rowMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (RunToEnd(later) == 0) ++handedOver;
    }

    int raised = 0;
    for (int run = 0; run < runs; ++run) {
        frame.hide();
        QProcess later;
        later.start(program, {QStringLiteral("--data-dir"), QString::fromStdString(folder.string())});
        const bool ended = RunToEnd(later) == 0;
        if (ended && ProcessEventsUntil([&] { return frame.isVisible(); })) ++raised;
    }

    std::printf("rows %zu of %d\nhanded_over %d of %d\n", rowMs.size(), runs, handedOver, runs);
    std::printf("row_p50_ms %.1f\nrow_p95_ms %.1f\nrow_max_ms %.1f\n", Percentile(rowMs, 0.5),
                Percentile(rowMs, 0.95), Percentile(rowMs, 1.0));
    std::printf("raised_without_second_copy %d of %d\n", raised, runs);
    TheStore() = ItemStore();  // nothing of the bench is saved
    return app.ExitInstance(0);
}
