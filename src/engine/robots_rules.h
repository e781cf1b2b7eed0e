#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a site's robots.txt allows a crawler, read as RFC 9309 says: the
// group of the crawler's product token (all such groups together), else
// that of "*"; of the Allow and Disallow rules matching a path, the longest
// wins, Allow on a tie; "*" stands for any bytes and a final "$" for the
// end of the path; paths and rules are compared with their percent-encoding
// made uniform. The group's Crawl-delay, a common extension, is kept too.
class RobotsRules {
public:
    // The most of a robots.txt that is read; the rest is left out.
    static constexpr std::size_t kMaxSize = 500 * 1024;
    // A longer Crawl-delay is taken as this long.
    static constexpr std::chrono::seconds kLongestCrawlDelay{60};

    // Worker thread.
    static RobotsRules AllowingAll() { return RobotsRules(false); }
    static RobotsRules AllowingNothing() { return RobotsRules(true); }
    static RobotsRules Parse(std::string_view text, std::string_view productToken);

    // Worker thread: whether the path (with its query, from the first '/')
    // may be fetched. /robots.txt itself always may.
    bool Allows(std::string_view pathAndQuery) const;

    std::optional<std::chrono::milliseconds> CrawlDelay() const { return crawlDelay_; }

private:
    struct Rule {
        std::string pattern;  // normalised
        bool allow = false;
    };

    explicit RobotsRules(bool allowsNothing) : allowsNothing_(allowsNothing) {}

    bool allowsNothing_;
    std::vector<Rule> rules_;
    std::optional<std::chrono::milliseconds> crawlDelay_;
};

// Any thread: the path with its percent-encoding made uniform: escapes of
// unreserved characters decoded, other escapes in upper case, bytes outside
// ASCII escaped.
std::string NormalisedRobotsPath(std::string_view path);
