#include "search/engine_queries.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "engine/link_helpers.h"
#include "net/internet_exception.h"
#include "search/json_results.h"
#include "store/address_text.h"
#include "store/records.h"
#include "workers/worker_control.h"

namespace {

// What sets one engine's query apart from the other's, besides its setting.
struct EngineDesign {
    SearchEngine engine;
    std::string SearchHosts::*host;
    EngineSetting WebOptions::*setting;
    std::size_t lineStoreCapacity;
};

constexpr EngineDesign kAltavista{SearchEngine::kAltavista, &SearchHosts::altavista, &WebOptions::altavista,
                                  10000};
constexpr EngineDesign kYahoo{SearchEngine::kYahoo, &SearchHosts::yahoo, &WebOptions::yahoo, 2000};

// Which result links a query keeps.
struct ResultFilter {
    // Links that contain it lead back to the engine; empty: none does.
    std::string_view ownLinkMarker;
    bool keepHttps;
};

constexpr std::size_t kReadBufferSize = 2048;
constexpr std::size_t kMaxStoredLinkLength = decltype(FileEntry::url)::kCapacity;

bool IsKeptInQuery(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("-._~!$'()*,/:?@").find(c) != std::string_view::npos;
}

constexpr std::size_t kJsonReadBlock = 64 * 1024;

// The link as a search result keeps it, or nothing: links back to the
// engine, links of other schemes and links too long to store go.
std::optional<std::string> KeptLink(std::string_view link, const ResultFilter& filter) {
    if (!filter.ownLinkMarker.empty() && ContainsNoCase(filter.ownLinkMarker, link)) return std::nullopt;
    if (!ContainsNoCase("http://", link) && !(filter.keepHttps && ContainsNoCase("https://", link))) {
        return std::nullopt;
    }
    std::string stored = EscapeBlanks(link, std::numeric_limits<std::size_t>::max());
    if (stored.size() > kMaxStoredLinkLength) return std::nullopt;
    return stored;
}

// The session and the open answer of one query; the answer closes before
// the session. Worker thread.
class OpenQuery {
public:
    OpenQuery(const std::string& url, const InternetSessionFactory& sessions, WorkerControl* control)
        : session_(sessions()) {
        if (control != nullptr) abort_.emplace(*control, [raw = session_.get()] { raw->Abort(); });
        OpenUrlOptions options;
        options.failOnHttpError = false;  // an error page is read like any other
        answer_ = session_->OpenURL(url, options);
        answer_->SetReadBufferSize(kReadBufferSize);
    }

    InternetFile& Answer() { return *answer_; }

private:
    std::unique_ptr<InternetSession> session_;
    std::optional<ScopedAbort> abort_;
    std::unique_ptr<InternetFile> answer_;
};

bool PassesGate(WorkerControl* control) { return control == nullptr || control->Gate().Pass(); }

// The links of an HTML result page, at most one per line, or nothing when
// the worker is to end.
std::optional<std::vector<std::string>> ReadHtmlLinks(InternetFile& page, std::size_t lineStoreCapacity,
                                                      const ResultFilter& filter, WorkerControl* control) {
    std::vector<std::string> links;
    std::string line;
    for (std::size_t lines = 0; lines < lineStoreCapacity && links.size() < kLinkTableSlots; ++lines) {
        if (!PassesGate(control)) return std::nullopt;
        if (!page.ReadString(line)) break;
        const std::optional<std::string> link = ExtractHrefLink(line);
        if (!link) continue;
        if (std::optional<std::string> kept = KeptLink(*link, filter)) links.push_back(std::move(*kept));
    }
    return links;
}

// The links of a JSON answer: none when it is too long, malformed or has no
// results array; nothing when the worker is to end.
std::optional<std::vector<std::string>> ReadJsonLinks(InternetFile& answer, const ResultFilter& filter,
                                                      WorkerControl* control) {
    std::string text;
    std::string block(kJsonReadBlock, '\0');
    for (;;) {
        if (!PassesGate(control)) return std::nullopt;
        const std::size_t count = answer.Read(block.data(), block.size());
        if (count == 0) break;
        if (text.size() + count > kMaxJsonAnswerBytes) return std::vector<std::string>();
        text.append(block.data(), count);
    }
    std::vector<std::string> links;
    const std::optional<std::vector<std::string>> urls = JsonResultUrls(text);
    if (!urls) return links;
    for (const std::string& url : *urls) {
        if (links.size() == kLinkTableSlots) break;
        if (std::optional<std::string> kept = KeptLink(url, filter)) links.push_back(std::move(*kept));
    }
    return links;
}

// The kept links of the answer, or nothing when it could not be read.
std::optional<std::vector<std::string>> ReadResultLinks(const EngineDesign& engine,
                                                        const EngineSetting& setting, const std::string& url,
                                                        const SearchEngines& engines,
                                                        WorkerControl* control) {
    const ResultFilter filter{setting.ownLinkMarker, engines.web.followHttpsAndRedirects};
    try {
        OpenQuery query(url, engines.sessions, control);
        return setting.answer == EngineAnswer::kJson
                   ? ReadJsonLinks(query.Answer(), filter, control)
                   : ReadHtmlLinks(query.Answer(), engine.lineStoreCapacity, filter, control);
    } catch (const InternetException&) {
        return std::nullopt;
    }
}

int QueryEngine(const EngineDesign& engine, std::string_view searchText, LinkTable& table,
                const SearchEngines& engines, WorkerControl* control) {
    if (searchText.empty()) return kNoSearchText;
    const EngineSetting& setting = engines.web.*engine.setting;
    const std::string queryTemplate =
        EffectiveQueryTemplate(engine.engine, setting, engines.hosts.*engine.host);
    if (QueryTemplateProblem(queryTemplate)) return kQueryFailed;
    const std::string url = QueryAddress(queryTemplate, EncodeSearchText(searchText));
    std::optional<std::vector<std::string>> links = ReadResultLinks(engine, setting, url, engines, control);
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
