#include "search/engine_queries.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "net/curl_session.h"
#include "support/search_engine_stand_ins.h"
#include "support/tls_test_server.h"
#include "workers/worker_control.h"

namespace {

using namespace std::chrono_literals;

// The two queries against a stand-in of each engine on a local test server.
class EngineQueriesTest : public ::testing::Test {
protected:
    std::vector<std::string> Stored(int count) const { return {links.begin(), links.begin() + count}; }

    SearchEngineStandIns standIns;
    SearchEngines engines{CurlSessionFactory(), standIns.Hosts()};
    LinkTable links;
};

TEST_F(EngineQueriesTest, TheQueryCarriesTheSearchStringAsTypedBetweenTheEnginesFixedParts) {
    const std::pair<const char*, std::string> cases[] = {
        {"two words", "two+words"},
        {" leading blank", "+leading+blank"},
        {"c++ & tools #1", "c%2B%2B+%26+tools+%231"},
        {"a=\"b\";100% caf\xC3\xA9", "a%3D%22b%22%3B100%25+caf%C3%A9"},
    };
    for (const auto& [searchText, queryText] : cases) {
        GetAltavistaLinks(searchText, links, engines);
        GetYahooLinks(searchText, links, engines);
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(standIns.altavista.Requests().at(i).target,
                  "/cgi-bin/query?pg=q&kl=XX&stype=stext&q=" + cases[i].second + "&search.x=19&search.y=9");
        EXPECT_EQ(standIns.yahoo.Requests().at(i).target, "/bin/search?p=" + cases[i].second);
    }
}

TEST_F(EngineQueriesTest, EachLineGivesAtMostOneLinkThatLeadsAwayFromTheEngine) {
    const std::string longLink = "http://a.org/" + std::string(241, 'x');  // 254 characters
    const std::string page =
        "<a href=\"http://first.org/a.zip\">a</a> <a href=\"http://second.org/b.zip\">b</a>\r\n"
        "<a href=\"http://tools.org/x.zip\">write to mailto:me@tools.org</a>\r\n"
        "<a href=\"http://www.altavista.com/help.html\">own help</a>\r\n"
        "<a href=\"http://search.yahoo.com/search?p=x\">the other engine</a>\r\n"
        "<A HREF=\"HTTP://Example.COM/Caps.ZIP\">capitals</A>\r\n"
        "<a href=\"/cgi-bin/query?q=next\">next</a> <a href=\"more.html\">more</a>\r\n"
        "<a href=\"ftp://files.org/f.zip\">ftp</a>\r\n"
        "<a href=\"http://twice.org/t.zip\">once</a>\r\n<a href=\"http://twice.org/t.zip\">twice</a>\r\n"
        "<a href=\"http://a.org/my file.zip\">blank</a>\r\n"
        "<a href=\"" +
        longLink + "\">fits</a>\r\n<a href=\"" + longLink +
        "y\">one too long</a>\r\n"
        "<a href=\"" +
        longLink.substr(2) +
        " \">too long once escaped</a>\r\n"
        "<a href='http://quoted.org/q.zip'>no line feed at the end</a>";
    standIns.ServeAltavista("q", TestHttpReply::Ok(page));
    standIns.ServeYahoo("q", TestHttpReply::Ok(page));
    std::vector<std::string> expected = {"http://first.org/a.zip",
                                         "http://search.yahoo.com/search?p=x",
                                         "HTTP://Example.COM/Caps.ZIP",
                                         "http://twice.org/t.zip",
                                         "http://twice.org/t.zip",
                                         "http://a.org/my%20file.zip",
                                         longLink,
                                         "http://quoted.org/q.zip"};
    EXPECT_EQ(Stored(GetAltavistaLinks("q", links, engines)), expected);
    expected[1] = "http://www.altavista.com/help.html";
    EXPECT_EQ(Stored(GetYahooLinks("q", links, engines)), expected);
}

TEST_F(EngineQueriesTest, TheResultTellsFailuresAndPagesWithoutLinksApart) {
    standIns.ServeAltavista("none",
                            TestHttpReply::Ok(ResultPage({"/relative.html", "http://altavista.com/"})));
    standIns.ServeAltavista("error", TestHttpReply::Status(500, "Internal Server Error", "<h1>Sorry</h1>"));
    standIns.ServeAltavista("linked",
                            TestHttpReply::Status(503, "Unavailable", ResultPage({"http://b.org/"})));
    standIns.ServeAltavista(
        "cut", TestHttpReply::Cut(TestReplyEnding::kReset, ResultPage(NumberedLinks("c.org", 50)), 300));
    EXPECT_EQ(GetAltavistaLinks("none", links, engines), kNoLinkFound);
    EXPECT_EQ(GetAltavistaLinks("error", links, engines), kNoLinkFound);
    EXPECT_EQ(GetAltavistaLinks("linked", links, engines), 1);  // the status is not examined
    EXPECT_EQ(GetAltavistaLinks("cut", links, engines), kQueryFailed);
    EXPECT_EQ(GetAltavistaLinks("", links, engines), kNoSearchText);
    EXPECT_EQ(GetYahooLinks("", links, engines), kNoSearchText);
    EXPECT_EQ(standIns.RequestCount(), 4u);
    engines.hosts.yahoo = "127.0.0.1:" + std::to_string(ClosedLocalPort());
    EXPECT_EQ(GetYahooLinks("refused", links, engines), kQueryFailed);
}

TEST_F(EngineQueriesTest, ASilentEngineOrTheWorkersEndFailsTheQuery) {
    standIns.ServeYahoo("silent", TestHttpReply::Cut(TestReplyEnding::kStallBeforeHeaders, "", 0));
    standIns.ServeAltavista(
        "stalls", TestHttpReply::Cut(TestReplyEnding::kStall, ResultPage(NumberedLinks("a.org", 9)), 40));
    WorkerControl control;
    int ended = 0;
    std::thread worker([&] { ended = GetAltavistaLinks("stalls", links, engines, &control); });
    standIns.altavista.WaitUntilStalled();
    control.End();
    worker.join();
    EXPECT_EQ(ended, kQueryFailed);

    CurlSessionSettings settings;
    settings.silenceLimit = 200ms;
    engines.sessions = CurlSessionFactory(settings);
    EXPECT_EQ(GetYahooLinks("silent", links, engines), kQueryFailed);
    standIns.altavista.ReleaseStalled();
    standIns.yahoo.ReleaseStalled();
}

TEST_F(EngineQueriesTest, LinesAndLinksBeyondTheEnginesLimitsAreIgnored) {
    const std::string link = "<a href=\"http://late.org/l.zip\">late</a>\n";
    const std::tuple<decltype(&GetYahooLinks), std::string, int> cases[] = {
        {GetAltavistaLinks, std::string(9999, '\n') + link, 1},
        {GetAltavistaLinks, std::string(10000, '\n') + link, 0},
        {GetYahooLinks, std::string(1999, '\n') + link, 1},
        {GetYahooLinks, std::string(2000, '\n') + link, 0},
        {GetYahooLinks, ResultPage(NumberedLinks("many.org", 150)), 100}};
    for (const auto& [query, page, expected] : cases) {
        standIns.ServeAltavista("limits", TestHttpReply::Ok(page));
        standIns.ServeYahoo("limits", TestHttpReply::Ok(page));
        EXPECT_EQ(query("limits", links, engines, nullptr), expected);
    }
    EXPECT_EQ(links.back(), "http://many.org/100.zip");
}

// A JSON engine answers {"results": [{"url": ...}, ...]}: its urls are the
// links, in order, with duplicates, filtered as page links are; an answer
// that is malformed, over the size limit or has no results array gives 0.
TEST_F(EngineQueriesTest, AJsonEngineGivesItsResultUrlsOrNoneWhenTheAnswerIsUnfit) {
    engines.web.altavista = {standIns.altavista.Url("/search?q={words}&format=json"), "searx",
                             EngineAnswer::kJson};
    const std::string answer =
        R"({"query": "w", "results": [{"url": "http://a.org/1.zip", "title": "one"}, {"title": "no url"},)"
        R"( {"url": 5}, {"url": "https://b.org/2.zip"}, {"url": "http://a.org/1.zip"}, "stray",)"
        R"( {"url": "http://searx.local/about"}, {"more": {"url": "http://deep.org/"}, "url": "HTTP://C.org/C.zip"}],)"
        R"( "answers": [{"url": "http://not.a.result/"}]})";
    std::string many = R"({"results": [)";
    for (int i = 0; i < 150; ++i)
        many += std::string(i == 0 ? "" : ",") + R"({"url": "http://m.org/)" + std::to_string(i) + R"("})";
    many += "]}";
    const std::string padding(kMaxJsonAnswerBytes, ' ');
    struct Case {
        std::string body;
        bool keepHttps;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {answer, false, {"http://a.org/1.zip", "http://a.org/1.zip", "HTTP://C.org/C.zip"}},
        {answer,
         true,
         {"http://a.org/1.zip", "https://b.org/2.zip", "http://a.org/1.zip", "HTTP://C.org/C.zip"}},
        {R"({"results": [{"url": "http://a.org/1.zip"}])", true, {}},  // malformed
        {R"({"results": {"url": "http://a.org/1.zip"}})", true, {}},   // no results array
        {R"([{"results": [{"url": "http://a.org/1.zip"}]}])", true, {}},
        {R"({"results": [{"url": "http://a.org/1.zip"}]})" + padding, true, {}},  // too long
        {R"({"results": [{"url": "http://a.org/1.zip"}]})" + padding.substr(44),
         true,
         {"http://a.org/1.zip"}},
    };
    for (const Case& c : cases) {
        engines.web.followHttpsAndRedirects = c.keepHttps;
        standIns.altavista.Route("/search?q=two+words&format=json", TestHttpReply::Ok(c.body));
        const int found = GetAltavistaLinks("two words", links, engines);
        EXPECT_EQ(found, static_cast<int>(c.expected.size())) << c.body.substr(0, 60);
        if (found > 0) {
            EXPECT_EQ(Stored(found), c.expected);
        }
    }
    standIns.altavista.Route("/search?q=two+words&format=json", TestHttpReply::Ok(many));
    EXPECT_EQ(GetAltavistaLinks("two words", links, engines), 100);
    EXPECT_EQ(links.back(), "http://m.org/99");
}

// A template may use https and any port, and reaches its engine through a
// redirection too; https result links stay only with the option. A template
// that cannot work sends nothing.
TEST_F(EngineQueriesTest, TemplatesReachTheirEngineOverHttpOrHttps) {
    TlsTestServer tls;
    CurlSessionSettings settings;
    settings.extraCaFile = TestAuthorityFile();
    engines.sessions = CurlSessionFactory(settings);
    tls.backend.Route("/s?q=w&x=1", TestHttpReply::Ok(ResultPage({"http://a.org/1.zip", "https://b.org/2.zip",
                                                                  "https://yahoo.example/own"})));
    tls.backend.Route("/old?q=w", TestHttpReply::Redirect(302, tls.HttpsUrl("/s?q=w&x=1")));
    struct Case {
        std::string queryTemplate;
        bool keepHttps;
        int expected;
    };
    const Case cases[] = {
        {tls.HttpsUrl("/s?q={words}&x=1"), true, 2},
        {tls.HttpsUrl("/s?q={words}&x=1"), false, 1},
        {tls.HttpUrl("/old?q={words}"), true, 2},
        {"127.0.0.1/s?q={words}", true, kQueryFailed},         // no scheme
        {tls.HttpsUrl("/s?q=w"), true, kQueryFailed},          // no {words}
        {tls.HttpsUrl("/s?q={words} x"), true, kQueryFailed},  // a space
        {"https:///s?q={words}", true, kQueryFailed},          // no host
    };
    for (const Case& c : cases) {
        engines.web.followHttpsAndRedirects = c.keepHttps;
        engines.web.yahoo = {c.queryTemplate, "yahoo", EngineAnswer::kHtml};
        EXPECT_EQ(GetYahooLinks("w", links, engines), c.expected) << c.queryTemplate;
    }
    EXPECT_EQ(tls.backend.Requests().size(), 4u);
    EXPECT_EQ(links[1], "https://b.org/2.zip");
}

}  // namespace
