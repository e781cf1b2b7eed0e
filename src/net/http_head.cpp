#include "net/http_head.h"

#include "store/text_utils.h"

namespace {

// "HTTP/1.1 404 Not Found" gives 404 and "Not Found"; "HTTP/2 404" no reason.
void ParseStatusLine(std::string_view line, int& code, std::string& reason) {
    code = 0;
    reason.clear();
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return;
    std::string_view rest = line.substr(space + 1);
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 3 && IsAsciiDigit(rest[digits])) {
        code = code * 10 + (rest[digits] - '0');
        ++digits;
    }
    if (digits != 3) {
        code = 0;
        return;
    }
    rest.remove_prefix(digits);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    reason = std::string(rest);
}

}  // namespace

bool HttpHead::TakeLine(std::string_view line, bool followsRedirects) {
    if (StartsWithNoCase(line, "HTTP/")) {
        ParseStatusLine(TrimLineEnd(line), statusCode, reason);
        hasLocation = false;
        return false;
    }
    if (StartsWithNoCase(line, "Location:")) {
        hasLocation = true;
        return false;
    }
    if (!TrimLineEnd(line).empty() || statusCode == 0) return false;
    const bool interim = statusCode >= 100 && statusCode < 200;
    const bool followed =
        followsRedirects && hasLocation && statusCode >= 300 && statusCode < 400 && statusCode != 304;
    return !interim && !followed;
}

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}
