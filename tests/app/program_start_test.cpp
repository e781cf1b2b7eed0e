#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/data_folder.h"
#include "app/program_options.h"
#include "support/temp_folder.h"

namespace {

using Action = ProgramOptions::Action;

TEST(ProgramOptionsTest, ReadsTheDataFolderHelpAndVersionAndRefusesWhatItDoesNotKnow) {
    struct Case {
        std::vector<std::string> arguments;
        bool qtOptionsRemoved;
        Action action;
        std::string dataDir;
    };
    const Case cases[] = {
        {{}, true, Action::kRun, ""},
        {{"--data-dir", "/home/me/Tarrawick"}, true, Action::kRun, "/home/me/Tarrawick"},
        {{"--data-dir=my files"}, true, Action::kRun, "my files"},
        {{"--data-dir", "d", "--help"}, true, Action::kHelp, "d"},
        {{"--bogus", "--version"}, true, Action::kVersion, ""},
        {{"-platform", "offscreen"}, false, Action::kRun, ""},  // Qt's, before Qt took it
        {{"-platform", "offscreen"}, true, Action::kRefuse, ""},
        {{"--data-dir"}, false, Action::kRefuse, ""},
        {{"--data-dir="}, false, Action::kRefuse, ""},
    };
    for (const Case& c : cases) {
        const ProgramOptions options = ReadProgramOptions(c.arguments, c.qtOptionsRemoved);
        const std::string shown = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(options.action, c.action) << shown;
        EXPECT_EQ(options.dataDir.value_or(""), c.dataDir) << shown;
        EXPECT_TRUE(c.action != Action::kRefuse || !options.refusal.empty()) << shown;
    }
}

TEST(DataFolderTest, AFreshFolderIsCreatedAndEnteredAndAnUnusableOneRefusedWithNothingWritten) {
    TempFolder folder;
    ScopedCurrentDirectory restored(folder.Path());
    folder.Write("a file", "bytes");
    for (const auto& unusable : {folder / "a file", folder / "a file" / "below"}) {
        const std::string failure = EnterDataFolder(unusable);
        EXPECT_NE(failure.find("Cannot use the data folder '" + unusable.string() + "'"), std::string::npos)
            << failure;
        EXPECT_EQ(std::filesystem::current_path(), folder.Path());
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
    EXPECT_EQ(folder.Read("a file"), "bytes");

    const std::filesystem::path fresh = folder / "home" / "Tarrawick";
    EXPECT_EQ(EnterDataFolder(fresh), "");
    EXPECT_EQ(std::filesystem::current_path(), fresh);
}

}  // namespace
