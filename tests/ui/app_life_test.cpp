#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_state.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/main_frame.h"
#include "store/item_store.h"
#include "support/temp_folder.h"

namespace {

class AppLifeTest : public ::testing::Test {
protected:
    void TearDown() override { TheStore() = ItemStore(); }

    TempFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
};

std::size_t FilesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

TEST_F(AppLifeTest, StartingWithoutFilesAndEndingAtOnceCreatesNoFile) {
    CDravenetApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.MainFrame()->windowTitle(), "Tarrawick for software");
    EXPECT_TRUE(app.MainFrame()->isMaximized());
    EXPECT_EQ(app.ExitInstance(0), 0);
    EXPECT_EQ(FilesIn(folder.Path()), 0u);
}

TEST_F(AppLifeTest, EndingWithoutChangesRewritesNothingAndClearsTheHandOver) {
    folder.Write("reqsoft.data", "http://a/1.zip\r\n\r\n");
    CDravenetApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(TheStore().RequestedFiles.Count(), 1);
    TheAppState().PendingFileEntry = TheStore().RequestedFiles.GetAt(0);
    app.ExitInstance(0);
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://a/1.zip\r\n\r\n");
    EXPECT_EQ(TheAppState().PendingFileEntry, nullptr);
}

TEST_F(AppLifeTest, EndingSavesWhatChangedDuringTheRun) {
    CDravenetApp app;
    ASSERT_TRUE(app.InitInstance());
    TheStore().DownloadedFiles.AppendUrl("http://a/1.zip");
    app.ExitInstance(0);
    EXPECT_EQ(folder.Read("dnldsoft.data"), "http://a/1.zip\n");
    EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

}  // namespace
