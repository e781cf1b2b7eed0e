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

// A character a service (scheme) name may hold: a letter, a digit, '+', '-'
// or '.'.
bool IsServiceChar(char c);

// Splits the address; nothing when it has no "://", no server, a port that
// is not a number from 1 to 65535, or a control character or space in
// its service, server or port. The letter case of the service is ignored; the
// object is kept as it stands.
std::optional<UrlParts> ParseUrl(std::string_view address);

// The site an http or https address belongs to, for comparing sites across
// the two schemes: "host:port" in lower case, the port left out when it is
// the scheme's default (80 for http, 443 for https), so http://Host/,
// http://host:80/ and https://host/ give one key while http://host:8080/
// gives another. Nothing for any other address.
std::optional<std::string> SameSiteKey(std::string_view address);
