#include "search/query_hosts.h"

#include <map>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(QueryHostsTest, OnlyAHostNameOrAddressWithAnOptionalPortIsAQueryHost) {
    const std::string accepted[] = {
        "search.yahoo.com", "localhost",     "my-engine.example.org:8080", "127.0.0.1:1", "10.0.0.7:65535",
        "[::1]:8080",       "[2001:db8::5]", std::string(63, 'a') + ".org"};
    const std::string refused[] = {"",
                                   "http://engine.org",
                                   "engine.org/path",
                                   "engine.org:",
                                   "engine.org:0",
                                   "engine.org:65536",
                                   "engine.org:80:81",
                                   "engine.org:8o",
                                   "a b.org",
                                   "user@host.org",
                                   "host.org?q=1",
                                   "host.org#x",
                                   "-lead.org",
                                   "trail-.org",
                                   "double..dot.org",
                                   "dot.org.",
                                   "300.1.1.1",
                                   "1.2.3",
                                   "::1",
                                   "[::1",
                                   "[not-v6]:80",
                                   "[::1]x",
                                   std::string(64, 'a') + ".org",
                                   std::string(250, 'a') + ".org",
                                   std::string("host\0.org", 9),
                                   "caf\xC3\xA9.org"};
    for (const std::string& host : accepted) EXPECT_FALSE(QueryHostProblem(host)) << host;
    for (const std::string& host : refused) EXPECT_TRUE(QueryHostProblem(host)) << host;
}

TEST(QueryHostsTest, TheVariablesSetTheHostsAndABadOneIsRefusedByName) {
    std::map<std::string, std::string> environment;
    auto lookup = [&](const char* name) -> const char* {
        auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    };
    SearchHostsReading reading = ReadSearchHosts(lookup);
    EXPECT_EQ(reading.refusal, "");
    EXPECT_EQ(reading.hosts.altavista, "www.altavista.com");
    EXPECT_EQ(reading.hosts.yahoo, "search.yahoo.com");

    environment = {{"TARRAWICK_ALTAVISTA_HOST", "127.0.0.1:8081"}, {"TARRAWICK_YAHOO_HOST", "engine.test"}};
    reading = ReadSearchHosts(lookup);
    EXPECT_EQ(reading.refusal, "");
    EXPECT_EQ(reading.hosts.altavista, "127.0.0.1:8081");
    EXPECT_EQ(reading.hosts.yahoo, "engine.test");

    environment["TARRAWICK_YAHOO_HOST"] = "http://engine.test/\x01" + std::string(5000, 'x');
    EXPECT_EQ(ReadSearchHosts(lookup).refusal,
              "TARRAWICK_YAHOO_HOST is set to \"http://engine.test/?" + std::string(60, 'x') +
                  "...\": it is too long.\nIt must be a host name or "
                  "address with an optional :port, such as search.example.org or 127.0.0.1:8080.");
}

}  // namespace
