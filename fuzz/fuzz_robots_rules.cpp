// Feeds an arbitrary robots.txt and path to the robots.txt rules and checks
// that /robots.txt itself is always allowed, that the Crawl-delay kept is
// within its bounds, and that a normalised path is plain printable ASCII.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/robots_rules.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first line is the path; the rest is the file.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t end = input.find('\n');
    const std::string_view path = input.substr(0, end);
    const std::string_view text = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);

    const RobotsRules rules = RobotsRules::Parse(text, "Tarrawick");
    Require(rules.Allows("/robots.txt"));
    if (const auto delay = rules.CrawlDelay()) {
        Require(delay->count() >= 0 && *delay <= RobotsRules::kLongestCrawlDelay);
    }
    for (const char c : NormalisedRobotsPath(path)) Require(c > ' ' && c < 0x7f);
    rules.Allows(path);
    return 0;
}
