#include "app/dropped_addresses.h"

#include <algorithm>
#include <utility>

#include "store/address_text.h"
#include "store/records.h"
#include "store/text_utils.h"

namespace {

constexpr std::size_t kUrlCapacity = decltype(FileEntry::url)::kCapacity;
constexpr std::size_t kLinesNamed = 5;
constexpr std::size_t kLineShown = 80;

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == ':' || c == '[' || c == ']' || c == '_';
}

// The server part: up to the first '/', '?' or '#'; not empty, host characters only.
bool HasHost(std::string_view rest) {
    const std::string_view host = rest.substr(0, rest.find_first_of("/?#"));
    return !host.empty() && std::all_of(host.begin(), host.end(), IsHostChar);
}

bool IsAddress(std::string_view line) {
    const bool oneToken = std::none_of(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7f;
    });
    if (!oneToken || WithDefaultScheme(line).size() > kUrlCapacity) return false;
    for (std::string_view scheme : {"http://", "https://", "ftp://"}) {
        if (StartsWithNoCase(line, scheme)) return HasHost(line.substr(scheme.size()));
    }
    if (line.find("//") != std::string_view::npos) return false;  // another scheme
    // "host.example/path": a host name with a dot, and something after it.
    const std::size_t slash = line.find('/');
    const std::string_view host = line.substr(0, slash);
    return slash != std::string_view::npos && host.find('.') != std::string_view::npos && HasHost(line);
}

}  // namespace

DroppedAddresses SplitDroppedText(std::string_view text) {
    DroppedAddresses split;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = TrimBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        (IsAddress(line) ? split.addresses : split.refused).emplace_back(line);
    }
    return split;
}

DroppedAddresses SplitArguments(const std::vector<std::string>& arguments) {
    DroppedAddresses split;
    for (const std::string& argument : arguments) {
        DroppedAddresses one = SplitDroppedText(argument);
        const bool single =
            one.addresses.size() == 1 && one.refused.empty() && argument.find('\n') == std::string::npos;
        if (single) {
            split.addresses.push_back(std::move(one.addresses.front()));
        } else {
            split.refused.push_back(argument);
        }
    }
    return split;
}

std::string RefusalMessage(const std::vector<std::string>& refused) {
    if (refused.empty()) return {};
    std::string message = refused.size() == 1 ? "This is not an address and was not added:"
                                              : "These are not addresses and were not added:";
    for (std::size_t at = 0; at < std::min(refused.size(), kLinesNamed); ++at) {
        const std::string& line = refused[at];
        message += "\n" + (line.size() > kLineShown ? line.substr(0, kLineShown) + "..." : line);
    }
    if (refused.size() > kLinesNamed) message += "\n...";
    return message;
}
