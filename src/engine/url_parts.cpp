#include "engine/url_parts.h"

#include <algorithm>

#include "net/host_port.h"
#include "store/text_utils.h"

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

bool HasSpaceOrControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7f;
    });
}

struct Service {
    std::string_view name;
    UrlService service;
    int port;
};

constexpr Service kServices[] = {
    {"http", UrlService::kHttp, 80},
    {"https", UrlService::kHttps, 443},
    {"ftp", UrlService::kFtp, 21},
};

// "server", "server:port", "[v6]" or "[v6]:port" into the parts.
bool TakeServerAndPort(std::string_view authority, UrlParts& parts) {
    const std::optional<HostPort> split = SplitHostPort(authority);
    if (!split || split->host.empty()) return false;
    if (split->port) {
        const std::optional<int> number = PortNumber(*split->port);
        if (!number) return false;
        parts.port = *number;
    }
    parts.server = split->host;
    return true;
}

}  // namespace

bool IsServiceChar(char c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.'; }

std::optional<std::string> SameSiteKey(std::string_view address) {
    const std::optional<UrlParts> parts = ParseUrl(address);
    if (!parts || (parts->service != UrlService::kHttp && parts->service != UrlService::kHttps)) {
        return std::nullopt;
    }
    const int defaultPort = parts->service == UrlService::kHttp ? 80 : 443;
    std::string key(parts->server);
    std::transform(key.begin(), key.end(), key.begin(), FoldAscii);
    key += ':';
    if (parts->port != defaultPort) key += std::to_string(parts->port);
    return key;
}

std::optional<UrlParts> ParseUrl(std::string_view address) {
    const std::size_t separator = address.find("://");
    if (separator == kNotFound || separator == 0) return std::nullopt;
    const std::string_view service = address.substr(0, separator);
    if (!std::all_of(service.begin(), service.end(), IsServiceChar)) return std::nullopt;

    UrlParts parts;
    parts.port = 0;
    for (const Service& known : kServices) {
        if (EqualsNoCase(service, known.name)) {
            parts.service = known.service;
            parts.port = known.port;
        }
    }

    std::string_view rest = address.substr(separator + 3);
    const std::size_t objectStart = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, objectStart);
    if (const std::size_t at = authority.rfind('@'); at != kNotFound) authority.remove_prefix(at + 1);
    if (HasSpaceOrControl(authority) || !TakeServerAndPort(authority, parts)) return std::nullopt;

    if (objectStart != kNotFound) {
        const std::string_view object = rest.substr(objectStart);
        parts.object = object.front() == '/' ? std::string(object) : "/" + std::string(object);
    }
    return parts;
}
