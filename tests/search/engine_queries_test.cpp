#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/curl_session.h"
#include "search/engine_queries.h"
#include "support/search_engine_stand_ins.h"
#include "workers/worker_control.h"

namespace {

using namespace std::chrono_literals;
using Query = int (*)(std::string_view, LinkTable&, const SearchEngines&, WorkerControl*);

// The two queries against a stand-in of each engine on a local test server.
class EngineQueriesTest : public ::testing::Test {
protected:
    std::vector<std::string> Stored(int count) const {
        return {links.begin(), links.begin() + std::max(count, 0)};
    }

    SearchEngineStandIns standIns;
    SearchEngines engines{CurlSessionFactory(), standIns.Hosts()};
    LinkTable links;
};

TEST_F(EngineQueriesTest, TheQueryCarriesTheSearchStringAsTypedBetweenTheEnginesFixedParts) {
    struct Case {
        const char* searchText;
        const char* queryText;
    };
    const Case cases[] = {
        {"two words", "two+words"},
        {" leading blank", "+leading+blank"},
        {"c++ & tools #1", "c%2B%2B+%26+tools+%231"},
        {"a=\"b\";100% <x>", "a%3D%22b%22%3B100%25+%3Cx%3E"},
        {"caf\xC3\xA9\t/ok?", "caf%C3%A9%09/ok?"},
    };
    for (const Case& c : cases) {
        GetAltavistaLinks(c.searchText, links, engines);
        GetYahooLinks(c.searchText, links, engines);
    }
    const std::vector<TestHttpRequest> altavista = standIns.altavista.Requests();
    const std::vector<TestHttpRequest> yahoo = standIns.yahoo.Requests();
    ASSERT_EQ(altavista.size(), std::size(cases));
    ASSERT_EQ(yahoo.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].searchText);
        EXPECT_EQ(altavista[i].target,
                  std::string("/cgi-bin/query?pg=q&kl=XX&stype=stext&q=") + cases[i].queryText +
                      "&search.x=19&search.y=9");
        EXPECT_EQ(yahoo[i].target, std::string("/bin/search?p=") + cases[i].queryText);
        EXPECT_EQ(altavista[i].method, "GET");
    }
}

TEST_F(EngineQueriesTest, EachLineGivesAtMostOneLinkThatLeadsAwayFromTheEngine) {
    const std::string longPath(254 - std::string("http://a.org/").size(), 'x');
    const std::string page =
        "<a href=\"http://first.org/a.zip\">a</a> <a href=\"http://second.org/b.zip\">b</a>\r\n"
        "<a href=\"http://tools.org/x.zip\">write to mailto:me@tools.org</a>\r\n"
        "<a href=\"http://www.altavista.com/help.html\">own help</a>\r\n"
        "<a href=\"http://search.yahoo.com/search?p=x\">the other engine</a>\r\n"
        "<A HREF=\"HTTP://Example.COM/Caps.ZIP\">capitals</A>\r\n"
        "<a href=\"/cgi-bin/query?q=next\">next page</a> <a href=\"more.html\">more</a>\r\n"
        "<a href=\"ftp://files.org/f.zip\">ftp</a>\r\n"
        "<a href=\"http://twice.org/t.zip\">once</a>\r\n"
        "<a href=\"http://twice.org/t.zip\">twice</a>\r\n"
        "<a href=\"http://a.org/my file.zip\">blank</a>\r\n"
        "<a href=\"http://a.org/" + longPath + "\">fits the field</a>\r\n"
        "<a href=\"http://a.org/" + longPath + "y\">one too long</a>\r\n"
        "<a href=\"http://a.org/" + longPath.substr(2) + " \">too long once escaped</a>\r\n"
        "<a href='http://quoted.org/q.zip'>single quotes</a>";  // no line feed at the end
    standIns.ServeAltavista("q", TestHttpReply::Ok(page));
    standIns.ServeYahoo("q", TestHttpReply::Ok(page));

    const std::vector<std::string> common = {
        "http://first.org/a.zip", "http://example.com/caps.zip", "http://twice.org/t.zip",
        "http://twice.org/t.zip", "http://a.org/my%20file.zip", "http://a.org/" + longPath,
        "http://quoted.org/q.zip"};
    std::vector<std::string> fromAltavista = common;
    fromAltavista.insert(fromAltavista.begin() + 1, "http://search.yahoo.com/search?p=x");
    std::vector<std::string> fromYahoo = common;
    fromYahoo.insert(fromYahoo.begin() + 1, "http://www.altavista.com/help.html");

    int count = GetAltavistaLinks("q", links, engines);
    EXPECT_EQ(Stored(count), fromAltavista);
    count = GetYahooLinks("q", links, engines);
    EXPECT_EQ(Stored(count), fromYahoo);
}

