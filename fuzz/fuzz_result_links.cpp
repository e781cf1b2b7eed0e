// Serves arbitrary bytes as the result page of each search engine and checks
// the links the queries keep: at most a table's worth, each one fit for an
// address field, without blanks, leading away from the engine.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "search/engine_queries.h"
#include "store/records.h"
#include "store/text_utils.h"
#include "support/fake_internet.h"

namespace {

constexpr std::string_view kSearchText = "zip tools";

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckLinks(int count, const LinkTable& links, std::string_view ownWord) {
    Require(count >= kQueryFailed && count <= static_cast<int>(kLinkTableSlots));
    for (int i = 0; i < count; ++i) {
        const std::string& link = links[static_cast<std::size_t>(i)];
        Require(link.size() <= decltype(FileEntry::url)::kCapacity);
        Require(link.find_first_of(" \t\r\n\v\f") == std::string::npos);
        Require(FoldedCopy(link).find("http://") != std::string::npos);
        Require(FoldedCopy(link).find(FoldedCopy(ownWord)) == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    FakeInternet internet;
    const std::string query = EncodeSearchText(kSearchText);
    internet.Serve(
        "http://altavista.test/cgi-bin/query?pg=q&kl=XX&stype=stext&q=" + query + "&search.x=19&search.y=9",
        page);
    internet.Serve("http://yahoo.test/bin/search?p=" + query, page);
    const SearchEngines engines{internet.Factory(), SearchHosts{"altavista.test", "yahoo.test"}};

    LinkTable links;
    const int altavista = GetAltavistaLinks(kSearchText, links, engines);
    Require(altavista != kQueryFailed);  // the page is served, so it is read
    CheckLinks(altavista, links, "Altavista");
    LinkTable yahooLinks;
    CheckLinks(GetYahooLinks(kSearchText, yahooLinks, engines), yahooLinks, "Yahoo");
    return 0;
}
