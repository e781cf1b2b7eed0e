// Runs the file worker of the address (HttpFileWorker, or FtpFileWorker for
// an ftp:// address) through the worker dispatch, as the program does, with
// this thread as the user-interface thread serving the handed-over steps.
//   file_worker_bench <url> [downloads]
// Starts that many downloads of the address at once (each with its own
// "?copy=N" so each entry and local file is its own), into ./Software, and
// prints the rate and how long handed-over steps waited before they ran:
//   "downloads=<n> bytes=<b> seconds=<s> mib_per_s=<r> steps=<k> wait_p50_ms=<x> wait_p99_ms=<y>
//   wait_max_ms=<z>"
// With BENCH_CHECKSUM set (a checksum as Add File(s) takes it), every file
// is checked against it while it is written.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "store/checksums.h"

namespace {

using Clock = std::chrono::steady_clock;

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

    DispatchBench bench;
    auto& [executor, store, state, window, threads, dispatch] = bench;
    const char* checksumText = std::getenv("BENCH_CHECKSUM");
    const std::optional<Checksum> checksum = ParseChecksum(checksumText == nullptr ? "" : checksumText);
    for (int copy = 0; copy < downloads; ++copy) {
        const std::string copyUrl = downloads == 1 ? url : url + "?copy=" + std::to_string(copy);
        store.RequestedFiles.AppendUrl(copyUrl);
        if (checksum) store.Checksums.Set(copyUrl, *checksum);
        window.InsertTopRow(url);
    }

    const auto start = Clock::now();
    dispatch.StartWorker();
    executor.RunUntil([&] { return store.ActiveFileDownloads.Count() == 0; });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    threads.EndAll();

    if (store.DownloadedFiles.Count() != downloads) {
        for (const FileEntry& entry : store.RequestedFiles)
            std::fprintf(stderr, "%s: %s\n", entry.url.CStr(), entry.status.CStr());
        return 1;
    }
    std::uintmax_t bytes = 0;
    for (const auto& file : std::filesystem::directory_iterator("Software")) bytes += file.file_size();
    const std::vector<double> waits = executor.Waits();
    std::printf(
        "downloads=%d bytes=%ju seconds=%.3f mib_per_s=%.1f steps=%zu wait_p50_ms=%.3f "
        "wait_p99_ms=%.3f wait_max_ms=%.3f\n",
        downloads, bytes, seconds, static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds, waits.size(),
        Percentile(waits, 0.5), Percentile(waits, 0.99), Percentile(waits, 1.0));
    return 0;
}
