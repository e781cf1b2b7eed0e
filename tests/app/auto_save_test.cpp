#include "app/auto_save.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "store/list_files.h"
#include "support/fake_message_box.h"
#include "support/sync_recorder.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

class AutoSaveTest : public ::testing::Test {
protected:
    // Polls at `now`, then moves the clock on.
    bool PollAndWait(AutoSave::Clock::duration step) {
        const bool saved = autoSave.Poll(now);
        now += step;
        return saved;
    }

    void BlockSitesFile() const { std::filesystem::create_directory(folder / "reqsoftwebs.data.saving"); }

    TempFolder folder;
    SyncRecorder recorder;
    ItemStore store;
    FakeMessageBox messages;
    AutoSave autoSave{store, messages, {5s, 30s}, folder.Path()};
    AutoSave::Clock::time_point now;
};

TEST_F(AutoSaveTest, AChangeIsOnDiskAQuietSpellLaterAndUnchangedListsAreNeverWritten) {
    folder.Write("dnldsoft.data", "http://kept/\r\n\r\n");
    LoadLists(store, folder.Path());
    PollAndWait(1s);
    store.RequestedFiles.AppendUrl("http://a/1.zip");
    PollAndWait(5s - 1ms);
    EXPECT_FALSE(PollAndWait(1ms));
    EXPECT_FALSE(folder.Exists("reqsoft.data"));
    EXPECT_TRUE(PollAndWait(1h));
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://a/1.zip\n");

    EXPECT_FALSE(PollAndWait(1h));  // nothing changed since
    EXPECT_EQ(recorder.FilesWritten(), 1);
    EXPECT_EQ(folder.Read("dnldsoft.data"), "http://kept/\r\n\r\n");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AutoSaveTest, ABurstOfChangesCostsAHandfulOfWrites) {
    // A thousand new results, one every 50 ms: one write when the longest
    // wait is up, one when the burst is over.
    for (int change = 0; change < 1000; ++change) {
        store.SearchResults.AppendUrl("http://r/" + std::to_string(change));
        PollAndWait(50ms);
    }
    PollAndWait(5s);
    PollAndWait(1h);
    EXPECT_EQ(recorder.FilesWritten(), 2);
    const std::string saved = folder.Read("softsearchres.data");
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 1000);
}

TEST_F(AutoSaveTest, AFailingSaveIsReportedOnceAndTriedAgainAtTheNextChange) {
    BlockSitesFile();
    for (const char* name : {"First", "Second", "Third"}) {
        WebProject project;
        project.name = name;
        store.RequestedSites.Append(project);
        PollAndWait(5s);
        EXPECT_TRUE(PollAndWait(1h));
    }
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Error saving the 'Requested Web Sites' list!"});
    EXPECT_FALSE(folder.Exists("reqsoftwebs.data"));

    std::filesystem::remove(folder / "reqsoftwebs.data.saving");
    store.RequestedSites.RemoveAt(0);
    PollAndWait(5s);
    PollAndWait(1h);
    EXPECT_EQ(folder.Read("reqsoftwebs.data").substr(0, 7), "Second\n");

    // Once a save has succeeded, a new failure is reported again.
    BlockSitesFile();
    store.RequestedSites.RemoveAt(0);
    PollAndWait(5s);
    PollAndWait(1h);
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(AutoSaveTest, AListChangedWhileAFailureIsShownStaysMarkedAndIsWrittenNext) {
    BlockSitesFile();
    store.RequestedFiles.AppendUrl("http://a/1.zip");
    store.RequestedSites.Append(WebProject{});
    bool savedWhileOpen = true;
    messages.whileOpen = [&] {
        // A worker's step while the box is open; the files were written already.
        store.RequestedFiles.AppendUrl("http://a/2.zip");
        savedWhileOpen = autoSave.Poll(now + 1h);
    };
    PollAndWait(5s);
    EXPECT_TRUE(PollAndWait(5s));
    EXPECT_FALSE(savedWhileOpen);
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://a/1.zip\n");
    EXPECT_TRUE(store.RequestedFiles.IsModified());

    messages.whileOpen = nullptr;
    PollAndWait(5s);
    PollAndWait(1h);
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://a/1.zip\nhttp://a/2.zip\n");
}

}  // namespace
