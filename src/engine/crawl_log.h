#pragma once

// The log of a web project's crawls: one file per project in the folder
// "logs" beside the list files (the current directory), one line per request
// a crawl sends: "time<TAB>address<TAB>outcome". The outcome is the answer's
// status ("200", "404", "301 to <target>"), "<status> saved as <path>", "not
// modified", or, for an address that failed, "error: " and why (the
// Internet error's message, or why an archive could not be saved). Each run
// begins with a line whose address is "-" and whose outcome is "run started".
//
// The file holds at most a bounded number of bytes: once a write passes the
// bound, the older half is dropped, keeping the run's first line and its
// first error. The file goes with its project (RemoveCrawlLog) and follows
// its renaming (RenameCrawlLog).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

inline constexpr std::size_t kCrawlLogLimit = 512 * 1024;

// Any thread: where the project's log is. The name is escaped byte by byte
// (all but letters, digits, ' ', '-', '_' and '.' as %XX), so whatever the
// project is called, the file stays in the folder; nothing for an empty name.
std::filesystem::path CrawlLogPath(std::string_view projectName);

class CrawlLog {
public:
    // Worker thread: opens the project's log for appending, creating the
    // folder and the file when missing, and writes the run's first line. A
    // log that cannot be opened is left out silently: the crawl goes on.
    explicit CrawlLog(std::string_view projectName, std::size_t limit = kCrawlLogLimit);
    ~CrawlLog();
    CrawlLog(const CrawlLog&) = delete;
    CrawlLog& operator=(const CrawlLog&) = delete;

    // Worker thread: one line for a request and its outcome.
    void Record(std::string_view address, std::string_view outcome);
    // Worker thread: one line for an address that failed.
    void RecordError(std::string_view address, std::string_view message);

private:
    void Append(const std::string& line, bool error);
    void DropOlderHalf();

    int descriptor_ = -1;
    std::size_t limit_;
    std::uint64_t size_ = 0;
    std::string runLine_;
    std::uint64_t runAt_ = 0;  // where the run's first line begins in the file
    std::string firstError_;
    std::uint64_t firstErrorAt_ = 0;  // where the first error's line begins in the file
};

// User-interface thread: the first error's message of the project's last
// run, or empty when that run had none (or there is no log).
std::string FirstErrorOfLastRun(std::string_view projectName);

// User-interface thread: the log goes with its project. A crawl still
// writing to a removed log writes to no file any more.
void RemoveCrawlLog(std::string_view projectName);
void RenameCrawlLog(std::string_view from, std::string_view to);
