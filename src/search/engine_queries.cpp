#include "search/engine_queries.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "engine/link_helpers.h"
#include "net/internet_exception.h"
#include "store/address_text.h"
#include "store/records.h"
#include "store/text_utils.h"
#include "workers/worker_control.h"

namespace {

// What sets one engine's query apart from the other's.
struct EngineDesign {
    std::string SearchHosts::*host;
    std::string_view pathAndQueryPrefix;
    std::string_view suffix;
    std::size_t lineStoreCapacity;
    // Links that contain it lead back to the engine.
    std::string_view ownWord;
};

constexpr EngineDesign kAltavista{&SearchHosts::altavista,
                                  "/cgi-bin/query?pg=q&kl=XX&stype=stext&q=", "&search.x=19&search.y=9",
                                  10000, "Altavista"};
constexpr EngineDesign kYahoo{&SearchHosts::yahoo, "/bin/search?p=", "", 2000, "Yahoo"};

constexpr std::size_t kReadBufferSize = 2048;
constexpr std::size_t kMaxStoredLinkLength = decltype(FileEntry::url)::kCapacity;

bool IsKeptInQuery(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("-._~!$'()*,/:?@").find(c) != std::string_view::npos;
}

// The line's link as a search result keeps it, or nothing: links back to
// the engine, links without "http://" and links too long to store go.
std::optional<std::string> ResultLink(std::string_view line, std::string_view ownWord) {
    std::optional<std::string> link = ExtractHrefLink(line);
    if (!link || ContainsNoCase(ownWord, *link) || !ContainsNoCase("http://", *link)) return std::nullopt;
    std::string stored = EscapeBlanks(*link, std::numeric_limits<std::size_t>::max());
    if (stored.size() > kMaxStoredLinkLength) return std::nullopt;
    return stored;
}

// The links of the result page, or nothing when it could not be read. The
// page, then the session, close as they go out of scope. Worker thread.
std::optional<std::vector<std::string>> ReadResultLinks(const EngineDesign& engine, const std::string& url,
                                                        const InternetSessionFactory& sessions,
                                                        WorkerControl* control) {
    std::vector<std::string> links;
    try {
        const std::unique_ptr<InternetSession> session = sessions();
        std::optional<ScopedAbort> abort;
        if (control != nullptr) abort.emplace(*control, [raw = session.get()] { raw->Abort(); });
        OpenUrlOptions options;
        options.failOnHttpError = false;  // an error page is read like any other
        const std::unique_ptr<InternetFile> page = session->OpenURL(url, options);
        page->SetReadBufferSize(kReadBufferSize);
        std::string line;
        for (std::size_t lines = 0; lines < engine.lineStoreCapacity && links.size() < kLinkTableSlots;
             ++lines) {
            if (control != nullptr && !control->Gate().Pass()) return std::nullopt;
            if (!page->ReadString(line)) break;
            if (std::optional<std::string> link = ResultLink(line, engine.ownWord)) {
                links.push_back(std::move(*link));
            }
        }
    } catch (const InternetException&) {
        return std::nullopt;
    }
    return links;
}

int QueryEngine(const EngineDesign& engine, std::string_view searchText, LinkTable& table,
                const SearchEngines& engines, WorkerControl* control) {
    if (searchText.empty()) return kNoSearchText;
    const std::string url = "http://" + engines.hosts.*engine.host + std::string(engine.pathAndQueryPrefix) +
                            EncodeSearchText(searchText) + std::string(engine.suffix);
    std::optional<std::vector<std::string>> links = ReadResultLinks(engine, url, engines.sessions, control);
    if (!links) return kQueryFailed;
    std::move(links->begin(), links->end(), table.begin());
    return static_cast<int>(links->size());
}

}  // namespace

int GetAltavistaLinks(std::string_view searchText, LinkTable& links, const SearchEngines& engines,
                      WorkerControl* control) {
    return QueryEngine(kAltavista, searchText, links, engines, control);
}

int GetYahooLinks(std::string_view searchText, LinkTable& links, const SearchEngines& engines,
                  WorkerControl* control) {
    return QueryEngine(kYahoo, searchText, links, engines, control);
}

std::string EncodeSearchText(std::string_view searchText) {
    std::string query;
    for (char c : searchText) {
        if (c == ' ') {
            query += '+';
        } else if (IsKeptInQuery(c)) {
            query += c;
        } else {
            query += PercentEscape(c);
        }
    }
    return query;
}
