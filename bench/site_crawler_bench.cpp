// Runs SiteCrawlerWorker through the worker dispatch, as the program does,
// with this thread as the user-interface thread serving the handed-over steps.
//   site_crawler_bench [--unlisted] <start address> [project name]
// Crawls one web-site project taking zip, exe and gz archives, staying on the
// start site, into ./Software/<project name> (default "site"). The project's
// row is listed and selected, so its texts are shown, unless --unlisted is
// given: then the status text keeps the last "<n> links found". An https
// start address turns on "Follow HTTPS and redirects in crawls and searches";
// TARRAWICK_EXTRA_CA_FILE names the server's certificate. BENCH_BROWSER=1
// turns on "Read links as a browser does" and "Stay below the start
// address's folder". Prints:
//   "seconds=<s> status=<last status text> files=<files in the downloaded tree> steps=<k> wait_p99_ms=<x>"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"

int main(int argc, char** argv) {
    const bool unlisted = argc > 1 && std::string_view(argv[1]) == "--unlisted";
    const int first = unlisted ? 2 : 1;
    if (argc < first + 1 || argc > first + 2) {
        std::fprintf(stderr, "usage: %s [--unlisted] <start address> [project name]\n", argv[0]);
        return 2;
    }
    WebProject project;
    project.startUrl = argv[first];
    project.name = argc == first + 2 ? argv[first + 1] : "site";
    project.wantZip = project.wantExe = project.wantGz = 1;

    // An https start address needs the web option that lets crawls use https.
    WebOptions web;
    web.followHttpsAndRedirects = project.startUrl.View().starts_with("https://");
    const char* browser = std::getenv("BENCH_BROWSER");
    web.readLinksAsBrowser = web.stayBelowStartFolder =
        browser != nullptr && std::string_view(browser) == "1";
    // BENCH_REQUESTS: requests at once per site (1 to 16).
    if (const char* requests = std::getenv("BENCH_REQUESTS")) {
        web.requestsPerSite = std::clamp(std::atoi(requests), 1, 16);
    }
    DispatchBench bench(web);
    auto& [executor, store, state, window, threads, dispatch] = bench;
    store.RequestedSites.Append(project);
    window.InsertTopRow(project.name);
    state.ShownList = 2;

    const auto start = std::chrono::steady_clock::now();
    dispatch.StartWorker();
    if (unlisted) state.ShownList = 1;
    executor.RunUntil([&] { return store.ActiveSiteCrawls.Count() == 0; });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    threads.EndAll();

    std::vector<double> waits = executor.Waits();
    std::sort(waits.begin(), waits.end());
    const double p99 = waits.empty() ? 0 : waits[std::min(waits.size() - 1, waits.size() * 99 / 100)];
    std::printf("seconds=%.3f status=\"%s\" files=%d steps=%zu wait_p99_ms=%.3f\n", seconds,
                window.statusText.c_str(), window.treeFiles, waits.size(), p99);
    return store.DownloadedSites.Count() == 1 ? 0 : 1;
}
