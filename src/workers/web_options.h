#pragma once

#include <optional>
#include <string>
#include <string_view>

// How a search engine's answer is read.
enum class EngineAnswer {
    kHtml,  // a page read line by line, at most one href link per line
    kJson,  // {"results": [{"url": ...}, ...]}, the urls in order
};

// Where one engine's query goes and how its answer is read.
struct EngineSetting {
    // The query address, with "{words}" where the encoded search string goes.
    std::string queryTemplate;
    // Result links that contain it (letter case ignored) lead back to the
    // engine and are dropped.
    std::string ownLinkMarker;
    EngineAnswer answer = EngineAnswer::kHtml;

    bool operator==(const EngineSetting&) const = default;
};

inline constexpr std::string_view kWordsPlaceholder = "{words}";
inline constexpr std::size_t kMaxQueryTemplateLength = 1024;
inline constexpr std::size_t kMaxOwnLinkMarkerLength = 255;

inline constexpr const char* kDefaultAltavistaHost = "www.altavista.com";
inline constexpr const char* kDefaultYahooHost = "search.yahoo.com";

// The two engines of a search project.
enum class SearchEngine { kAltavista, kYahoo };

// The engine's query as the program has always sent it, to the given host
// (empty: the engine's default host), read as HTML, with its own links
// marked by the engine's name.
EngineSetting DefaultEngineSetting(SearchEngine engine, std::string_view host = {});

inline constexpr int kMinRequestsPerSite = 1;
inline constexpr int kMaxRequestsPerSite = 16;

// What users can change about the web: following https and redirects, and
// the two search engines. The defaults keep the program's plain-http
// behaviour. Workers take a copy when they start.
struct WebOptions {
    // Crawls fetch https addresses too, treat http and https of one host and
    // port as one site, and follow redirections; searches keep https results.
    bool followHttpsAndRedirects = false;
    // Crawls take every link of a page as a browser sees it (every href and
    // frame source, in page order, entities decoded, resolved as RFC 3986
    // says) rather than at most one href and one frame source per line.
    bool readLinksAsBrowser = false;
    // Crawls read only pages below the start address's folder; files linked
    // from them may lie anywhere the site rules allow.
    bool stayBelowStartFolder = false;
    EngineSetting altavista = DefaultEngineSetting(SearchEngine::kAltavista);
    EngineSetting yahoo = DefaultEngineSetting(SearchEngine::kYahoo);
    // Crawls read each site's robots.txt once and fetch only what it allows
    // the program, no sooner after the last request than its Crawl-delay.
    bool obeyRobotsTxt = false;
    // Requests a crawl has in flight at once (kMinRequestsPerSite to
    // kMaxRequestsPerSite): above one, the addresses next on its stack are
    // asked ahead of their turn, while pages are still read in their order.
    int requestsPerSite = kMinRequestsPerSite;

    bool operator==(const WebOptions&) const = default;
};

// Why the template cannot be a query address, or nothing when it can: it
// must start with "http://" or "https://" (any letter case), name a host,
// hold "{words}", have no blank or control character and be at most
// kMaxQueryTemplateLength bytes.
std::optional<std::string> QueryTemplateProblem(std::string_view queryTemplate);

// The template a query uses: one still at its default names `host` (when
// not empty) in place of the default host, so that a host named in the
// environment keeps taking precedence; any other is used as it stands.
std::string EffectiveQueryTemplate(SearchEngine engine, const EngineSetting& setting, std::string_view host);

// The template with every "{words}" replaced by the encoded words.
std::string QueryAddress(std::string_view queryTemplate, std::string_view encodedWords);
