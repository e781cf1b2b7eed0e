// Feeds arbitrary header lines, as libcurl hands them over, to the HTTP head
// reader and checks that the status it keeps is a three-digit code or none,
// that the reason is part of the last status line, and that the error text
// made from them fits an exception's message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/http_head.h"
#include "net/http_status_text.h"
#include "net/internet_exception.h"
#include "store/text_utils.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool followsRedirects = (data[0] & 1) != 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    HttpHead head;
    std::string lastStatusLine;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1);
        rest.remove_prefix(line.size());
        const bool ended = head.TakeLine(line, followsRedirects);
        if (line.size() >= 5 && StartsWithNoCase(line, "HTTP/")) lastStatusLine = line;

        Require(head.statusCode >= 0 && head.statusCode <= 999);
        Require(lastStatusLine.find(head.reason) != std::string::npos);
        Require(!ended || (head.statusCode != 0 && TrimLineEnd(line).empty()));
        const InternetException error(InternetError::kHttpStatus,
                                      HttpStatusText(head.statusCode, head.reason));
        Require(error.Message().size() <= InternetException::kMaxMessageLength);
    }
    return 0;
}
