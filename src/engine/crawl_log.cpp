#include "engine/crawl_log.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>
#include <vector>

#include <sys/stat.h>

#include "store/text_utils.h"

namespace {

constexpr const char* kLogFolder = "logs";
constexpr std::string_view kRunStarted = "run started";
constexpr std::string_view kErrorMark = "error: ";

bool NeedsEscapeInName(char c) {
    return !(IsAsciiLetter(c) || IsAsciiDigit(c) || c == ' ' || c == '-' || c == '_' || c == '.');
}

// A field of a line: tabs, line breaks and other controls become blanks,
// so that every line holds three fields.
std::string Field(std::string_view text) {
    std::string field(text);
    for (char& c : field) {
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7f') c = ' ';
    }
    return field;
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "";
    if (::localtime_r(&now, &local) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string Line(std::string_view address, std::string_view outcome) {
    return Now() + "\t" + Field(address) + "\t" + Field(outcome) + "\n";
}

// Writes the whole text at the end of the file; false when it could not.
bool WriteAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The outcome field of a line, or nothing when the line has fewer fields.
std::string_view OutcomeOf(std::string_view line) {
    const std::size_t first = line.find('\t');
    if (first == std::string_view::npos) return {};
    const std::size_t second = line.find('\t', first + 1);
    return second == std::string_view::npos ? std::string_view() : line.substr(second + 1);
}

}  // namespace

std::filesystem::path CrawlLogPath(std::string_view projectName) {
    if (projectName.empty()) return {};
    return std::filesystem::path(kLogFolder) / (PercentEscaped(projectName, NeedsEscapeInName) + ".log");
}

CrawlLog::CrawlLog(std::string_view projectName, std::size_t limit) : limit_(limit) {
    const std::filesystem::path path = CrawlLogPath(projectName);
    if (path.empty()) return;
    std::error_code ignored;
    std::filesystem::create_directory(kLogFolder, ignored);
    descriptor_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (descriptor_ < 0) return;
    struct stat status {};
    if (::fstat(descriptor_, &status) == 0) size_ = static_cast<std::uint64_t>(status.st_size);
    runLine_ = Line("-", kRunStarted);
    runAt_ = size_;
    Append(runLine_, false);
}

CrawlLog::~CrawlLog() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

void CrawlLog::Record(std::string_view address, std::string_view outcome) {
    Append(Line(address, outcome), false);
}

void CrawlLog::RecordError(std::string_view address, std::string_view message) {
    Append(Line(address, std::string(kErrorMark) + std::string(message)), true);
}

void CrawlLog::Append(const std::string& line, bool error) {
    if (descriptor_ < 0) return;
    if (error && firstError_.empty()) {
        firstError_ = line;
        firstErrorAt_ = size_;
    }
    if (!WriteAll(descriptor_, line)) return;
    size_ += line.size();
    if (size_ > limit_) DropOlderHalf();
}

// Keeps the newer half of the file from a line's start on, after the run's
// first line and its first error when those fall in the older half. The
// file is rewritten through its descriptor, never by its name, so a log
// removed meanwhile is not made again.
void CrawlLog::DropOlderHalf() {
    const std::uint64_t cut = size_ - limit_ / 2;
    std::string tail(static_cast<std::size_t>(size_ - cut), '\0');
    const ssize_t got = ::pread(descriptor_, tail.data(), tail.size(), static_cast<off_t>(cut));
    if (got != static_cast<ssize_t>(tail.size())) return;
    const std::size_t lineEnd = tail.find('\n');
    tail.erase(0, lineEnd == std::string::npos ? tail.size() : lineEnd + 1);
    const std::uint64_t tailAt = size_ - tail.size();
    std::string kept;
    if (runAt_ < tailAt) {
        kept = runLine_;
        if (!firstError_.empty() && firstErrorAt_ < tailAt) kept += firstError_;
    }
    const std::uint64_t shift = tailAt - kept.size();  // how far the tail moves to the front
    runAt_ = runAt_ < tailAt ? 0 : runAt_ - shift;
    if (!firstError_.empty())
        firstErrorAt_ = firstErrorAt_ < tailAt ? runLine_.size() : firstErrorAt_ - shift;
    kept += tail;
    if (::ftruncate(descriptor_, 0) != 0) return;
    size_ = WriteAll(descriptor_, kept) ? kept.size() : 0;
}

std::string FirstErrorOfLastRun(std::string_view projectName) {
    const std::filesystem::path path = CrawlLogPath(projectName);
    if (path.empty()) return {};
    std::ifstream file(path, std::ios::binary);
    std::string line;
    std::string firstError;
    while (std::getline(file, line)) {
        const std::string_view outcome = OutcomeOf(line);
        if (outcome == kRunStarted) {
            firstError.clear();
        } else if (firstError.empty() && outcome.starts_with(kErrorMark)) {
            firstError = outcome.substr(kErrorMark.size());
        }
    }
    return firstError;
}

void RemoveCrawlLog(std::string_view projectName) {
    const std::filesystem::path path = CrawlLogPath(projectName);
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove(path, ignored);
}

void RenameCrawlLog(std::string_view from, std::string_view to) {
    const std::filesystem::path oldPath = CrawlLogPath(from);
    const std::filesystem::path newPath = CrawlLogPath(to);
    if (oldPath.empty() || newPath.empty() || oldPath == newPath) return;
    std::error_code ignored;
    std::filesystem::rename(oldPath, newPath, ignored);
}
