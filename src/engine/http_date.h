#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// HTTP dates in the one form servers must send and clients must accept,
// "Sun, 06 Nov 1994 08:49:37 GMT", independent of the locale.
std::string FormatHttpDate(std::time_t time);
// Nothing when the text is not such a date.
std::optional<std::time_t> ParseHttpDate(std::string_view text);
