#pragma once

// What the worker benchmarks share: this thread as the user-interface
// thread, and windows reduced to what a benchmark checks.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/default_workers.h"
#include "app/worker_dispatch.h"
#include "net/curl_session.h"
#include "store/item_store.h"
#include "workers/app_state.h"
#include "workers/ui_executor.h"
#include "workers/window_port.h"
#include "workers/worker_threads.h"

// The user-interface thread's queue, noting how long each task waited after
// it was posted or, for a delayed one, after it fell due.
class TimedExecutor : public UiExecutor {
public:
    using Clock = std::chrono::steady_clock;

    // Any thread.
    void Post(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back({Clock::now(), std::move(task)});
        posted_.notify_one();
    }

    // Any thread.
    void PostAfter(std::chrono::nanoseconds delay, std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        const Queued delayed{Clock::now() + std::chrono::ceil<Clock::duration>(delay), std::move(task)};
        delayed_.insert(
            std::upper_bound(delayed_.begin(), delayed_.end(), delayed,
                             [](const Queued& a, const Queued& b) { return a.posted < b.posted; }),
            delayed);
        posted_.notify_one();
    }

    // This thread: runs the tasks until the condition holds.
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

// The windows, reduced to rows that are counted and selected, the last
// status text and the number of files in the downloaded tree.
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
    void SetStatusText(std::string_view text) override { statusText = text; }
    void SetLastActionText(std::string_view) override {}
    void SetCurrentProjectText(std::string_view) override {}
    void PlayAnimation() override {}
    void StopAnimation() override {}
    void ShowTransfer(const TransferFigures&) override {}
    void HideTransfer() override {}
    void BeginTreeProject(std::string_view) override {}
    void AddTreeFile(std::string_view, std::string_view) override { ++treeFiles; }
    void ReportEntryEnded(const EndedEntry&) override {}
    void ShowMessage(std::string_view text) override {
        std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
    }

    std::string statusText;
    int treeFiles = 0;

private:
    int rows_ = 0;
};

// The sessions as the program makes them: with the extra authorities' file
// that the environment names, if any.
inline CurlSessionSettings BenchSessionSettings() {
    CurlSessionSettings settings;
    if (const char* extraCa = std::getenv(kExtraCaFileVariable)) settings.extraCaFile = extraCa;
    return settings;
}

// A manual proxy when BENCH_PROXY names one ("socks5h://127.0.0.1:1080"),
// with BENCH_PROXY_USER and BENCH_PROXY_PASSWORD as its login (from the
// environment, so that no password stands in a process's arguments); else
// the environment's proxy, as by default.
inline ProxyOptions BenchProxy() {
    ProxyOptions proxy;
    const char* address = std::getenv("BENCH_PROXY");
    if (address == nullptr) return proxy;
    const std::string_view text = address;
    const std::size_t scheme = text.find("://");
    const std::size_t colon = text.rfind(':');
    if (scheme == std::string_view::npos || colon <= scheme) return proxy;
    proxy.mode = ProxyMode::kManual;
    proxy.scheme = ProxySchemeNamed(text.substr(0, scheme)).value_or(ProxyScheme::kHttp);
    proxy.host = std::string(text.substr(scheme + 3, colon - scheme - 3));
    proxy.port = std::atoi(std::string(text.substr(colon + 1)).c_str());
    if (const char* user = std::getenv("BENCH_PROXY_USER")) proxy.user = user;
    if (const char* password = std::getenv("BENCH_PROXY_PASSWORD")) proxy.password = password;
    return proxy;
}

// The program's lists, state, workers and dispatch over libcurl, with this
// thread as the user-interface thread.
struct DispatchBench {
    explicit DispatchBench(WebOptions web = {})
        : dispatch{store, state, window, threads,
                   DefaultWorkerProcedures(CurlSessionFactory(BenchSessionSettings()))} {
        Options options;
        options.web = std::move(web);
        options.proxy = BenchProxy();
        // BENCH_CONNECTIONS: connections per file (1 when unset).
        if (const char* connections = std::getenv("BENCH_CONNECTIONS")) {
            options.connectionsPerFile = std::max(1, std::atoi(connections));
        }
        dispatch.SetOptions(options);
    }

    TimedExecutor executor;
    ItemStore store;
    AppState state;
    CountingWindow window;
    WorkerThreads threads{executor};
    WorkerDispatch dispatch;
};
