#include "net/server_login.h"

#include <algorithm>

#include "net/host_port.h"
#include "store/text_utils.h"

namespace {

constexpr std::size_t kMaxRealmLength = 100;

struct SchemePort {
    std::string_view scheme;
    int port;
};
constexpr SchemePort kSchemes[] = {{"http", 80}, {"https", 443}, {"ftp", 21}};

}  // namespace

std::optional<LoginOrigin> LoginOriginOf(std::string_view url) {
    const std::size_t separator = url.find("://");
    if (separator == std::string_view::npos) return std::nullopt;
    const std::string scheme = FoldedCopy(url.substr(0, separator));
    const auto known = std::find_if(std::begin(kSchemes), std::end(kSchemes),
                                    [&](const SchemePort& entry) { return entry.scheme == scheme; });
    if (known == std::end(kSchemes)) return std::nullopt;
    std::string_view authority = url.substr(separator + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    const std::optional<HostPort> split = SplitHostPort(authority);
    if (!split || split->host.empty()) return std::nullopt;
    const std::optional<int> port = split->port ? PortNumber(*split->port) : known->port;
    if (!port) return std::nullopt;
    return LoginOrigin{scheme, FoldedCopy(split->host), *port};
}

std::string OriginText(const LoginOrigin& origin) {
    const bool ipv6 = origin.host.find(':') != std::string::npos;
    return origin.scheme + "://" + (ipv6 ? "[" + origin.host + "]" : origin.host) + ":" +
           std::to_string(origin.port);
}

const ServerLogin* FindLogin(const std::vector<ServerLogin>& logins, const LoginOrigin& origin) {
    const auto found = std::find_if(logins.begin(), logins.end(),
                                    [&](const ServerLogin& login) { return login.origin == origin; });
    return found == logins.end() ? nullptr : &*found;
}

std::string ChallengeRealm(std::string_view challenge) {
    const std::string folded = FoldedCopy(challenge);
    const std::size_t name = folded.find("realm=");
    if (name == std::string::npos) return {};
    std::string_view value = challenge.substr(name + 6);
    if (value.starts_with('"')) {
        value.remove_prefix(1);
        value = value.substr(0, value.find('"'));
    } else {
        value = value.substr(0, value.find_first_of(", "));
    }
    std::string realm;
    for (const char c : value.substr(0, kMaxRealmLength)) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) realm += c;
    }
    return realm;
}
