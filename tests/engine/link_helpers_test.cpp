#include "engine/link_helpers.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;
using Found = std::optional<std::string>;
const Found kNone = std::nullopt;

std::string Repeat(std::string_view piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

struct LineRow {
    std::string line;
    Found expected;
};

// Forms are found on the lower-case line; the link keeps its own case.
TEST(ExtractHrefLink, TakesTheFirstFormTheLineHoldsInItsOwnCase) {
    const std::vector<LineRow> rows = {
        {R"(<A HREF="Files/Setup.ZIP">Setup</A>)", "Files/Setup.ZIP"},
        {R"(<a href="">)", ""},
        {R"(<a href="x.zip)", kNone},
        // The forms are tried in turn over the whole line, not in line order.
        {R"(<a href='a.zip'>A</a> <a href="b.zip">B</a>)", "b.zip"},
        {R"(<a href=a.zip>A</a> <a href='b.zip'>B</a>)", "b.zip"},
        {R"(<a href='x.zip'>)", "x.zip"},
        {R"(<a href='x.zip' class=y>)", "x.zip"},
        {R"(<a href='x.zip'")", "x.zip"},
        {R"(<a href='x.zip')", kNone},
        // An apostrophe and a space is looked for first, wherever it stands.
        {R"(<a href='a.zip'>A</a> <a href='b.zip' >)", R"(a.zip'>A</a> <a href='b.zip)"},
        {"<a href=files/x.zip>Get it", "files/x.zip"},
        {"<a href=x.zip target=new>", "x.zip target=new"},
        {"<a href=x.zip >", "x.zip "},
        {"<a href=x.zip next", "x.zip"},
        {"<a href=x.zip", kNone},
        {"no link here", kNone},
    };
    for (const LineRow& row : rows) EXPECT_EQ(ExtractHrefLink(row.line), row.expected) << row.line;
}

TEST(ExtractHrefLink, AnyMailtoSilencesTheWholeLine) {
    for (const char* line : {R"(<a href="mailto:me@h.test">me</a> <a href="x.zip">x</a>)",
                             R"(<a href="x.zip">x</a> write to MAILTO)"}) {
        EXPECT_EQ(ExtractHrefLink(line), kNone) << line;
    }
    EXPECT_EQ(ExtractFrameSource(R"(<frame src="m.htm" name=m> mailto:me@h.test)"), "m.htm");
}

TEST(ExtractFrameSource, TakesADoubleQuotedSourceFollowedByASpace) {
    const std::vector<LineRow> rows = {
        {R"(<frame src="menu.htm" name="menu">)", "menu.htm"},
        {R"(<frame src="menu.htm">)", kNone},
        {R"(<IFRAME SRC="Ad/Banner.HTM" width=1>)", "Ad/Banner.HTM"},
        {R"(<frameset><img src="a.gif" alt="">)", "a.gif"},
        {R"(<frame src="" name=x>)", ""},
        {R"(<frame src="a.htm"><frame src="b.htm" name=b>)", R"(a.htm"><frame src="b.htm)"},
        {R"(<img src="a.gif" alt="">)", kNone},
        {R"(<frame src='a.htm' name=a>)", kNone},
        {R"(<frame src=a.htm name=a>)", kNone},
    };
    for (const LineRow& row : rows) EXPECT_EQ(ExtractFrameSource(row.line), row.expected) << row.line;
}

TEST(ExtractLinks, ValuesBeyondTheAddressStorageAreNoLink) {
    const std::string longest(kMaxLinkLength, 'a');
    const std::string tooLong(kMaxLinkLength + 1, 'a');
    EXPECT_EQ(ExtractHrefLink(R"(<a href=")" + longest + R"(">)"), longest);
    EXPECT_EQ(ExtractHrefLink(R"(<a href=")" + tooLong + R"(">)"), kNone);
    EXPECT_EQ(ExtractHrefLink("<a href='" + tooLong + "'>"), kNone);
    EXPECT_EQ(ExtractHrefLink("<a href=" + tooLong + ">"), kNone);
    EXPECT_EQ(ExtractFrameSource(R"(<frame src=")" + longest + R"(" >)"), longest);
    EXPECT_EQ(ExtractFrameSource(R"(<frame src=")" + tooLong + R"(" >)"), kNone);
    EXPECT_EQ(ExtractHrefLink("<a href=\"x\0.zip\">"s), kNone);
    EXPECT_EQ(ExtractFrameSource("<frame src=\"x\0.htm\" >"s), kNone);
}

struct AbsoluteRow {
    std::string root, page, folder, link, expected;
};

TEST(MakeAbsoluteLink, FollowsTheFirstRuleThatApplies) {
    const std::string root = "http://host/", page = "http://host/d1/d2/p.htm", folder = "\\d1\\d2";
    const std::vector<AbsoluteRow> rows = {
        {root, page, folder, "", ""},
        {root, page, folder, "x.zip", "http://host/d1/d2/x.zip"},
        {root, page, folder, "/x.zip", "http://host/x.zip"},
        {root, page, folder, "//other/x.zip", "http://host//other/x.zip"},
        {root, page, folder, "../x.zip", "http://host/d1/x.zip"},
        {root, page, folder, "../../../x.zip", "http://host/x.zip"},
        {root, page, folder, "a/../b", "http://host/d1/../b"},
        // "./" resolves against the site root and drops the link's first character.
        {root, page, folder, "./x.zip", "http://host/x.zip"},
        {root, page, folder, "d/./x", "http://host/./x"},
        {root, page, folder, "http://other/x.zip", "http://other/x.zip"},
        {root, "http://host/p.htm", "", "x.zip", "http://host/x.zip"},
        // A plain relative link takes the site root of the page, not of the start.
        {root, "http://other/p.htm", "", "x.zip", "http://other/x.zip"},
        // The start address itself.
        {"", "", "", "host.test", "http://host.test"},
        {"", "", "", "ftp://host/x", "ftp://host/x"},
        // Nothing to resolve against.
        {"", page, folder, "/x.zip", ""},
        {"no-root", page, folder, "../x.zip", ""},
    };
    for (const AbsoluteRow& row : rows) {
        EXPECT_EQ(MakeAbsoluteLink(row.root, row.page, row.folder, row.link), row.expected)
            << row.link << " on " << row.page;
    }
}

TEST(MakeAbsoluteLink, AddressesBeyondTheStorageAreNoLink) {
    const std::string root = "http://host/", page = "http://host/d1/d2/p.htm", folder = "\\d1\\d2";
    const std::string fits(kMaxLinkLength - root.size(), 'a');
    EXPECT_EQ(MakeAbsoluteLink(root, page, folder, "/" + fits), root + fits);
    EXPECT_EQ(MakeAbsoluteLink(root, page, folder, "/" + fits + "b"), "");
    EXPECT_EQ(MakeAbsoluteLink(root, page, folder, "x" + fits), "");
    EXPECT_EQ(MakeAbsoluteLink("", "", "", std::string(kMaxLinkLength - 6, 'h')), "");
    EXPECT_EQ(MakeAbsoluteLink(root, page, folder, "../" + Repeat("a/", 17) + "x"),
              "http://host/d1/" + Repeat("a/", 17) + "x");
    EXPECT_EQ(MakeAbsoluteLink(root, page, folder, "../" + Repeat("a/", 18) + "x"), "");
    EXPECT_EQ(MakeAbsoluteLink(root, page, folder, "x\0.zip"s), "");
}

struct ResolveRow {
    std::string folder, link;
    Found expected;
};

TEST(ResolveParentLink, DropsOneFolderPerDotDotSegment) {
    const std::vector<ResolveRow> rows = {
        {"\\d1\\d2", "../x.zip", "/d1/x.zip"},
        {"\\d1\\d2", "../../x.zip", "/x.zip"},
        {"\\d1\\d2", "../../../x.zip", "/x.zip"},
        {"\\d1\\d2", "a/../b", "/d1/../b"},
        {"\\d1\\d2", "..//x/", "/d1/x"},
        {"\\\\d1\\\\d2\\", "../x", "/d1/x"},
        {"", "../x", "/x"},
        {"\\d1", "../..", ""},
    };
    for (const ResolveRow& row : rows) {
        EXPECT_EQ(ResolveParentLink(row.folder, row.link), row.expected)
            << row.link << " under " << row.folder;
    }
}

TEST(ResolveParentLink, RefusesTextsBeyondItsStorage) {
    const std::string folder19 = Repeat("\\d", 19), link19 = "../" + Repeat("a/", 17) + "x";
    ASSERT_TRUE(ResolveParentLink(folder19, link19).has_value());
    EXPECT_EQ(ResolveParentLink(folder19 + "\\d", link19), kNone);
    EXPECT_EQ(ResolveParentLink(folder19, "a/" + link19), kNone);
    EXPECT_EQ(ResolveParentLink(folder19, link19 + "//"), ResolveParentLink(folder19, link19));

    const std::string longestLink = "../" + std::string(kMaxLinkLength - 3, 'x');
    EXPECT_EQ(ResolveParentLink("\\d", longestLink), "/" + std::string(kMaxLinkLength - 3, 'x'));
    EXPECT_EQ(ResolveParentLink("\\d", longestLink + "x"), kNone);
    EXPECT_EQ(ResolveParentLink("\\" + std::string(kMaxLinkLength, 'd'), "../x"), kNone);
}

struct WantedRow {
    std::string link;
    bool expected;
};

WebProject ZipOnly(std::string_view otherTypes = "") {
    WebProject project;
    project.wantZip = 1;
    project.otherTypes = otherTypes;
    return project;
}

TEST(IsWantedLink, WantsPagesFoldersAndTheChosenTypes) {
    const WebProject project = ZipOnly();
    const std::vector<WantedRow> rows = {
        {"", false},
        {"http://h/a.zip", true},
        {"http://h/A.ZIP", true},
        {"http://h/a.zipper/x", true},
        {"http://h/a.exe", false},
        {"http://h/dir/", true},
        {"http://h.test/dir", true},
        {"http://h/d.1/file", true},
        {"http://h/p.html", true},
        {"http://h/a.exe.htm", true},
        {"http://h/p.shtml", true},
        // Pages end in .shtml here but in .shtm for IsPageLink.
        {"http://h/p.shtm", false},
        {"http://h/p.asp", false},
        {"x.exe", false},
    };
    for (const WantedRow& row : rows) EXPECT_EQ(IsWantedLink(row.link, project), row.expected) << row.link;
}

TEST(IsWantedLink, EachTypeSwitchAdmitsItsOwnSuffix) {
    using Switch = std::int32_t WebProject::*;
    const std::vector<std::pair<Switch, std::string>> types = {
        {&WebProject::wantZip, ".zip"}, {&WebProject::wantExe, ".exe"}, {&WebProject::wantRar, ".rar"},
        {&WebProject::wantAce, ".ace"}, {&WebProject::wantTar, ".tar"}, {&WebProject::wantGz, ".gz"},
        {&WebProject::wantArj, ".arj"}};
    for (const auto& [chosen, chosenSuffix] : types) {
        WebProject project;
        project.*chosen = 1;
        for (const auto& [other, suffix] : types) {
            EXPECT_EQ(IsWantedLink("http://h/a" + suffix, project), other == chosen)
                << suffix << " with " << chosenSuffix << " chosen";
        }
    }
}

TEST(IsWantedLink, OtherTypesIsOneSubstringMatchedAsTyped) {
    EXPECT_TRUE(IsWantedLink("http://h/s.mp3", ZipOnly(".mp3")));
    EXPECT_TRUE(IsWantedLink("http://h/S.MP3", ZipOnly(".mp3")));
    EXPECT_FALSE(IsWantedLink("http://h/s.mp3", ZipOnly(".MP3")));
    EXPECT_FALSE(IsWantedLink("http://h/s.mp3", ZipOnly(".mp3 .ogg")));
    EXPECT_FALSE(IsWantedLink("http://h/s.mp3", ZipOnly()));
}

TEST(IsWantedLink, DownloadAllTakesEveryArchiveName) {
    WebProject project;
    project.downloadAll = 1;
    EXPECT_TRUE(IsWantedLink("http://h/p.asp", project));
    EXPECT_TRUE(IsWantedLink("http://h/a.uue", project));
    EXPECT_FALSE(IsWantedLink("http://h/p.php", project));
}

TEST(ContainsNoCase, FindsTheNeedleAnywhereIgnoringCase) {
    EXPECT_TRUE(ContainsNoCase("HTTP://", "http://h/x"));
    EXPECT_TRUE(ContainsNoCase("cgi-bin", "http://h/CGI-BIN/x"));
    EXPECT_TRUE(ContainsNoCase("http://Host/", "http://other/?from=http://HOST/"));
    EXPECT_TRUE(ContainsNoCase("", "anything"));
    EXPECT_FALSE(ContainsNoCase("javascript:", "java script:"));
    EXPECT_FALSE(ContainsNoCase("x", ""));
    EXPECT_TRUE(ContainsNoCase("aab", "aaab"));
    EXPECT_FALSE(ContainsNoCase("\xC4", "\xE4"));  // only A-Z are folded
}

struct TextRow {
    std::string text;
    Found expected;
};

TEST(GetSiteRoot, EndsAtTheFirstSlashAfterTheFirstDoubleSlash) {
    const std::vector<TextRow> rows = {
        {"http://h.test", "http://h.test/"},
        {"http://h.test/a/b", "http://h.test/"},
        {"ftp://h/x", "ftp://h/"},
        {"a//b//c/d", "a//b/"},
        {"//", "///"},
        {"h.test/a", kNone},
        {"", kNone},
    };
    for (const TextRow& row : rows) EXPECT_EQ(GetSiteRoot(row.text), row.expected) << row.text;
}

TEST(IsPageLink, TellsPagesAndFoldersFromFiles) {
    const std::vector<WantedRow> rows = {
        {"http://h", true},
        {"http://h.test", true},
        {"http://h/", true},
        {"http://h/d", true},
        {"http://h/d.1/file", true},
        {"http://h/a.zip/", true},
        {"http://h/a.zip.htm", true},
        {"http://h/P.HTML", true},
        {"http://h/p.shtm", true},
        {"http://h/a.zip", false},
        {"http://h/p.php", false},
        {"http://h/d/a.zip", false},
        {"x.zip", false},
        {"", false},
    };
    for (const WantedRow& row : rows) EXPECT_EQ(IsPageLink(row.link), row.expected) << row.link;
}

struct FolderRow {
    std::string prefix, address;
    Found expected;
};

TEST(GetRelativeFolder, CutsThePrefixByItsLengthAlone) {
    const std::vector<FolderRow> rows = {
        {"http://h/", "http://h/a.zip", ""},
        {"http://h/", "http://h/d1/d2/a.zip", "\\d1\\d2"},
        {"http://h/", "http://h/d1/d2/", "\\d1\\d2"},
        {"http://h/", "http://h/", ""},
        {"http://h/", "http://h", ""},
        {"http://aa/", "http://bbbbbb/x/y.htm", "\\bbb\\x"},
        {"http://h1/", "http://h2/d/a.zip", "\\d"},
    };
    for (const FolderRow& row : rows) {
        EXPECT_EQ(GetRelativeFolder(row.prefix, row.address), row.expected) << row.address;
    }
}

TEST(GetRelativeFolder, FoldersBeyondTheStorageAreNoFolder) {
    const std::string folder(kMaxLinkLength - 1, 'd');
    EXPECT_EQ(GetRelativeFolder("http://h/", "http://h/" + folder + "/a.zip"), "\\" + folder);
    EXPECT_EQ(GetRelativeFolder("http://h/", "http://h/" + folder + "d/a.zip"), kNone);
}

TEST(HasIllegalChars, TestsOnlyFourCharacters) {
    EXPECT_TRUE(HasIllegalChars("Software\\p\\get.zip?id=1"));
    for (const char* path : {"a,b", "a*b", "a+b"}) EXPECT_TRUE(HasIllegalChars(path)) << path;
    for (const char* path : {"Software/p/a:b|c.zip", "a b\"<>.zip", ""}) {
        EXPECT_FALSE(HasIllegalChars(path)) << path;
    }
}

// A linear pass over a line of a megabyte is instant; a search that
// restarts at every position would not end within the test's time limit.
TEST(LinkHelpers, HugeLinesPassInOneScan) {
    const std::string filler(1024 * 1024, 'A');
    EXPECT_EQ(ExtractHrefLink(filler + R"(<a href="x.zip">)"), "x.zip");
    EXPECT_EQ(ExtractHrefLink(Repeat("href='", 1 << 17) + "x"), kNone);
    EXPECT_EQ(ExtractFrameSource("<frame " + filler + R"(src="x.htm" >)"), "x.htm");
    EXPECT_EQ(MakeAbsoluteLink("http://h/", "http://h/p.htm", "", filler), "");
    EXPECT_FALSE(ContainsNoCase(std::string(1 << 17, 'a') + "b", filler));
    EXPECT_FALSE(IsWantedLink(filler, ZipOnly(std::string(98, 'a') + "b")));
    EXPECT_FALSE(IsPageLink(filler + ".zip"));
    EXPECT_EQ(GetRelativeFolder("http://h/", "http://h/" + filler + "/a.zip"), kNone);
    EXPECT_EQ(ResolveParentLink("", filler), kNone);
}

}  // namespace
