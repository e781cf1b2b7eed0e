#include "app/entry_commands.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/list_rows.h"
#include "store/item_store.h"
#include "support/fake_window.h"
#include "support/record_builders.h"
#include "support/scripted_entry_dialogs.h"
#include "workers/app_state.h"

namespace {

std::vector<std::string> Urls(const ItemList<FileEntry>& list) {
    std::vector<std::string> urls;
    for (const FileEntry& entry : list) urls.push_back(entry.url.Str());
    return urls;
}

// The entry commands on lists and a window of the test's own, with scripted
// dialogs; the window shows a list as the entry list panel does.
class EntryCommandsTest : public ::testing::Test {
protected:
    // Shows the list as a click on its category does, also when it is shown.
    void Show(int list) {
        state.ShownList = 0;
        ASSERT_TRUE(SwitchCategory(store, state, list, window));
    }

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < window.RowCount(); ++row) texts.push_back(window.RowText(row, column));
        return texts;
    }

    ItemStore store;
    AppState state;
    FakeWindow window;
    ScriptedEntryDialogs dialogs;
    EntryCommands commands{store, state, window, dialogs};
};

TEST_F(EntryCommandsTest, DeletingRowsZeroAndTwoOfFiveRemovesTheirRecordsOnly) {
    for (const char* url : {"p0", "p1", "p2", "p3", "p4"}) store.RequestedFiles.AppendUrl(url);
    Show(kRequestedFilesList);
    store.RequestedFiles.SetModified(false);
    window.Select({0, 2});
    commands.DeleteEntries();
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{"Are you sure you want to delete those entries?"});
    EXPECT_EQ(Urls(store.RequestedFiles), (std::vector<std::string>{"p0", "p1", "p3"}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"p3", "p1", "p0"}));
    EXPECT_TRUE(store.RequestedFiles.IsModified());
}

TEST_F(EntryCommandsTest, DeletingOneRowAsksForThatEntryAndNoKeepsIt) {
    store.RequestedSearches.Append(Search("One"));
    store.RequestedSearches.Append(Search("Two"));
    Show(kRequestedSearchesList);
    window.Select({1});
    dialogs.answerYes = false;
    commands.DeleteEntries();
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{"Are you sure you want to delete that entry?"});
    EXPECT_EQ(store.RequestedSearches.Count(), 2);
    dialogs.answerYes = true;
    commands.DeleteEntries();
    ASSERT_EQ(store.RequestedSearches.Count(), 1);
    EXPECT_EQ(store.RequestedSearches.GetAt(0)->name, "Two");
    EXPECT_EQ(Column(0), std::vector<std::string>{"Two"});
}

TEST_F(EntryCommandsTest, DeletingInTheDownloadedListsAndResultsIsRefused) {
    store.DownloadedFiles.Append(File("http://d/1", "Success"));
    store.DownloadedSites.Append(Site("Done"));
    store.SearchResults.Append(File("http://r/1", "New Project"));
    Show(kRequestedFilesList);
    for (int list : {kDownloadedFilesList, kDownloadedSitesList, kSearchResultsList}) {
        Show(list);
        window.Select({0});
        commands.DeleteEntries();
    }
    EXPECT_EQ(window.messages,
              std::vector<std::string>(3, "You are not alowed to delete entries in this panel"));
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(store.DownloadedFiles.Count() + store.DownloadedSites.Count() + store.SearchResults.Count(), 3);
}

TEST_F(EntryCommandsTest, AddingAFileWhileAnotherListIsShownAddsNoRow) {
    Show(kRequestedSitesList);
    dialogs.fileUrl = "  host.org/my file.zip ";  // pasted with blanks around it
    commands.AddFiles();
    EXPECT_EQ(window.RowCount(), 0);
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->url, "http://host.org/my%20file.zip");
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Ready for download");

    dialogs.fileUrl = "ftp://host.org/b.zip";
    Show(kRequestedFilesList);
    commands.AddFiles();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"ftp://host.org/b.zip", "http://host.org/my%20file.zip"}));
    EXPECT_EQ(window.RowText(0, 1), "Ready for download");

    for (const char* empty : {"", " \t "}) {
        dialogs.fileUrl = empty;
        commands.AddFiles();
    }
    dialogs.fileUrl.reset();
    commands.AddFiles();
    EXPECT_EQ(store.RequestedFiles.Count(), 2);
}