TEST_F(EngineQueriesTest, TheResultTellsFailuresAndEmptyPagesApart) {
    standIns.ServeAltavista("links", TestHttpReply::Ok(ResultPage(NumberedLinks("a.org", 3))));
    standIns.ServeAltavista("none", TestHttpReply::Ok(ResultPage({"/relative.html", "http://altavista.com/"})));
    standIns.ServeAltavista("error", TestHttpReply::Status(500, "Internal Server Error", "<h1>Sorry</h1>"));
    standIns.ServeAltavista("errorlinks", TestHttpReply::Status(503, "Unavailable", ResultPage({"http://b.org/"})));
    standIns.ServeAltavista("cut", TestHttpReply::Cut(TestReplyEnding::kReset, ResultPage(NumberedLinks("c.org", 50)), 300));

    EXPECT_EQ(GetAltavistaLinks("links", links, engines), 3);
    EXPECT_EQ(GetAltavistaLinks("none", links, engines), kNoLinkFound);
    EXPECT_EQ(GetAltavistaLinks("error", links, engines), kNoLinkFound);
    EXPECT_EQ(GetAltavistaLinks("errorlinks", links, engines), 1);  // the status is not examined
    EXPECT_EQ(GetAltavistaLinks("unrouted", links, engines), kNoLinkFound);  // the server's 404 page
    EXPECT_EQ(GetAltavistaLinks("cut", links, engines), kQueryFailed);
    const std::size_t sent = standIns.altavista.Requests().size();
    EXPECT_EQ(GetAltavistaLinks("", links, engines), kNoSearchText);
    EXPECT_EQ(GetYahooLinks("", links, engines), kNoSearchText);
    EXPECT_EQ(standIns.altavista.Requests().size(), sent);
    EXPECT_TRUE(standIns.yahoo.Requests().empty());

    engines.hosts.yahoo = "127.0.0.1:" + std::to_string(ClosedLocalPort());
    EXPECT_EQ(GetYahooLinks("refused", links, engines), kQueryFailed);
}

TEST_F(EngineQueriesTest, ASilentEngineFailsTheQueryAfterTheSilenceLimit) {
    CurlSessionSettings settings;
    settings.silenceLimit = 200ms;
    engines.sessions = CurlSessionFactory(settings);
    standIns.ServeYahoo("silent", TestHttpReply::Cut(TestReplyEnding::kStallBeforeHeaders, "x", 0));
    standIns.ServeAltavista("stalls", TestHttpReply::Cut(TestReplyEnding::kStall, ResultPage(NumberedLinks("a.org", 9)), 40));
    EXPECT_EQ(GetYahooLinks("silent", links, engines), kQueryFailed);
    EXPECT_EQ(GetAltavistaLinks("stalls", links, engines), kQueryFailed);
    standIns.yahoo.ReleaseStalled();
    standIns.altavista.ReleaseStalled();
}

TEST_F(EngineQueriesTest, LinesAndLinksBeyondTheEnginesLimitsAreIgnored) {
    struct Case {
        Query query;
        std::string page;
        int expected;
    };
    const std::string oneLink = "<a href=\"http://late.org/l.zip\">late</a>\n";
    const Case cases[] = {
        {GetAltavistaLinks, std::string(9999, '\n') + oneLink, 1},
        {GetAltavistaLinks, std::string(10000, '\n') + oneLink, 0},
        {GetYahooLinks, std::string(1999, '\n') + oneLink, 1},
        {GetYahooLinks, std::string(2000, '\n') + oneLink, 0},
        {GetYahooLinks, ResultPage(NumberedLinks("many.org", 150)), 100},
    };
    for (const Case& c : cases) {
        standIns.ServeAltavista("limits", TestHttpReply::Ok(c.page));
        standIns.ServeYahoo("limits", TestHttpReply::Ok(c.page));
        EXPECT_EQ(c.query("limits", links, engines, nullptr), c.expected);
    }
    EXPECT_EQ(links.front(), "http://many.org/1.zip");
    EXPECT_EQ(links.back(), "http://many.org/100.zip");
}

TEST_F(EngineQueriesTest, AWorkerEndingDuringTheQueryAbortsIt) {
    standIns.ServeAltavista("stalls", TestHttpReply::Cut(TestReplyEnding::kStall, ResultPage(NumberedLinks("a.org", 9)), 40));
    WorkerControl control;
    int result = 0;
    std::thread worker([&] { result = GetAltavistaLinks("stalls", links, engines, &control); });
    standIns.altavista.WaitUntilStalled();
    control.End();
    worker.join();
    EXPECT_EQ(result, kQueryFailed);
    standIns.altavista.ReleaseStalled();
}

}  // namespace
