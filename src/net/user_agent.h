#pragma once

#include <string>
#include <string_view>

// The name the program gives itself to servers: robots.txt groups are
// chosen by it.
inline constexpr std::string_view kProductToken = "Tarrawick";

// Any thread: the User-Agent of every request, naming the program, its
// version and where to read about it, "Tarrawick/0.1 (+https://...)".
std::string ProgramUserAgent();
