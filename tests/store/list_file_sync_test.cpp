#include <filesystem>

#include <gtest/gtest.h>

#include "store/list_files.h"
#include "support/fake_message_box.h"
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

}  // namespace
