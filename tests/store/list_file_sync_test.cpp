#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/list_files.h"
#include "support/fake_message_box.h"
#include "support/record_builders.h"
#include "support/sync_recorder.h"
#include "support/temp_folder.h"

namespace {

TEST(ListFileSyncTest, NewBytesReachTheDiskBeforeTheRenameAndTheFolderAfterIt) {
    TempFolder folder;
    const std::filesystem::path realFolder = std::filesystem::canonical(folder.Path());
    SyncRecorder recorder(folder / "reqsoft.data");
    ItemStore store;
    FakeMessageBox messages;
    folder.Write("reqsoft.data", "http://old/\n");
    store.RequestedFiles.AppendUrl("http://new/");
    SaveLists(store, messages, folder.Path());
    ASSERT_EQ(recorder.syncs.size(), 2u);
    EXPECT_EQ(recorder.syncs[0].synced, realFolder / "reqsoft.data.saving");
    EXPECT_EQ(recorder.syncs[0].watchedBytes, "http://old/\n");
    EXPECT_EQ(recorder.syncs[1].synced, realFolder);
    EXPECT_EQ(recorder.syncs[1].watchedBytes, "http://new/\n");

    // An emptied list removes its file, and the removal is synced too.
    recorder.syncs.clear();
    store.RequestedFiles.RemoveAt(0);
    SaveLists(store, messages, folder.Path());
    ASSERT_EQ(recorder.syncs.size(), 1u);
    EXPECT_EQ(recorder.syncs[0].synced, realFolder);
    EXPECT_FALSE(folder.Exists("reqsoft.data"));
}

using Keys = std::multiset<std::string>;

template <typename Record>
Keys KeysOf(const ItemList<Record>& first, const ItemList<Record>& second) {
    Keys keys;
    for (const ItemList<Record>* list : {&first, &second}) {
        for (const Record& record : *list) keys.insert(std::string(KeyOf(record)));
    }
    return keys;
}

// The files in the folder, by name.
std::map<std::string, std::string> FilesIn(const TempFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& file : std::filesystem::directory_iterator(folder.Path())) {
        files[file.path().filename()] = folder.Read(file.path().filename());
    }
    return files;
}

// Entries move from the requested lists to the downloaded ones. A save
// killed at any of its steps leaves each entry on the disk, and the next
// start lists it exactly once: a finished one as downloaded.
TEST(ListFileSyncTest, ASaveKilledAtAnyStepLosesAndDoublesNoEntry) {
    TempFolder folder;
    ItemStore store;
    FakeMessageBox messages;
    for (const char* url : {"http://x.org/a.zip", "http://x.org/b.zip", "http://x.org/c.zip"})
        store.RequestedFiles.AppendUrl(url);
    store.DownloadedFiles.AppendUrl("http://x.org/old.zip");
    store.RequestedSites.Append(Site("one"));
    store.RequestedSites.Append(Site("two"));
    SaveLists(store, messages, folder.Path());

    store.RequestedFiles.RemoveAt(1);
    store.DownloadedFiles.AppendUrl("http://x.org/b.zip");
    store.RequestedSites.RemoveAt(1);
    store.DownloadedSites.Append(Site("two"));
    std::vector<std::map<std::string, std::string>> moments;
    {
        SyncRecorder recorder;
        recorder.beforeEachSync = [&] { moments.push_back(FilesIn(folder)); };
        SaveLists(store, messages, folder.Path());
    }
    moments.push_back(FilesIn(folder));
    ASSERT_GE(moments.size(), 9u);  // two syncs per list written, and the end

    const Keys files{"http://x.org/a.zip", "http://x.org/b.zip", "http://x.org/c.zip",
                     "http://x.org/old.zip"};
    const Keys sites{"one", "two"};
    for (std::size_t moment = 0; moment < moments.size(); ++moment) {
        TempFolder disk;
        for (const auto& [name, bytes] : moments[moment]) disk.Write(name, bytes);
        ItemStore loaded;
        LoadLists(loaded, disk.Path());
        EXPECT_EQ(KeysOf(loaded.RequestedFiles, loaded.DownloadedFiles), files) << "step " << moment;
        EXPECT_EQ(KeysOf(loaded.RequestedSites, loaded.DownloadedSites), sites) << "step " << moment;
    }

    // An entry requested again after its download is kept twice after a
    // whole save; after a cut one, keys compare as the lists compare them,
    // and the requested list then needs saving without the entry.
    folder.Write("reqsoft.data", "HTTP://X.ORG/OLD.ZIP\nhttp://x.org/a.zip\n");
    for (const bool cut : {false, true}) {
        if (cut) folder.Write("moving.mark", "");
        ItemStore again;
        LoadLists(again, folder.Path());
        EXPECT_EQ(again.RequestedFiles.Count(), cut ? 1 : 2) << cut;
        EXPECT_EQ(again.RequestedFiles.IsModified(), cut);
    }
}

}  // namespace
