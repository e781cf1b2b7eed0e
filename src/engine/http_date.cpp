#include "engine/http_date.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The number of exactly `digits` digits at `at`, or -1.
int Digits(std::string_view text, std::size_t at, std::size_t digits) {
    if (at + digits > text.size()) return -1;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + digits, value);
    return error == std::errc() && end == text.data() + at + digits ? value : -1;
}

}  // namespace

std::string FormatHttpDate(std::time_t time) {
    std::tm parts{};
    if (gmtime_r(&time, &parts) == nullptr) return {};
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT",
                  kDays.at(static_cast<std::size_t>(parts.tm_wday)), parts.tm_mday,
                  kMonths.at(static_cast<std::size_t>(parts.tm_mon)), parts.tm_year + 1900, parts.tm_hour,
                  parts.tm_min, parts.tm_sec);
    return text;
}

// "Sun, 06 Nov 1994 08:49:37 GMT": the day name is not checked.
std::optional<std::time_t> ParseHttpDate(std::string_view text) {
    if (text.size() != 29 || text.substr(3, 2) != ", " || text.substr(25) != " GMT") return std::nullopt;
    std::tm parts{};
    parts.tm_mday = Digits(text, 5, 2);
    parts.tm_mon = -1;
    for (std::size_t month = 0; month < kMonths.size(); ++month) {
        if (text.substr(8, 3) == kMonths[month]) parts.tm_mon = static_cast<int>(month);
    }
    const int year = Digits(text, 12, 4);
    parts.tm_hour = Digits(text, 17, 2);
    parts.tm_min = Digits(text, 20, 2);
    parts.tm_sec = Digits(text, 23, 2);
    if (parts.tm_mday < 1 || parts.tm_mday > 31 || parts.tm_mon < 0 || year < 1970 || parts.tm_hour < 0 ||
        parts.tm_hour > 23 || parts.tm_min < 0 || parts.tm_min > 59 || parts.tm_sec < 0 ||
        parts.tm_sec > 60 || text[7] != ' ' || text[11] != ' ' || text[16] != ' ' || text[19] != ':' ||
        text[22] != ':') {
        return std::nullopt;
    }
    parts.tm_year = year - 1900;
    return timegm(&parts);
}