TEST_F(EntryCommandsTest, AddWebSiteRefusesANameThatDiffersOnlyInLetterCase) {
    store.RequestedSites.Append(Site("Mirror"));
    Show(kRequestedFilesList);
    dialogs.webSheet = [](WebProject& project) {
        project.name = "MIRROR";
        return true;
    };
    commands.AddWebSite();
    EXPECT_EQ(window.messages, std::vector<std::string>{"A project with that name already exists!"});
    EXPECT_EQ(store.RequestedSites.Count(), 1);
}

TEST_F(EntryCommandsTest, AddWebSiteStoresZeroTimesForTheWhenRequestedModes) {
    Show(kRequestedSitesList);
    dialogs.webSheet = [](WebProject& project) {
        project.name = "Nightly";
        project.startUrl = "http://host/a b/";
        project.startHour = 22;
        project.startMinute = 30;  // "Run when requested" stays chosen
        project.stopOnRequest = 0;
        project.stopHour = 6;
        project.stopMinute = 5;
        project.status = "Ready for download";
        return true;
    };
    commands.AddWebSite();
    EXPECT_EQ(dialogs.sheetTitles, std::vector<std::string>{"Add New Web Project"});
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 1u);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startOnRequest, 1);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].stopOnRequest, 1);
    ASSERT_EQ(store.RequestedSites.Count(), 1);
    const WebProject& stored = *store.RequestedSites.GetAt(0);
    EXPECT_EQ(stored.startHour, 0);
    EXPECT_EQ(stored.startMinute, 0);
    EXPECT_EQ(stored.stopHour, 6);
    EXPECT_EQ(stored.stopMinute, 5);
    EXPECT_EQ(stored.startUrl, "http://host/a%20b/");
    EXPECT_EQ(Column(0), std::vector<std::string>{"Nightly"});
    EXPECT_EQ(Column(1), std::vector<std::string>{"Ready for download"});

    dialogs.webSheet = [](WebProject& project) { return project.name.Empty(); };  // OK with no name
    commands.AddWebSite();
    EXPECT_EQ(store.RequestedSites.Count(), 1);
}

TEST_F(EntryCommandsTest, AddSearchProjectAppendsWithoutANameCheck) {
    store.RequestedSearches.Append(Search("Find"));
    Show(kRequestedSearchesList);
    dialogs.searchDialog = [](SearchProject& project) {
        project.name = "find";
        project.useHotBot = 1;
        return true;
    };
    commands.AddSearchProject();
    ASSERT_EQ(store.RequestedSearches.Count(), 2);
    EXPECT_EQ(store.RequestedSearches.GetAt(1)->status, "Ready for download");
    EXPECT_EQ(Column(0), (std::vector<std::string>{"find", "Find"}));
}

TEST_F(EntryCommandsTest, PropertiesEditsInPlaceAndMarksTheListModified) {
    store.RequestedSites.Append(Site("Alpha"));
    store.RequestedSites.Append(Site("Beta"));
    store.RequestedSites.SetModified(false);
    Show(kRequestedSitesList);
    window.SetRowText(0, 1, "Downloading...");
    window.Select({0});
    dialogs.webSheet = [](WebProject& project) {
        project.name = "Gamma";
        project.maxDomainCount = 7;
        project.status = "Ready for download";
        return true;
    };
    commands.WindowProperties();
    EXPECT_EQ(dialogs.sheetTitles, std::vector<std::string>{"Web Project Properties"});
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 1u);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].name, "Beta");
    ASSERT_EQ(store.RequestedSites.Count(), 2);
    EXPECT_EQ(store.RequestedSites.GetAt(1)->name, "Gamma");
    EXPECT_EQ(store.RequestedSites.GetAt(1)->maxDomainCount, 7);
    EXPECT_EQ(store.RequestedSites.GetAt(0)->name, "Alpha");
    EXPECT_TRUE(store.RequestedSites.IsModified());
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Gamma", "Alpha"}));
    EXPECT_EQ(window.RowText(0, 1), "Downloading...");  // the status column stays

    // Cancel changes nothing.
    store.RequestedSites.SetModified(false);
    dialogs.webSheet = nullptr;
    commands.WindowProperties();
    EXPECT_FALSE(store.RequestedSites.IsModified());
}

