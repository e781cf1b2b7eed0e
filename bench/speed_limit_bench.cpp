// Downloads under a speed limit, through the worker dispatch as the program
// runs them, with this thread as the user-interface thread.
//   speed_limit_bench <url> <downloads> <limit KiB/s> <seconds> [settle seconds]
// Starts that many downloads of the address at once (each with its own
// "?copy=N"), lets them settle (1 s unless given), then measures for the given seconds
// how much they read together, from the kilobytes in the entries' progress:
//   "downloads=<n> limit_kib_per_s=<l> seconds=<s> kib_per_s=<r> ratio=<r/l>"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"

namespace {

using Clock = std::chrono::steady_clock;

// The kilobytes all entries have read, from "Downloading...%.02fk read".
double KilobytesRead(const ItemStore& store) {
    double total = 0;
    for (const FileEntry& entry : store.RequestedFiles) {
        const std::string status = entry.status.Str();
        const std::size_t dots = status.find("...");
        if (dots != std::string::npos) total += std::atof(status.c_str() + dots + 3);
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s <url> <downloads> <limit KiB/s> <seconds> [settle seconds]\n",
                     argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    const int downloads = std::max(1, std::atoi(argv[2]));
    const int limit = std::atoi(argv[3]);
    const double seconds = std::atof(argv[4]);
    const double settle = argc == 6 ? std::atof(argv[5]) : 1.0;

    DispatchBench bench;
    auto& [executor, store, state, window, threads, dispatch] = bench;
    Options options;
    options.speedLimitKiBps = limit;
    dispatch.SetOptions(options);
    for (int copy = 0; copy < downloads; ++copy) {
        store.RequestedFiles.AppendUrl(url + "?copy=" + std::to_string(copy));
        window.InsertTopRow(url);
    }
    dispatch.StartWorker();
    const auto started = Clock::now();
    const auto runFor = [&](std::chrono::duration<double> span) {
        const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(span);
        executor.RunUntil([&] { return Clock::now() >= until || store.ActiveFileDownloads.Count() == 0; });
    };
    runFor(std::chrono::duration<double>(settle));
    const double before = KilobytesRead(store);
    const auto from = Clock::now();
    runFor(std::chrono::duration<double>(seconds));
    const double read = KilobytesRead(store) - before;
    const double measured = std::chrono::duration<double>(Clock::now() - from).count();
    const bool ended = store.ActiveFileDownloads.Count() == 0;
    threads.EndAll();
    if (ended) {
        std::fprintf(stderr, "the downloads ended after %.1f s: use a larger file\n",
                     std::chrono::duration<double>(Clock::now() - started).count());
        return 1;
    }
    const double rate = read / measured;
    std::printf("downloads=%d limit_kib_per_s=%d seconds=%.2f kib_per_s=%.1f ratio=%.4f\n", downloads, limit,
                measured, rate, rate / limit);
    return 0;
}
