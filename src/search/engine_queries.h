#pragma once

// The two search engine queries. Each builds its engine's query address from
// the search string, reads the one result page it returns line by line,
// takes at most one link out of each line and keeps, in page order and with
// duplicates, the links that lead away from the engine.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "net/internet_session.h"
#include "search/query_hosts.h"
#include "workers/web_options.h"

class WorkerControl;

// Where the queries go: the sessions they open, the engines' hosts, and the
// web options (each engine's query template, own-link marker and kind of
// answer; whether https result links are kept). A template still at its
// default goes to the engine's host.
struct SearchEngines {
    InternetSessionFactory sessions;
    SearchHosts hosts;
    WebOptions web{};
};

// The caller's table of links, filled by a query from slot 0 on. Each link
// keeps the letter case of the results page, with every blank written as a
// %XX escape, and fits the address field of a list entry.
inline constexpr std::size_t kLinkTableSlots = 100;
using LinkTable = std::array<std::string, kLinkTableSlots>;

// What a query returns besides a count of links above 0: the page held no
// link that passed (0, an error page included), the page could not be
// opened or read (-1), or there was nothing to search for (-2, nothing sent).
inline constexpr int kNoLinkFound = 0;
inline constexpr int kQueryFailed = -1;
inline constexpr int kNoSearchText = -2;

inline constexpr std::size_t kMaxJsonAnswerBytes = 8 * 1024 * 1024;

// Run on the worker's thread. With a control, the read halts between lines
// while the worker is halted, ends (-1) when the worker is to end, and the
// program's exit aborts it. Lines beyond the engine's line store and links
// beyond the table's slots are ignored; a link longer than an address field
// is dropped, never cut. A JSON answer gives 0 when it is malformed, longer
// than kMaxJsonAnswerBytes (reading stops there) or has no results array;
// its links keep their letter case. A template that cannot work gives -1
// without any traffic.
int GetAltavistaLinks(std::string_view searchText, LinkTable& links, const SearchEngines& engines,
                      WorkerControl* control = nullptr);
int GetYahooLinks(std::string_view searchText, LinkTable& links, const SearchEngines& engines,
                  WorkerControl* control = nullptr);

// The search string as the query's text: each blank becomes '+', and every
// byte that could change the query's meaning or is no printable ASCII
// ('&', '#', '+', '%', '=', '"', ';', '<' and the like) becomes a %XX escape.
std::string EncodeSearchText(std::string_view searchText);
