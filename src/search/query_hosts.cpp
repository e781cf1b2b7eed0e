#include "search/query_hosts.h"

#include <algorithm>
#include <cstddef>

#include <arpa/inet.h>

#include "net/host_port.h"
#include "store/text_utils.h"

namespace {

constexpr std::size_t kMaxHostNameLength = 253;
constexpr std::size_t kMaxLabelLength = 63;
constexpr std::size_t kMaxPortDigits = 5;
// "[" + the longest IPv6 text + "]" or the longest name, then ":65535".
constexpr std::size_t kMaxHostTextLength = kMaxHostNameLength + 1 + kMaxPortDigits;
// How much of a refused text the message repeats.
constexpr std::size_t kShownValueLength = 80;

bool IsValidLabel(std::string_view label) {
    if (label.empty() || label.size() > kMaxLabelLength) return false;
    if (label.front() == '-' || label.back() == '-') return false;
    return std::all_of(label.begin(), label.end(),
                       [](char c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '-'; });
}

bool ParsesAs(int family, std::string_view address) {
    const std::string text(address);
    unsigned char parsed[16];
    return ::inet_pton(family, text.c_str(), parsed) == 1;
}

// A host name of dot-separated labels; digits and dots alone must make an
// IPv4 address, so "1.2.3" or "300.1.1.1" is no host.
bool IsValidHostName(std::string_view host) {
    if (host.empty() || host.size() > kMaxHostNameLength) return false;
    if (std::all_of(host.begin(), host.end(), [](char c) { return IsAsciiDigit(c) || c == '.'; })) {
        return ParsesAs(AF_INET, host);
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = host.find('.', start);
        if (!IsValidLabel(host.substr(start, dot - start))) return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

// The text of a value for a message: cut, with unprintable bytes as '?'.
std::string Shown(std::string_view value) {
    std::string shown(value.substr(0, kShownValueLength));
    for (char& c : shown) {
        if (c < 0x20 || c > 0x7e) c = '?';
    }
    if (value.size() > kShownValueLength) shown += "...";
    return shown;
}

}  // namespace

std::optional<std::string> QueryHostProblem(std::string_view host) {
    if (host.empty()) return "it is empty";
    if (host.size() > kMaxHostTextLength) return "it is too long";
    if (host.find('/') != std::string_view::npos) return "give the host alone, without a scheme or a path";
    const std::optional<HostPort> split = SplitHostPort(host);
    if (!split) return "only a port may follow a bracketed address, and the bracket must be closed";
    if (split->bracketed ? !ParsesAs(AF_INET6, split->host) : !IsValidHostName(split->host)) {
        return split->bracketed ? "it is no IPv6 address in brackets" : "it is no host name or address";
    }
    if (split->port && !PortNumber(*split->port)) return "the port must be a number from 1 to 65535";
    return std::nullopt;
}

SearchHostsReading ReadSearchHosts(const std::function<const char*(const char* name)>& lookup) {
    SearchHostsReading reading;
    for (auto [variable, host] : {std::pair{kAltavistaHostVariable, &reading.hosts.altavista},
                                  std::pair{kYahooHostVariable, &reading.hosts.yahoo}}) {
        const char* value = lookup(variable);
        if (value == nullptr) continue;
        if (const std::optional<std::string> problem = QueryHostProblem(value)) {
            reading.refusal = std::string(variable) + " is set to \"" + Shown(value) + "\": " + *problem +
                              ".\nIt must be a host name or address with an optional :port, such as "
                              "search.example.org or 127.0.0.1:8080.";
            return reading;
        }
        *host = value;
    }
    return reading;
}
