#pragma once

#include <optional>
#include <string>
#include <string_view>

// The parts of an address: "service://[user[:password]@]server[:port][/object]".
// Pure functions; any thread may call them.
enum class UrlService { kHttp, kHttps, kFtp, kOther };

struct UrlParts {
    UrlService service = UrlService::kOther;
    std::string server;        // without brackets for an IPv6 address
    std::string object = "/";  // path with any query, starting with '/'
    int port = 80;             // when the address names none: the service's own, 0 if unknown
};

// Splits the address; nothing when it has no "://", no server, a port that
// is not a number from 1 to 65535, or a control character or space in
// its service, server or port. The letter case of the service is ignored; the
// object is kept as it stands.
std::optional<UrlParts> ParseUrl(std::string_view address);
