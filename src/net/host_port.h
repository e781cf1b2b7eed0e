#pragma once

#include <optional>
#include <string_view>

// A host with an optional port, as it stands after "//" in an address or in
// a setting: "host", "host:port", "[v6 address]" or "[v6 address]:port".
// Pure functions; any thread may call them.
struct HostPort {
    std::string_view host;                 // without the brackets
    bool bracketed = false;                // an IPv6 address in brackets
    std::optional<std::string_view> port;  // the text after the ':', not yet checked
};

// Nothing when a bracket is not closed or anything but ":port" follows it.
// The host is not checked; a host without brackets ends at its first ':'.
std::optional<HostPort> SplitHostPort(std::string_view text);

// The port as a number from 1 to 65535, written in digits only.
std::optional<int> PortNumber(std::string_view text);
