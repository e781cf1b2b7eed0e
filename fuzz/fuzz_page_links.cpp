// Feeds arbitrary pages to the page link reader, whole and cut into pieces
// at the input's choosing, and checks that the cuts change nothing, that
// every link is an absolute address without fragment, tab or line feed, and
// that the links are never more than the page's tags and never much longer
// than the page and its address.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "engine/page_links.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

constexpr const char* kPage = "http://h.test/d1/d2/index.htm?q=1";

bool IsAbsolute(std::string_view link) {
    const std::size_t colon = link.find(':');
    return colon != std::string_view::npos && colon > 0 && colon < link.find_first_of("/?");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::size_t pieceSize = input.ConsumeIntegralInRange<std::size_t>(1, 64);
    const std::string page = input.ConsumeRemainingBytesAsString();

    PageLinkReader whole(kPage);
    std::vector<std::string> links = whole.Read(page);
    for (std::string& link : whole.Finish()) links.push_back(std::move(link));
    PageLinkReader cut(kPage);
    std::vector<std::string> pieced;
    const auto keep = [&pieced](std::vector<std::string> found) {
        for (std::string& link : found) pieced.push_back(std::move(link));
    };
    for (std::size_t at = 0; at < page.size(); at += pieceSize) {
        keep(cut.Read(std::string_view(page).substr(at, pieceSize)));
    }
    keep(cut.Finish());
    Require(pieced == links);
    Require(links.size() <= static_cast<std::size_t>(std::count(page.begin(), page.end(), '<')));
    for (const std::string& link : links) {
        Require(IsAbsolute(link));
        Require(link.find_first_of("#\t\n\r") == std::string::npos);
        // No character reference is much shorter than what it decodes to,
        // and a link is at most a base (the page's address, or a reference
        // of the page) and a reference.
        Require(link.size() <= 3 * page.size() + 2 * std::string_view(kPage).size() + 16);
    }
    return 0;
}
