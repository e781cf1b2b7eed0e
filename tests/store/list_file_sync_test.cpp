#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

#include "store/list_files.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"

namespace {

// One fsync seen while a test records: what was synced, and what the list
// file held at that moment.
struct SeenSync {
    std::string synced;
    std::string listFileBytes;
};

std::vector<SeenSync>* recordedSyncs = nullptr;
std::filesystem::path watchedListFile;

std::string BytesOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

// Stands in for the C library's fsync in this test program: records the call,
// then syncs as the library would.
extern "C" int fsync(int descriptor) {
    if (recordedSyncs != nullptr) {
        std::error_code error;
        const auto synced =
            std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(descriptor), error);
        recordedSyncs->push_back({synced.string(), BytesOf(watchedListFile)});
    }
    return static_cast<int>(::syscall(SYS_fsync, descriptor));
}

namespace {

class ListFileSyncTest : public ::testing::Test {
protected:
    ListFileSyncTest() {
        watchedListFile = folder / "reqsoft.data";
        recordedSyncs = &syncs;
    }
    ~ListFileSyncTest() override { recordedSyncs = nullptr; }

    TempFolder folder;
    const std::filesystem::path realFolder = std::filesystem::canonical(folder.Path());
    std::vector<SeenSync> syncs;
    ItemStore store;
    FakeMessageBox messages;
};

TEST_F(ListFileSyncTest, NewBytesReachTheDiskBeforeTheRenameAndTheFolderAfterIt) {
    folder.Write("reqsoft.data", "http://old/\n");
    store.RequestedFiles.AppendUrl("http://new/");
    SaveLists(store, messages, folder.Path());
    ASSERT_EQ(syncs.size(), 2u);
    EXPECT_EQ(syncs[0].synced, (realFolder / "reqsoft.data.saving").string());
    EXPECT_EQ(syncs[0].listFileBytes, "http://old/\n");
    EXPECT_EQ(syncs[1].synced, realFolder.string());
    EXPECT_EQ(syncs[1].listFileBytes, "http://new/\n");

    // An emptied list removes its file, and the removal is synced too.
    syncs.clear();
    store.RequestedFiles.RemoveAt(0);
    SaveLists(store, messages, folder.Path());
    ASSERT_EQ(syncs.size(), 1u);
    EXPECT_EQ(syncs[0].synced, realFolder.string());
    EXPECT_FALSE(folder.Exists("reqsoft.data"));
}

}  // namespace
