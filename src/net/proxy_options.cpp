#include "net/proxy_options.h"

#include <algorithm>
#include <array>
#include <utility>

#include "store/text_utils.h"

namespace {

constexpr std::array<std::pair<ProxyScheme, std::string_view>, 4> kSchemeNames{{
    {ProxyScheme::kHttp, "http"},
    {ProxyScheme::kHttps, "https"},
    {ProxyScheme::kSocks5, "socks5"},
    {ProxyScheme::kSocks5h, "socks5h"},
}};

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

bool IsNameCharacter(char c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '.' || c == '-' || c == '_';
}

bool IsIpv6Character(char c) {
    return IsAsciiDigit(c) || (FoldAscii(c) >= 'a' && FoldAscii(c) <= 'f') || c == ':' || c == '.';
}

// "[::1]": an IPv6 address in brackets, as an address names it.
bool IsBracketedIpv6(std::string_view host) {
    if (host.size() < 4 || host.front() != '[' || host.back() != ']') return false;
    const std::string_view inside = host.substr(1, host.size() - 2);
    return std::all_of(inside.begin(), inside.end(), IsIpv6Character);
}

// What may stand in a list of bypassed hosts besides names: separators,
// the wildcard, IPv6 addresses with or without brackets and address ranges.
bool IsBypassCharacter(char c) {
    return IsNameCharacter(c) || IsBlank(c) || std::string_view(",*:[]/").find(c) != std::string_view::npos;
}

}  // namespace

std::string_view ProxySchemeName(ProxyScheme scheme) {
    for (const auto& [value, name] : kSchemeNames) {
        if (value == scheme) return name;
    }
    return "http";
}

std::optional<ProxyScheme> ProxySchemeNamed(std::string_view name) {
    for (const auto& [value, known] : kSchemeNames) {
        if (known == name) return value;
    }
    return std::nullopt;
}

std::optional<std::string> ProxyHostProblem(std::string_view host) {
    if (host.empty()) return "must name the proxy";
    if (host.size() > kMaxProxyHostLength) return "is too long";
    if (IsBracketedIpv6(host) || std::all_of(host.begin(), host.end(), IsNameCharacter)) return std::nullopt;
    return "must be a host name or address, without a scheme, port or blank";
}

std::optional<std::string> ProxyPortProblem(int port) {
    if (port >= 1 && port <= 65535) return std::nullopt;
    return "must be a whole number from 1 to 65535";
}

std::optional<std::string> ProxyUserProblem(std::string_view user) {
    if (user.size() > kMaxProxyUserLength) return "is too long";
    if (std::any_of(user.begin(), user.end(), IsControl)) return "holds a control character";
    return std::nullopt;
}

std::optional<std::string> ProxyPasswordProblem(std::string_view password) {
    return ProxyUserProblem(password);
}

std::optional<std::string> ProxyBypassProblem(std::string_view bypass) {
    if (bypass.size() > kMaxProxyBypassLength) return "is too long";
    if (!std::all_of(bypass.begin(), bypass.end(), IsBypassCharacter)) {
        return "must be host names or addresses separated by commas";
    }
    return std::nullopt;
}

std::optional<std::string> ProxyProblem(const ProxyOptions& proxy) {
    if (proxy.mode != ProxyMode::kManual) return std::nullopt;
    const std::pair<std::string_view, std::optional<std::string>> checks[] = {
        {"The proxy host ", ProxyHostProblem(proxy.host)},
        {"The proxy port ", ProxyPortProblem(proxy.port)},
        {"The proxy user name ", ProxyUserProblem(proxy.user)},
        {"The proxy password ", ProxyPasswordProblem(proxy.password)},
        {"The hosts without proxy ", ProxyBypassProblem(proxy.bypass)},
    };
    for (const auto& [field, problem] : checks) {
        if (problem) return std::string(field) + *problem;
    }
    return std::nullopt;
}

std::string ProxyAddress(const ProxyOptions& proxy) {
    return std::string(ProxySchemeName(proxy.scheme)) + "://" + proxy.host + ":" + std::to_string(proxy.port);
}