TEST_F(EntryCommandsTest, PropertiesOfASearchProjectEditsTheFirstOfItsName) {
    store.RequestedSearches.Append(Search("Find"));
    store.RequestedSearches.SetModified(false);
    Show(kRequestedSearchesList);
    window.Select({0});
    dialogs.searchDialog = [](SearchProject& project) {
        project.searchText = "rar tools";
        return true;
    };
    commands.WindowProperties();
    ASSERT_EQ(dialogs.searchesLoadedWith.size(), 1u);
    EXPECT_EQ(dialogs.searchesLoadedWith[0].searchText, "zip tools");
    EXPECT_EQ(store.RequestedSearches.GetAt(0)->searchText, "rar tools");
    EXPECT_TRUE(store.RequestedSearches.IsModified());
}

TEST_F(EntryCommandsTest, SendToRequestedFilesStopsAtAnAddressEndingWithASlash) {
    for (const char* url : {"http://r/c.zip", "http://r/dir/", "http://r/a.zip"}) {
        store.SearchResults.Append(File(url, "New Project"));
    }
    Show(kRequestedFilesList);
    commands.SendToRequestedFiles();  // another list shown: nothing
    Show(kSearchResultsList);
    commands.SendToRequestedFiles();  // nothing selected: nothing
    EXPECT_EQ(store.RequestedFiles.Count(), 0);
    window.Select({0, 1, 2});
    commands.SendToRequestedFiles();
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->url, "http://r/a.zip");
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Ready for donwload");
    EXPECT_EQ(store.SearchResults.Count(), 3);
    EXPECT_EQ(window.RowCount(), 3);
}

// The start address is offered whole, not cut to the 79 characters of a name.
TEST_F(EntryCommandsTest, SendToRequestedWebSitesOffersTheWholeAddress) {
    const std::string address = "http://results.example.org/" + std::string(100, 'a') + "/";
    store.SearchResults.Append(File(address.c_str(), "New Project"));
    Show(kSearchResultsList);
    window.Select({0});
    commands.PanelSendToRequestedSites();
    commands.WindowSendToRequestedSites();
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 2u);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startUrl, address);
    EXPECT_EQ(dialogs.sheetsLoadedWith[1].startUrl, address);
}

TEST_F(EntryCommandsTest, SendToRequestedWebSitesDiffersBetweenTheWindowAndTheEntryList) {
    store.SearchResults.Append(File("http://r/site/", "New Project"));
    Show(kSearchResultsList);
    window.Select({0});
    dialogs.webSheet = [](WebProject& project) {
        project.wantZip = 1;
        return true;
    };
    commands.PanelSendToRequestedSites();
    commands.WindowSendToRequestedSites();

    EXPECT_EQ(dialogs.sheetTitles, (std::vector<std::string>{"New Web Project ", "Web Project Properties"}));
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 2u);
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].name, "New Project");
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startUrl, "http://r/site/");
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startOnRequest, 0);
    EXPECT_EQ(dialogs.sheetsLoadedWith[1].startOnRequest, 1);
    EXPECT_EQ(dialogs.sheetsLoadedWith[1].stopOnRequest, 1);
    ASSERT_EQ(store.RequestedSites.Count(), 2);
    EXPECT_EQ(store.RequestedSites.GetAt(0)->status, "Ready for download");

    // The window's handler keeps what its last use left in its project.
    dialogs.webSheet = nullptr;
    commands.WindowSendToRequestedSites();
    EXPECT_EQ(dialogs.sheetsLoadedWith[2].wantZip, 1);
    EXPECT_EQ(store.RequestedSites.Count(), 2);
}

}  // namespace

