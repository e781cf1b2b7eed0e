#include "net/host_port.h"

namespace {

constexpr std::size_t kMaxPortDigits = 5;
constexpr int kMaxPort = 65535;

}  // namespace

std::optional<HostPort> SplitHostPort(std::string_view text) {
    HostPort split;
    std::string_view rest;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        split.host = text.substr(1, close - 1);
        split.bracketed = true;
        rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') return std::nullopt;
    } else {
        const std::size_t colon = text.find(':');
        split.host = text.substr(0, colon);
        if (colon != std::string_view::npos) rest = text.substr(colon);
    }
    if (!rest.empty()) split.port = rest.substr(1);
    return split;
}

std::optional<int> PortNumber(std::string_view text) {
    if (text.empty() || text.size() > kMaxPortDigits) return std::nullopt;
    int port = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > kMaxPort) return std::nullopt;
    return port;
}
