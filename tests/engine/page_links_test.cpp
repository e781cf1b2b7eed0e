#include "engine/page_links.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/url_resolve.h"
#include "store/text_utils.h"

namespace {

using Links = std::vector<std::string>;

constexpr const char* kPage = "http://h/d1/d2/index.htm";

// The page's links, fed to the reader in pieces of the given size.
Links LinksOf(const std::string& page, std::size_t pieceSize, const char* pageAddress = kPage) {
    PageLinkReader reader(pageAddress);
    Links links;
    const auto keep = [&links](std::vector<std::string> found) {
        for (std::string& link : found) links.push_back(std::move(link));
    };
    for (std::size_t at = 0; at < page.size(); at += pieceSize) {
        keep(reader.Read(std::string_view(page).substr(at, pieceSize)));
    }
    keep(reader.Finish());
    return links;
}

struct Case {
    const char* what;
    std::string page;
    Links links;
};

// Each page snippet gives the addresses a browser would follow, in page
// order, however the page is cut into pieces.
TEST(PageLinkReaderTest, EverySnippetGivesTheAddressesABrowserWouldFollow) {
    const std::string longTitle(HtmlTagReader::kMaxTagLength, 'x');
    const Case cases[] = {
        {"resolution, many links on one line",
         R"(<a href="./p3.htm">1</a> <a href="?page=2">2</a> <a href="//other.org/a.zip">3</a>)"
         R"(<a href="d3/../a.zip"></a><a href="../../../../x.zip"></a><a href="/Root/A.zip#part"></a>)"
         R"(<a href="HTTPS://Other.org/B.zip"></a><a href="#top"></a><a href=""></a><a href=" b c.zip ">)",
         {"http://h/d1/d2/p3.htm", "http://h/d1/d2/index.htm?page=2", "http://other.org/a.zip",
          "http://h/d1/d2/a.zip", "http://h/x.zip", "http://h/Root/A.zip", "https://other.org/B.zip",
          "http://h/d1/d2/index.htm", "http://h/d1/d2/index.htm", "http://h/d1/d2/b c.zip"}},
        {"character references",
         R"(<a href="get.php?a=1&amp;b=2&#38;c=3&#x26;d=4&amp">)"
         R"(<a href="q?x=1&copy=2&ampy=3&lt;&#0;&#x110000;&#65">)",
         {"http://h/d1/d2/get.php?a=1&b=2&c=3&d=4&",
          "http://h/d1/d2/q?x=1&copy=2&ampy=3<\xEF\xBF\xBD\xEF\xBF\xBD"
          "A"}},
        {"a base counts from where it stands once the page's body has begun",
         R"(<a href="first.zip"><base href="../up/"><a href="a.zip"><base href="http://cdn.test/">)"
         R"(<a href="/b.zip">)",
         {"http://h/d1/d2/first.zip", "http://h/d1/up/a.zip", "http://h/b.zip"}},
        {"every kind of tag and quoting, and nothing else",
         "<A HREF=a.zip><area href='b.zip'><link rel=x href=c.css><iframe src=\"f.htm\"></iframe>"
         "<frame src=g.htm name=x><img src=\"no.gif\"><a data-href=no.zip title=\"href=no.zip\">"
         "<a href=one.zip href=two.zip><abbr href=no.zip></a href=no.zip><a/href=z.zip>",
         {"http://h/d1/d2/a.zip", "http://h/d1/d2/b.zip", "http://h/d1/d2/c.css", "http://h/d1/d2/f.htm",
          "http://h/d1/d2/g.htm", "http://h/d1/d2/one.zip", "http://h/d1/d2/z.zip"}},
        {"a tag across lines",
         "<a\r\n  class=x\n  href=\n\"multi\n.zip\"\n>text</a>",
         {"http://h/d1/d2/multi.zip"}},
        {"script, style and comments hold no links",
         "<script>document.write('<a href=\"s.zip\">')</script><style>a{}</style>"
         "<!-- <a href=\"c.zip\"> --><SCRIPT type=x>\"</scripts>\" <a href=in.zip></Script ><a href=out.zip>"
         "<!--> <a href=x1.zip><!DOCTYPE html><a href=d.zip><? <a href=p.zip> ?><title><a "
         "href=t.zip></title>",
         {"http://h/d1/d2/out.zip", "http://h/d1/d2/x1.zip", "http://h/d1/d2/d.zip"}},
        {"addresses that lead nowhere to fetch",
         "<a href=\"mailto:me@h\"><a href=\"  JavaScript:void(0)\"><a href=\"data:text/plain,x\">"
         "<a href=\"java\tscript:x\"><a href=\"ftp://f/x.zip\">",
         {"ftp://f/x.zip"}},
        {"a tag too long to keep is skipped whole",
         "<a title=\"" + longTitle + "\" href=long.zip><a href=short.zip>",
         {"http://h/d1/d2/short.zip"}},
    };
    for (const Case& c : cases) {
        for (std::size_t pieceSize : {c.page.size(), std::size_t{1}, std::size_t{7}}) {
            EXPECT_EQ(LinksOf(c.page, pieceSize), c.links) << c.what << ", pieces of " << pieceSize;
        }
    }
}

// Pages written and read by the HTML standard's tokenizer and the URL
// Standard, as html5lib and a browser's URL parser take them
// (tools/gen-page-links-cases). Addresses are compared in the form a
// request sends them, the bytes the crawler escapes written as %XX.
TEST(PageLinkReaderTest, TakesWhatTheStandardsTake) {
    const auto asSent = [](const std::string& link) {
        return PercentEscaped(link, [](char c) {
            constexpr std::string_view kUnsafe = "\"<>\\^`{|}";
            const auto byte = static_cast<unsigned char>(c);
            return byte <= ' ' || byte >= 0x7f || kUnsafe.find(c) != std::string_view::npos;
        });
    };
    const Case cases[] = {
#include "page_links_browser_cases.inc"
    };
    for (const Case& c : cases) {
        for (std::size_t pieceSize : {c.page.size(), std::size_t{1}, std::size_t{5}}) {
            Links sent;
            for (const std::string& link : LinksOf(c.page, pieceSize, "http://h.test/d1/d2/index.htm")) {
                sent.push_back(asSent(link));
            }
            EXPECT_EQ(sent, c.links) << c.what << ", pieces of " << pieceSize;
        }
    }
}

// Links held back for a base are given as soon as no base can count for
// them any more, or the page ends; and never more are held than the bounds
// allow: past them they are given as they come, against the page.
TEST(PageLinkReaderTest, HoldsLinksBackOnlyWhileABaseMayComeAndWithinBounds) {
    std::string crowdedHead = "<head>";
    Links crowdedLinks;
    for (std::size_t i = 0; i <= PageLinkReader::kMaxHeldLinks; ++i) {
        crowdedHead += "<link href=s" + std::to_string(i) + ".css>";
        crowdedLinks.push_back("http://h/d1/d2/s" + std::to_string(i) + ".css");
    }
    crowdedHead += "<base href=/b/><link href=after.css>";
    crowdedLinks.push_back("http://h/b/after.css");
    const std::string longLink = "<link href=" + std::string(HtmlTagReader::kMaxTagLength - 20, 'x') + ">";
    const struct {
        const char* what;
        std::string page;
        Links whileRead;
        Links atTheEnd;
    } cases[] = {
        {"more links than are held", crowdedHead, crowdedLinks, {}},
        {"more bytes than are held",
         "<head>" + longLink + longLink + longLink + longLink + longLink,
         Links(5, "http://h/d1/d2/" + std::string(HtmlTagReader::kMaxTagLength - 20, 'x')),
         {}},
        {"the head's end", "<head><link href=a.css></head>", {"http://h/d1/d2/a.css"}, {}},
        {"the body's first tag", "<link href=a.css><p>", {"http://h/d1/d2/a.css"}, {}},
        {"the page's end", "<html><link href=a.css><title>t</title>", {}, {"http://h/d1/d2/a.css"}},
    };
    for (const auto& c : cases) {
        PageLinkReader reader(kPage);
        EXPECT_EQ(reader.Read(c.page), c.whileRead) << c.what;
        EXPECT_EQ(reader.Finish(), c.atTheEnd) << c.what;
    }
}

// Addresses of schemes other than http's family, as RFC 3986 section 5.4
// resolves them, and the http examples of that section as the URL
// Standard reads them.
TEST(ResolveReferenceTest, FollowsTheExamplesOfTheStandards) {
    const std::pair<const char*, const char*> rfcExamples[] = {
        {"g:h", "g:h"},
        {"g", "foo://a/b/c/g"},
        {"./g", "foo://a/b/c/g"},
        {"//g", "foo://g"},
        {"?y", "foo://a/b/c/d;p?y"},
        {"#s", "foo://a/b/c/d;p?q"},
        {"", "foo://a/b/c/d;p?q"},
        {"../..", "foo://a/"},
        {"../../../g", "foo://a/g"},
        {"g;x=1/../y", "foo://a/b/c/y"},
        {"foo:g", "foo:g"},
        {"g\\h", "foo://a/b/c/g\\h"},
    };
    for (const auto& [reference, expected] : rfcExamples) {
        EXPECT_EQ(ResolveReference("foo://a/b/c/d;p?q", reference), expected) << reference;
    }
    const std::pair<const char*, const char*> webExamples[] = {
        {"//g", "http://g/"},   {"http:g", "http://a/b/c/g"},
        {"..", "http://a/b/"},  {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"/./g", "http://a/g"}, {"g.", "http://a/b/c/g."},
    };
    for (const auto& [reference, expected] : webExamples) {
        EXPECT_EQ(ResolveReference("http://a/b/c/d;p?q", reference), expected) << reference;
    }
    EXPECT_EQ(ResolveReference("http://h", "a.zip"), "http://h/a.zip");
    EXPECT_EQ(ResolveReference("no scheme", "a.zip"), "");
}

}  // namespace