namespace {

// A checksum comes with Add File(s) or Properties, a malformed one is
// refused, and it goes when the last entry of its address is deleted.
TEST_F(EntryCommandsTest, AChecksumFollowsItsAddressUntilItsLastEntryIsDeleted) {
    const std::string url = "http://host.org/a.zip";
    const std::string sha1(40, 'a');
    Show(kRequestedFilesList);
    dialogs.fileUrl = "host.org/a.zip";
    dialogs.fileChecksum = "sha1:" + std::string(39, 'a');
    commands.AddFiles();
    EXPECT_EQ(window.messages, std::vector<std::string>{kInvalidChecksumMessage});
    EXPECT_EQ(store.RequestedFiles.Count(), 0);

    dialogs.fileChecksum = " " + sha1 + " ";
    commands.AddFiles();
    ASSERT_NE(store.Checksums.Find(url), nullptr);
    EXPECT_EQ(ChecksumText(store.Checksums.Find(url)->expected.value()), "sha1:" + sha1);

    const std::string sha256 = "sha256:" + std::string(64, 'c');
    for (const std::string& edited : {std::string("md5:xyz"), sha256}) {
        dialogs.fileProperties = [&](EntryDialogs::FileProperties& properties) {
            properties.checksum = edited;
            return true;
        };
        window.Select({0});
        commands.WindowProperties();
    }
    EXPECT_EQ(dialogs.filePropertiesLoadedWith.at(0).checksum, "sha1:" + sha1);
    EXPECT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(ChecksumText(store.Checksums.Find(url)->expected.value()), sha256);

    // Kept while the address is still listed as downloaded.
    store.DownloadedFiles.AppendUrl(url);
    window.Select({0});
    commands.DeleteEntries();
    EXPECT_NE(store.Checksums.Find(url), nullptr);
    store.DownloadedFiles.RemoveAt(0);
    dialogs.fileChecksum.clear();
    commands.AddFiles();
    window.Select({0});
    commands.DeleteEntries();
    EXPECT_EQ(store.Checksums.Find(url), nullptr);
}

// A file's login belongs to its server: Add File(s) gives it; Properties
// shows its user name but never its password, keeps the password when none
// is typed for the same user, and removes the login with an empty user name.
TEST_F(EntryCommandsTest, AFilesLoginIsGivenInAddFilesAndEditedInProperties) {
    Show(kRequestedFilesList);
    dialogs.fileUrl = "ftp://host.org:2121/a.zip";
    dialogs.fileUser = "ann";
    dialogs.filePassword = "one";
    commands.AddFiles();
    const LoginKey key{"ftp", "host.org", 2121};
    const struct {
        std::string user;
        std::string password;
        std::optional<LoginTable::Entry> after;
    } edits[] = {
        {"ann", "", LoginTable::Entry{"ann", "one", true}},
        {"ann", "two", LoginTable::Entry{"ann", "two", true}},
        {"bob", "", LoginTable::Entry{"bob", "", true}},
        {"", "", std::nullopt},
    };
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.user + ":" + edit.password);
        dialogs.fileProperties = [&](EntryDialogs::FileProperties& properties) {
            properties.user = edit.user;
            properties.password = edit.password;
            return true;
        };
        window.Select({0});
        commands.WindowProperties();
        const LoginTable::Entry* login = store.Logins.Find(key);
        EXPECT_EQ(login ? std::optional<LoginTable::Entry>(*login) : std::nullopt, edit.after);
    }
    ASSERT_EQ(dialogs.filePropertiesLoadedWith.size(), 4u);
    EXPECT_EQ(dialogs.filePropertiesLoadedWith[0].user, "ann");
    EXPECT_EQ(dialogs.filePropertiesLoadedWith[0].password, "");
    EXPECT_EQ(dialogs.filePropertiesLoadedWith[3].user, "bob");
}

}  // namespace
