// Feeds arbitrary pages to the page link reader, whole and cut into pieces
// at the input's choosing, and checks that the cuts change nothing and that
// every link is an absolute address without fragment, tab or line feed.
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
    const std::vector<std::string> links = whole.Read(page);
    PageLinkReader cut(kPage);
    std::vector<std::string> pieced;
    for (std::size_t at = 0; at < page.size(); at += pieceSize) {
        for (std::string& link : cut.Read(std::string_view(page).substr(at, pieceSize))) {
            pieced.push_back(std::move(link));
        }
    }
    Require(pieced == links);
    for (const std::string& link : links) {
        Require(IsAbsolute(link));
        Require(link.find_first_of("#\t\n\r") == std::string::npos);
    }
    return 0;
}
