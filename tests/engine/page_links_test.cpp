#include "engine/page_links.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/url_resolve.h"

namespace {

using Links = std::vector<std::string>;

constexpr const char* kPage = "http://h/d1/d2/index.htm";

// The page's links, fed to the reader in pieces of the given size.
Links LinksOf(const std::string& page, std::size_t pieceSize) {
    PageLinkReader reader(kPage);
    Links links;
    for (std::size_t at = 0; at < page.size(); at += pieceSize) {
        for (std::string& link : reader.Read(std::string_view(page).substr(at, pieceSize))) {
            links.push_back(std::move(link));
        }
    }
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
        {"resolution as RFC 3986 says, many links on one line",
         R"(<a href="./p3.htm">1</a> <a href="?page=2">2</a> <a href="//other.org/a.zip">3</a>)"
         R"(<a href="d3/../a.zip"></a><a href="../../../../x.zip"></a><a href="/Root/A.zip#part"></a>)"
         R"(<a href="HTTPS://Other.org/B.zip"></a><a href="#top"></a><a href=""></a><a href=" b c.zip ">)",
         {"http://h/d1/d2/p3.htm", "http://h/d1/d2/index.htm?page=2", "http://other.org/a.zip",
          "http://h/d1/d2/a.zip", "http://h/x.zip", "http://h/Root/A.zip", "https://Other.org/B.zip",
          "http://h/d1/d2/index.htm", "http://h/d1/d2/index.htm", "http://h/d1/d2/b c.zip"}},
        {"character references",
         R"(<a href="get.php?a=1&amp;b=2&#38;c=3&#x26;d=4&amp">)"
         R"(<a href="q?x=1&copy=2&ampy=3&lt;&#0;&#x110000;&#65">)",
         {"http://h/d1/d2/get.php?a=1&b=2&c=3&d=4&",
          "http://h/d1/d2/q?x=1&copy=2&ampy=3<\xEF\xBF\xBD\xEF\xBF\xBD"
          "A"}},
        {"the first base counts, read against the page",
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

// The examples of RFC 3986 section 5.4, and the bases a page may have.
TEST(ResolveReferenceTest, FollowsTheExamplesOfTheStandard) {
    const char* base = "http://a/b/c/d;p?q";
    const std::pair<const char*, const char*> examples[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q"},
        {"g#s", "http://a/b/c/g"},
        {";x", "http://a/b/c/;x"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"http:g", "http:g"},
    };
    for (const auto& [reference, expected] : examples) {
        EXPECT_EQ(ResolveReference(base, reference), expected) << reference;
    }
    EXPECT_EQ(ResolveReference("http://h", "a.zip"), "http://h/a.zip");
    EXPECT_EQ(ResolveReference("no scheme", "a.zip"), "");
}

}  // namespace
