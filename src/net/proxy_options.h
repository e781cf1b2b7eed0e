#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// How the transfers reach the Internet.
enum class ProxyMode {
    kEnvironment,  // as libcurl reads http_proxy, https_proxy, ftp_proxy, all_proxy and no_proxy
    kNone,         // straight to every server, whatever the environment names
    kManual,       // through the proxy the options name
};

// What a manual proxy speaks. kSocks5h hands host names to the proxy, which
// resolves them; kSocks5 resolves them here first.
enum class ProxyScheme { kHttp, kHttps, kSocks5, kSocks5h };

inline constexpr std::size_t kMaxProxyHostLength = 253;
// SOCKS5 carries each in a field of one length byte.
inline constexpr std::size_t kMaxProxyUserLength = 255;
inline constexpr std::size_t kMaxProxyPasswordLength = 255;
inline constexpr std::size_t kMaxProxyBypassLength = 1024;
inline constexpr int kDefaultProxyPort = 8080;

// The proxy of the transfers. A worker takes a copy when it starts.
struct ProxyOptions {
    ProxyMode mode = ProxyMode::kEnvironment;
    // The rest counts only for kManual.
    ProxyScheme scheme = ProxyScheme::kHttp;
    std::string host;  // a name, an IPv4 address or an IPv6 one in brackets
    int port = kDefaultProxyPort;
    std::string user;  // empty: no login
    // Held in memory for the run only: never saved, logged or shown.
    std::string password;
    // Hosts reached without the proxy, separated by commas: a name also
    // covers the names that end in it ("example.org": "www.example.org"),
    // an address stands for itself, "*" for every host.
    std::string bypass;

    bool operator==(const ProxyOptions&) const = default;
};

// "http", "https", "socks5" or "socks5h": the scheme as options.conf and
// the proxy's address write it.
std::string_view ProxySchemeName(ProxyScheme scheme);
std::optional<ProxyScheme> ProxySchemeNamed(std::string_view name);

// Why each field cannot be used, or nothing when it can.
std::optional<std::string> ProxyHostProblem(std::string_view host);
std::optional<std::string> ProxyPortProblem(int port);
std::optional<std::string> ProxyUserProblem(std::string_view user);
std::optional<std::string> ProxyPasswordProblem(std::string_view password);
std::optional<std::string> ProxyBypassProblem(std::string_view bypass);

// The first field of a manual proxy that cannot be used, named, e.g.
// "The proxy port must be a whole number from 1 to 65535"; nothing for the
// other modes, whose fields are not used.
std::optional<std::string> ProxyProblem(const ProxyOptions& proxy);

// "socks5h://host:port": the proxy's address, without the login.
std::string ProxyAddress(const ProxyOptions& proxy);
