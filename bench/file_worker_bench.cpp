// Runs the file worker of the address (HttpFileWorker, or FtpFileWorker for
// an ftp:// address) through the worker dispatch, as the program does, with
// this thread as the user-interface thread serving the handed-over steps.
//   file_worker_bench <url> [downloads]
// Starts that many downloads of the address at once (each with its own
// "?copy=N" so each entry and local file is its own), into ./Software, and
// prints the rate and how long handed-over steps waited before they ran:
//   "downloads=<n> bytes=<b> seconds=<s> mib_per_s=<r> steps=<k> wait_p50_ms=<x> wait_p99_ms=<y> wait_max_ms=<z>"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "workers/app_state.h"
#include "app/default_workers.h"
#include "workers/ui_executor.h"
#include "workers/window_port.h"
#include "app/worker_dispatch.h"
#include "workers/worker_threads.h"
#include "net/curl_session.h"
#include "store/item_store.h"

namespace {

using Clock = std::chrono::steady_clock;

// The user-interface thread's queue, noting how long each task waited after
// it was posted or, for a delayed one, after it fell due.
class TimedExecutor : public UiExecutor {
public:
    void Post(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back({Clock::now(), std::move(task)});
        posted_.notify_one();
    }

    void PostAfter(std::chrono::nanoseconds delay, std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        const Queued delayed{Clock::now() + std::chrono::ceil<Clock::duration>(delay), std::move(task)};
        delayed_.insert(std::upper_bound(delayed_.begin(), delayed_.end(), delayed,
                                         [](const Queued& a, const Queued& b) { return a.posted < b.posted; }),
                        delayed);
        posted_.notify_one();
    }

    void RunUntil(const std::function<bool()>& done) {
        while (!done()) {
            Queued next;
            {
                std::unique_lock lock(mutex_);
                for (;;) {
                    while (!delayed_.empty() && delayed_.front().posted <= Clock::now()) {
                        tasks_.push_back(std::move(delayed_.front()));
                        delayed_.pop_front();
                    }
                    if (!tasks_.empty()) break;
                    if (delayed_.empty()) {
                        posted_.wait(lock);
                    } else {
                        posted_.wait_until(lock, delayed_.front().posted);
                    }
                }
                next = std::move(tasks_.front());
                tasks_.pop_front();
            }
            waits_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - next.posted).count());
            next.task();
        }
    }

    std::vector<double> Waits() const { return waits_; }

private:
    struct Queued {
        Clock::time_point posted;  // or due
        std::function<void()> task;
    };
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Queued> tasks_;
    std::deque<Queued> delayed_;
    std::vector<double> waits_;
};

// The windows, reduced to rows that are counted and selected.
class CountingWindow : public WindowPort {
public:
    int InsertTopRow(std::string_view) override { return ++rows_, 0; }
    void SetRowText(int, int, std::string_view) override {}
    void DeleteRow(int) override { --rows_; }
    void DeleteAllRows() override { rows_ = 0; }
    int RowCount() const override { return rows_; }
    int SelectedCount() const override { return rows_; }
    bool IsRowSelected(int) const override { return true; }
    std::string RowText(int, int) const override { return {}; }
    void SetStatusText(std::string_view) override {}
    void SetLastActionText(std::string_view) override {}
    void SetCurrentProjectText(std::string_view) override {}
    void PlayAnimation() override {}
    void StopAnimation() override {}
    void BeginTreeProject(std::string_view) override {}
    void AddTreeFile(std::string_view, std::string_view) override {}
    void ShowMessage(std::string_view text) override { std::fprintf(stderr, "%.*s\n", int(text.size()), text.data()); }

private:
    int rows_ = 0;
};

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()))];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <url> [downloads]\n", argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    const int downloads = argc == 3 ? std::max(1, std::atoi(argv[2])) : 1;

    TimedExecutor executor;
    ItemStore store;
    AppState state;
    CountingWindow window;
    WorkerThreads threads(executor);
    WorkerDispatch dispatch(store, state, window, threads, DefaultWorkerProcedures(CurlSessionFactory()));
    for (int copy = 0; copy < downloads; ++copy) {
        store.RequestedFiles.AppendUrl(downloads == 1 ? url : url + "?copy=" + std::to_string(copy));
        window.InsertTopRow(url);
    }

    const auto start = Clock::now();
    dispatch.StartWorker();
    executor.RunUntil([&] { return store.ActiveFileDownloads.Count() == 0; });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    threads.EndAll();

    if (store.DownloadedFiles.Count() != downloads) {
        for (const FileEntry& entry : store.RequestedFiles) std::fprintf(stderr, "%s: %s\n", entry.url.CStr(), entry.status.CStr());
        return 1;
    }
    std::uintmax_t bytes = 0;
    for (const auto& file : std::filesystem::directory_iterator("Software")) bytes += file.file_size();
    const std::vector<double> waits = executor.Waits();
    std::printf("downloads=%d bytes=%ju seconds=%.3f mib_per_s=%.1f steps=%zu wait_p50_ms=%.3f "
                "wait_p99_ms=%.3f wait_max_ms=%.3f\n",
                downloads, bytes, seconds, static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds,
                waits.size(), Percentile(waits, 0.5), Percentile(waits, 0.99), Percentile(waits, 1.0));
    return 0;
}
