#include <gtest/gtest.h>

#include <map>
#include <string>

#include "search/query_hosts.h"

namespace {

TEST(QueryHostsTest, OnlyAHostNameOrAddressWithAnOptionalPortIsAQueryHost) {
    struct Case {
        std::string host;
        bool accepted;
    };
    const Case cases[] = {
        {"search.yahoo.com", true},
        {"localhost", true},
        {"my-engine.example.org:8080", true},
        {"127.0.0.1:1", true},
        {"10.0.0.7:65535", true},
        {"[::1]:8080", true},
        {"[2001:db8::5]", true},
        {std::string(63, 'a') + ".org", true},
        {"", false},
        {"http://search.example.org", false},
        {"search.example.org/path", false},
        {"search.example.org:", false},
        {"search.example.org:0", false},
        {"search.example.org:65536", false},
        {"search.example.org:80:81", false},
        {"search.example.org:8o", false},
        {"a b.org", false},
        {"user@host.org", false},
        {"host.org?q=1", false},
        {"host.org#x", false},
        {"-lead.org", false},
        {"trail-.org", false},
        {"double..dot.org", false},
        {"dot.org.", false},
        {"300.1.1.1", false},
        {"1.2.3", false},
        {"::1", false},
        {"[::1", false},
        {"[not-v6]:80", false},
        {"[::1]x", false},
        {std::string(64, 'a') + ".org", false},
        {std::string(250, 'a') + ".org", false},
        {std::string("host\0.org", 9), false},
        {"caf\xC3\xA9.org", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(!QueryHostProblem(c.host).has_value(), c.accepted) << c.host;
    }
}

TEST(QueryHostsTest, TheVariablesSetTheHostsAndABadOneIsRefusedByName) {
    std::map<std::string, const char*> environment;
    auto lookup = [&](const char* name) -> const char* {
        auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second;
    };

    SearchHostsReading reading = ReadSearchHosts(lookup);
    EXPECT_EQ(reading.refusal, "");
    EXPECT_EQ(reading.hosts.altavista, SearchHosts().altavista);
    EXPECT_EQ(reading.hosts.yahoo, SearchHosts().yahoo);

    environment["TARRAWICK_ALTAVISTA_HOST"] = "127.0.0.1:8081";
    environment["TARRAWICK_YAHOO_HOST"] = "engine.test";
    reading = ReadSearchHosts(lookup);
    EXPECT_EQ(reading.refusal, "");
    EXPECT_EQ(reading.hosts.altavista, "127.0.0.1:8081");
    EXPECT_EQ(reading.hosts.yahoo, "engine.test");

    environment["TARRAWICK_YAHOO_HOST"] = "http://engine.test/\x01";
    reading = ReadSearchHosts(lookup);
    EXPECT_EQ(reading.refusal,
              "TARRAWICK_YAHOO_HOST is set to \"http://engine.test/?\": give the host alone, without a scheme or a path.\n"
              "It must be a host name or address with an optional :port, such as "
              "search.example.org or 127.0.0.1:8080.");

    environment["TARRAWICK_ALTAVISTA_HOST"] = "";
    reading = ReadSearchHosts(lookup);
    EXPECT_EQ(reading.refusal.rfind("TARRAWICK_ALTAVISTA_HOST is set to \"\": it is empty.", 0), 0u);

    const std::string longValue(5000, 'x');
    environment["TARRAWICK_ALTAVISTA_HOST"] = longValue.c_str();
    reading = ReadSearchHosts(lookup);
    EXPECT_LT(reading.refusal.size(), 300u);  // the message repeats only the start of the value
}

}  // namespace
