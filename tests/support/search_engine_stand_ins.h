#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/query_hosts.h"
#include "support/test_http_server.h"

// A stand-in of each search engine, each on a test server of its own and
// reached the way the program reaches the engines: the two host variables
// name them while this object lives, and Hosts() reads them back as the
// program does at its start.
class SearchEngineStandIns {
public:
    SearchEngineStandIns();
    ~SearchEngineStandIns();
    SearchEngineStandIns(const SearchEngineStandIns&) = delete;
    SearchEngineStandIns& operator=(const SearchEngineStandIns&) = delete;

    SearchHosts Hosts() const;

    // The request targets of the two engines' queries for a query text as
    // sent (blanks already '+', escapes already made).
    static std::string AltavistaTarget(std::string_view queryText);
    static std::string YahooTarget(std::string_view queryText);

    // Serves the page as the answer of each engine to that query text.
    void ServeAltavista(std::string_view queryText, TestHttpReply reply);
    void ServeYahoo(std::string_view queryText, TestHttpReply reply);

    TestHttpServer altavista;
    TestHttpServer yahoo;
};

// A result page with one anchor line per link, between lines without links.
std::string ResultPage(const std::vector<std::string>& links);

// `count` links http://<site>/<first>.zip, http://<site>/<first + 1>.zip, ...
std::vector<std::string> NumberedLinks(std::string_view site, int count, int first = 1);
