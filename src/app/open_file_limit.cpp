#include "app/open_file_limit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/resource.h>

namespace {

// Well above what thousands of transfers at once take, and low enough that
// no library that walks every possible descriptor is slowed by it.
constexpr std::uint64_t kMostOpenFiles = 65536;
// Below this the program says how far it is held back.
constexpr std::uint64_t kAmpleOpenFiles = 4096;

std::uint64_t Finite(rlim_t limit) {
    return limit == RLIM_INFINITY ? kMostOpenFiles : static_cast<std::uint64_t>(limit);
}

std::string Shortfall(std::uint64_t soft, const char* reason) {
    return "the open-file limit is " + std::to_string(soft) + " (" + reason +
           "), so fewer transfers can run at once";
}

}  // namespace

OpenFileLimit RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return {CurrentOpenFileLimit(), ""};
    const std::uint64_t wanted = std::min(Finite(limit.rlim_max), kMostOpenFiles);
    const std::uint64_t soft = Finite(limit.rlim_cur);
    if (soft >= wanted) {
        return {soft, soft < kAmpleOpenFiles ? Shortfall(soft, "the hard limit") : ""};
    }
    limit.rlim_cur = static_cast<rlim_t>(wanted);
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return {soft, Shortfall(soft, std::strerror(errno))};
    }
    return {wanted, wanted < kAmpleOpenFiles ? Shortfall(wanted, "the hard limit") : ""};
}

std::uint64_t CurrentOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;  // the usual default
    return Finite(limit.rlim_cur);
}
