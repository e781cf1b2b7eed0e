#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/query_hosts.h"
#include "support/test_http_server.h"

// A stand-in of each search engine on a test server of its own, reached as
// the program reaches the engines: the two host variables name them while
// this object lives, and Hosts() reads them back as the program's start does.
class SearchEngineStandIns {
public:
    SearchEngineStandIns();
    ~SearchEngineStandIns();
    SearchEngineStandIns(const SearchEngineStandIns&) = delete;
    SearchEngineStandIns& operator=(const SearchEngineStandIns&) = delete;

    SearchHosts Hosts() const;
    // Each engine's answer to its query with this query text (as sent).
    void ServeAltavista(std::string_view queryText, TestHttpReply reply);
    void ServeYahoo(std::string_view queryText, TestHttpReply reply);
    std::size_t RequestCount() const { return altavista.Requests().size() + yahoo.Requests().size(); }

    TestHttpServer altavista;
    TestHttpServer yahoo;
};

// A result page with a line for each link, between lines without links.
std::string ResultPage(const std::vector<std::string>& links);
// http://<site>/1.zip, http://<site>/2.zip, ... up to `count`.
std::vector<std::string> NumberedLinks(std::string_view site, int count);
