#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "workers/web_options.h"

// The hosts that the two engine queries are sent to, each a host name or
// address with an optional ":port". The environment may name others, e.g. a
// stand-in of an engine on this machine.
inline constexpr const char* kAltavistaHostVariable = "TARRAWICK_ALTAVISTA_HOST";
inline constexpr const char* kYahooHostVariable = "TARRAWICK_YAHOO_HOST";

struct SearchHosts {
    std::string altavista = kDefaultAltavistaHost;
    std::string yahoo = kDefaultYahooHost;
};

// Why the text cannot be a query host, or nothing when it is one: a host
// name (letters, digits and '-' in dot-separated labels), a dotted IPv4
// address or a bracketed IPv6 address, then optionally ':' and a port from
// 1 to 65535. Anything else (a scheme, a path, a blank, a second port, an
// empty or over-long text) is refused rather than sent.
std::optional<std::string> QueryHostProblem(std::string_view host);

// The hosts as the environment sets them: `lookup` gives a variable's value
// or null when it is not set, and an unset variable keeps its default.
struct SearchHostsReading {
    SearchHosts hosts;
    // Empty when both hosts are usable; else the message that refuses the
    // first bad one, naming the variable and what it holds.
    std::string refusal;
};
SearchHostsReading ReadSearchHosts(const std::function<const char*(const char* name)>& lookup);
