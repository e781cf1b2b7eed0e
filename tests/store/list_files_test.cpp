#include "store/list_files.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/fake_message_box.h"
#include "support/record_builders.h"
#include "support/temp_folder.h"

namespace {

WebProject ExampleSite() {
    WebProject p = Site("My Site", "http://www.example.com/files/", "");
    p.wantZip = 1;
    p.wantExe = 1;
    p.startMinute = 30;
    p.startHour = 22;
    p.stopOnRequest = 1;
    p.maxDomainCount = 3;
    p.exitDomain = 1;
    return p;
}

SearchProject ExampleSearch() {
    SearchProject p = Search("Zip tools", "free zip tools for dos", "");
    p.useAltavista = 1;
    p.useYahoo = 1;
    p.startOnRequest = 1;
    p.stopMinute = -5;
    p.stopHour = 99;
    return p;
}

class ListFilesTest : public ::testing::Test {
protected:
    ItemStore Reload() const {
        ItemStore loaded;
        LoadLists(loaded, folder.Path());
        return loaded;
    }

    void Save() { SaveLists(store, messages, folder.Path()); }

    TempFolder folder;
    ItemStore store;
    FakeMessageBox messages;
};

TEST_F(ListFilesTest, WritesTheWebSiteExampleByteForByte) {
    store.RequestedSites.Append(ExampleSite());
    Save();
    EXPECT_EQ(folder.Read("reqsoftwebs.data"),
              "My Site\nhttp://www.example.com/files/\n0\n1 1 0 0 0 0 0\n0 30 22\n1 0 0\n3 0 1\n*\n");
}

TEST_F(ListFilesTest, WritesTheSearchFormatByteForByte) {
    store.RequestedSearches.Append(ExampleSearch());
    Save();
    EXPECT_EQ(folder.Read("reqsoftsearch.data"),
              "Zip tools\nfree zip tools for dos\n1 0 1 0 0 0 0\n1 0 0\n0 -5 99\n*\n");
}

TEST_F(ListFilesTest, OneAddedUrlWritesOnlyItsFile) {
    store.RequestedFiles.AppendUrl("http://x.org/a.zip");
    Save();
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://x.org/a.zip\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(ListFilesTest, AllThreeFormatsReadBackAsWritten) {
    WebProject site = ExampleSite();
    site.otherTypes = "lzh";
    site.userName = "me";
    site.password = "secret";
    site.startMinute = -1;
    site.startHour = 2147483647;
    WebProject blankAddress = ExampleSite();
    blankAddress.name = "  Leading blanks";
    blankAddress.startUrl = "";
    WebProject spacedAddress = ExampleSite();
    spacedAddress.name = "";
    spacedAddress.startUrl = "http://x.org/my files/";
    for (const WebProject& p : {site, blankAddress, spacedAddress}) {
        store.RequestedSites.Append(p);
        store.DownloadedSites.Append(p);
    }
    store.RequestedSearches.Append(ExampleSearch());
    store.RequestedSearches.Append(ExampleSearch());
    store.RequestedFiles.AppendUrl("http://a/1.zip");
    store.DownloadedFiles.AppendUrl("ftp://b/2.zip");
    store.SearchResults.AppendUrl("http://c/");
    Save();

    ItemStore loaded = Reload();
    ASSERT_EQ(loaded.RequestedSites.Count(), 3);
    ASSERT_EQ(loaded.DownloadedSites.Count(), 3);
    WebProject expected = site;
    expected.otherTypes = "";  // kept in memory only
    expected.userName = "";
    expected.password = "";
    expected.status = "Ready for download";
    EXPECT_EQ(*loaded.RequestedSites.GetAt(0), expected);
    expected.status = "Success";
    EXPECT_EQ(*loaded.DownloadedSites.GetAt(0), expected);
    EXPECT_EQ(loaded.RequestedSites.GetAt(1)->name, "  Leading blanks");
    EXPECT_EQ(loaded.RequestedSites.GetAt(1)->startUrl, "");
    EXPECT_EQ(loaded.RequestedSites.GetAt(1)->maxDomainCount, 3);
    EXPECT_EQ(loaded.RequestedSites.GetAt(2)->name, "");
    EXPECT_EQ(loaded.DownloadedSites.GetAt(2)->startUrl, "http://x.org/my files/");
    EXPECT_EQ(loaded.DownloadedSites.GetAt(2)->exitDomain, 1);

    ASSERT_EQ(loaded.RequestedSearches.Count(), 2);
    SearchProject search = ExampleSearch();
    search.status = "Ready for download";
    EXPECT_EQ(*loaded.RequestedSearches.GetAt(1), search);

    EXPECT_EQ(loaded.RequestedFiles.GetAt(0)->status, "Ready for download");
    EXPECT_EQ(loaded.DownloadedFiles.GetAt(0)->status, "Success");
    EXPECT_EQ(loaded.SearchResults.GetAt(0)->status, "New Project");
    EXPECT_FALSE(loaded.RequestedSites.IsModified());
}

TEST_F(ListFilesTest, LoadingAppendsAfterRecordsAlreadyThere) {
    folder.Write("reqsoftwebs.data", "Old\nhttp://o/\n1\n0 0 0 0 0 0 0\n1 0 0\n1 0 0\n0 0 0\n*\n");
    WebProject first;
    first.name = "Chosen at start";
    store.RequestedSites.Append(first);
    LoadLists(store, folder.Path());
    ASSERT_EQ(store.RequestedSites.Count(), 2);
    EXPECT_EQ(store.RequestedSites.GetAt(0)->name, "Chosen at start");
    EXPECT_EQ(store.RequestedSites.GetAt(1)->name, "Old");
    EXPECT_TRUE(store.RequestedSites.IsModified());  // the first one is not saved yet
}

TEST_F(ListFilesTest, AnAddressWithABlankReadsBackAsTwoRecords) {
    store.RequestedFiles.AppendUrl("http://x/a b.zip");
    Save();
    ItemStore loaded = Reload();
    ASSERT_EQ(loaded.RequestedFiles.Count(), 2);
    EXPECT_EQ(loaded.RequestedFiles.GetAt(1)->url, "b.zip");
}

TEST_F(ListFilesTest, CrlfFilesReadLikeLfFiles) {
    folder.Write("reqsoft.data", "http://a/1.zip\r\nhttp://a/2.zip\r\n");
    folder.Write("dnldsoftwebs.data",
                 "My Site\r\nhttp://s/\r\n0\r\n1 1 0 0 0 0 0\r\n0 30 22\r\n1 0 0\r\n3 0 1\r\n*\r\n");
    folder.Write("reqsoftsearch.data", "Zip tools\r\nfree zip\r\n1 0 1 0 0 0 0\r\n1 0 0\r\n0 -5 99\r\n*\r\n");
    ItemStore loaded = Reload();
    ASSERT_EQ(loaded.RequestedFiles.Count(), 2);
    EXPECT_EQ(loaded.RequestedFiles.GetAt(0)->url, "http://a/1.zip");
    WebProject site = ExampleSite();
    site.startUrl = "http://s/";
    site.status = "Success";
    ASSERT_EQ(loaded.DownloadedSites.Count(), 1);
    EXPECT_EQ(*loaded.DownloadedSites.GetAt(0), site);
    ASSERT_EQ(loaded.RequestedSearches.Count(), 1);
    EXPECT_EQ(loaded.RequestedSearches.GetAt(0)->searchText, "free zip");
    EXPECT_EQ(loaded.RequestedSearches.GetAt(0)->stopHour, 99);
}

TEST_F(ListFilesTest, UnchangedListsKeepTheirBytes) {
    const std::string odd = "  http://a/1.zip\r\n\n\nhttp://a/2.zip   ";
    folder.Write("reqsoft.data", odd);
    LoadLists(store, folder.Path());
    store.DownloadedFiles.AppendUrl("http://b/");
    Save();
    EXPECT_EQ(folder.Read("reqsoft.data"), odd);
    EXPECT_TRUE(folder.Exists("dnldsoft.data"));
}

TEST_F(ListFilesTest, AnEmptiedListDeletesItsFile) {
    folder.Write("reqsoft.data", "http://a/1.zip\n");
    folder.Write("softsearchres.data", "http://r/\n");
    LoadLists(store, folder.Path());
    store.RequestedFiles.RemoveAt(0);
    Save();
    EXPECT_FALSE(folder.Exists("reqsoft.data"));
    EXPECT_TRUE(folder.Exists("softsearchres.data"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListFilesTest, AFailedSaveKeepsTheOldFileAndReportsItsList) {
    folder.Write("reqsoftwebs.data", "old bytes\n");
    // A folder where the temporary file must go makes the write fail.
    std::filesystem::create_directory(folder / "reqsoftwebs.data.saving");
    std::filesystem::create_directory(folder / "dnldsoft.data.saving");
    std::filesystem::create_directory(folder / "softsearchres.data");
    std::filesystem::create_directory(folder / "softsearchres.data" / "in the way");
    store.RequestedSites.Append(ExampleSite());
    store.DownloadedFiles.AppendUrl("http://a/1.zip");
    store.SearchResults.AppendUrl("http://r/");
    store.RequestedSearches.Append(ExampleSearch());
    Save();
    EXPECT_EQ(folder.Read("reqsoftwebs.data"), "old bytes\n");
    EXPECT_EQ(messages.shown, (std::vector<std::string>{"Error saving the 'Requested Files' list!",
                                                        "Error saving the 'Requested Web Sites' list!",
                                                        "Error saving the 'Requested Files' list!"}));
    EXPECT_TRUE(folder.Exists("reqsoftsearch.data"));  // the others are still saved
    EXPECT_FALSE(folder.Exists("softsearchres.data.saving"));
}

TEST_F(ListFilesTest, AFileWithoutRecordsGivesAnEmptyList) {
    folder.Write("reqsoft.data", "");
    folder.Write("reqsoftwebs.data", " \r\n\n");
    ItemStore loaded = Reload();
    EXPECT_EQ(loaded.RequestedFiles.Count(), 0);
    EXPECT_EQ(loaded.RequestedSites.Count(), 0);
}

TEST_F(ListFilesTest, DamagedFilesAreReadWithinTheFields) {
    folder.Write("reqsoft.data", std::string(100 * 1024 * 1024, 'a') + "\nhttp://b/2.zip\n");
    // Binary bytes, a missing star line, a word where numbers belong, a
    // number far beyond 32 bits and a record cut short.
    folder.Write("reqsoftwebs.data", std::string("Bin\0\xff\x01"
                                                 "ary\n",
                                                 10) +
                                         std::string(5000, 'u') +
                                         "\n0\n1 x 1 1 1 1 1\n0 30 22\n1 0 0\n3 0 1\n"
                                         "Next\nhttp://n/\n99999999999999999999\n-99999999999999999999\n");
    folder.Write("reqsoftsearch.data", std::string(300, 'n') + "\n" + std::string(3000, 's'));
    ItemStore loaded = Reload();

    ASSERT_EQ(loaded.RequestedFiles.Count(), 2);
    EXPECT_EQ(loaded.RequestedFiles.GetAt(0)->url, std::string(254, 'a'));
    EXPECT_EQ(loaded.RequestedFiles.GetAt(1)->url, "http://b/2.zip");

    ASSERT_GE(loaded.RequestedSites.Count(), 1);
    const WebProject& first = *loaded.RequestedSites.GetAt(0);
    EXPECT_EQ(first.name, "Bin");
    EXPECT_EQ(first.startUrl, std::string(255, 'u'));
    EXPECT_EQ(first.wantZip, 1);
    EXPECT_EQ(first.wantExe, 0);
    const WebProject& last = *loaded.RequestedSites.GetAt(loaded.RequestedSites.Count() - 1);
    EXPECT_EQ(last.name, "Next");
    EXPECT_EQ(last.downloadAll, 2147483647);
    EXPECT_EQ(last.wantZip, -2147483647 - 1);

    ASSERT_EQ(loaded.RequestedSearches.Count(), 1);
    EXPECT_EQ(loaded.RequestedSearches.GetAt(0)->name, std::string(79, 'n'));
    EXPECT_EQ(loaded.RequestedSearches.GetAt(0)->searchText, std::string(255, 's'));
}

}  // namespace

namespace {

// The checksums file is saved with the lists, and read back as written,
// check results too (a result without a checksum, of a published digest,
// as well); a damaged line, a repeated address or bad hex is skipped, not
// fatal.
TEST_F(ListFilesTest, ChecksumsAreSavedBesideTheListsAndReadDefensively) {
    const std::string sha256(64, 'a');
    store.RequestedFiles.AppendUrl("http://h/a.zip");
    store.Checksums.Set("http://h/a.zip", *ParseChecksum("sha256:" + sha256));
    store.Checksums.SetResult("http://h/a.zip", "Checksum mismatch: sha256 expected aaaaaaaa\u2026, got 0");
    store.Checksums.Set("http://h/b.zip", *ParseChecksum("MD5:" + std::string(32, 'B')));
    store.Checksums.SetResult("http://h/c.zip", "sha256 verified (from SHA256SUMS): " + sha256 + "\nmore");
    Save();
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://h/a.zip\n");
    EXPECT_EQ(folder.Read(kChecksumsFile),
              "http://h/a.zip sha256:" + sha256 +
                  "\nhttp://h/a.zip =Checksum mismatch: sha256 expected aaaaaaaa\u2026, got "
                  "0\nhttp://h/b.zip md5:" +
                  std::string(32, 'b') + "\nhttp://h/c.zip =sha256 verified (from SHA256SUMS): " + sha256 +
                  "\n");
    ItemStore loaded = Reload();
    EXPECT_EQ(loaded.Checksums.Entries(), store.Checksums.Entries());
    EXPECT_FALSE(loaded.Checksums.IsModified());

    folder.Write(kChecksumsFile, "http://h/long.zip sha1:" + std::string(100000, 'a') + "\n" +
                                     "http://h/bad.zip sha256:" + std::string(63, 'a') + "g\n" +
                                     "http://h/a.zip " + sha256 + "\r\n" +
                                     "http://h/a.zip md5:" + std::string(32, 'c') + "\n" +
                                     "no-checksum-here\n\n" + " " + sha256 + "\n");
    loaded = Reload();
    ASSERT_EQ(loaded.Checksums.Entries().size(), 1u);
    EXPECT_EQ(ChecksumText(loaded.Checksums.Find("http://h/a.zip")->expected.value()), "sha256:" + sha256);

    // The last checksum gone, its file goes.
    store.Checksums.Clear();
    Save();
    EXPECT_FALSE(folder.Exists(kChecksumsFile));
}

}  // namespace
