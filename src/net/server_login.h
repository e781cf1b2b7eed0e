#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/internet_exception.h"

// The scheme, host and port a login was given for: the only server it is
// ever sent to. Pure values; any thread.
struct LoginOrigin {
    std::string scheme;  // "http", "https" or "ftp", lower case
    std::string host;    // lower case; an IPv6 address without its brackets
    int port = 0;        // the scheme's own when the address names none

    bool operator==(const LoginOrigin&) const = default;
};

// A user name and password for one origin. Held in memory only.
struct ServerLogin {
    LoginOrigin origin;
    std::string user;
    std::string password;

    bool operator==(const ServerLogin&) const = default;
};

// The origin of an http, https or ftp address (any user name in it is
// skipped); nothing for another scheme or an address without a usable host
// and port.
std::optional<LoginOrigin> LoginOriginOf(std::string_view url);

// "https://host:8443": an origin as the login dialog names it.
std::string OriginText(const LoginOrigin& origin);

// The login given for exactly that origin, or null.
const ServerLogin* FindLogin(const std::vector<ServerLogin>& logins, const LoginOrigin& origin);

// The realm a WWW-Authenticate challenge names ("" when it names none), cut
// to a length a dialog can show.
std::string ChallengeRealm(std::string_view challenge);

// The server answered 401: it wants a login, or refused the one sent. Says
// which address answered (the last one, after redirections) and the realm
// it named.
class LoginRequired : public InternetException {
public:
    LoginRequired(std::string url, std::string realm, std::string_view message)
        : InternetException(InternetError::kLoginRequired, message),
          url_(std::move(url)),
          realm_(std::move(realm)) {}

    const std::string& Url() const { return url_; }
    const std::string& Realm() const { return realm_; }

private:
    std::string url_;
    std::string realm_;
};
