#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/data_folder.h"
#include "app/folder_instance.h"
#include "app/program_options.h"
#include "support/temp_folder.h"

namespace {

using Action = ProgramOptions::Action;

TEST(ProgramOptionsTest, ReadsTheDataFolderHelpAndVersionAndRefusesWhatItDoesNotKnow) {
    using Texts = std::vector<std::string>;
    struct Case {
        Texts arguments;
        bool qtOptionsRemoved;
        Action action;
        std::string dataDir;
        Texts addresses = {};
        Texts refused = {};
        bool site = false;
    };
    const Case cases[] = {
        {{}, true, Action::kRun, ""},
        // Addresses in order, one per argument; the rest named, not added.
        {{"ftp://h/a.zip", "--data-dir", "d", "h.example/b.zip", "javascript:x", "two\nlines.example/c"},
         true,
         Action::kRun,
         "d",
         {"ftp://h/a.zip", "h.example/b.zip"},
         {"javascript:x", "two\nlines.example/c"}},
        {{"--site", "--", "-h.example/x", "--help"},
         true,
         Action::kRun,
         "",
         {"-h.example/x"},
         {"--help"},
         true},
        {{"-platform", "offscreen", "http://h/a"}, false, Action::kRun, ""},  // nothing read before Qt
        {{"--bus-name", "--data-dir", "d"}, true, Action::kBusName, "d"},
        {{"--data-dir", "/home/me/Tarrawick"}, true, Action::kRun, "/home/me/Tarrawick"},
        {{"--data-dir=my files"}, true, Action::kRun, "my files"},
        {{"--data-dir", "d", "--help"}, true, Action::kHelp, "d"},
        {{"--bogus", "--version"}, true, Action::kVersion, ""},
        {{"-platform", "offscreen"}, false, Action::kRun, ""},  // Qt's, before Qt took it
        {{"-platform", "offscreen"}, true, Action::kRefuse, "", {}, {"offscreen"}},
        {{"--data-dir"}, false, Action::kRefuse, ""},
        {{"--data-dir="}, false, Action::kRefuse, ""},
    };
    for (const Case& c : cases) {
        const ProgramOptions options = ReadProgramOptions(c.arguments, c.qtOptionsRemoved);
        const std::string shown = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(options.action, c.action) << shown;
        EXPECT_EQ(options.dataDir.value_or(""), c.dataDir) << shown;
        EXPECT_TRUE(c.action != Action::kRefuse || !options.refusal.empty()) << shown;
        EXPECT_EQ(options.addresses, c.addresses) << shown;
        EXPECT_EQ(options.refusedAddresses, c.refused) << shown;
        EXPECT_EQ(options.site, c.site) << shown;
    }
}

TEST(FolderInstanceTest, OneLockHolderPerFolderAndOneBusNamePerCanonicalFolder) {
    TempFolder folder;
    std::filesystem::create_directories(folder / "a");
    std::filesystem::create_directories(folder / "b");
    {
        const FolderLock first(folder / "a");
        const FolderLock second(folder / "a");
        const FolderLock elsewhere(folder / "b");
        EXPECT_TRUE(first.Held());
        EXPECT_FALSE(second.Held());
        EXPECT_TRUE(elsewhere.Held());
    }
    EXPECT_TRUE(FolderLock(folder / "a").Held());  // freed with its holder
    EXPECT_FALSE(FolderLock(folder / "missing").Held());

    const std::string a = InstanceBusName(folder / "a");
    EXPECT_EQ(a, InstanceBusName(folder / "a"));
    EXPECT_NE(a, InstanceBusName(folder / "b"));
    // A well-known name: dotted elements of [A-Za-z0-9_-], none starting
    // with a digit, at most 255 characters, whatever the path holds.
    for (const std::string& name :
         {a, InstanceBusName("/1 2/\xff\n"), InstanceBusName(std::string(4000, 'x'))}) {
        EXPECT_LE(name.size(), 255u);
        std::size_t start = 0;
        while (start <= name.size()) {
            const std::size_t end = std::min(name.find('.', start), name.size());
            const std::string element = name.substr(start, end - start);
            ASSERT_FALSE(element.empty()) << name;
            EXPECT_FALSE(element[0] >= '0' && element[0] <= '9') << name;
            EXPECT_EQ(
                element.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-"),
                std::string::npos)
                << name;
            start = end + 1;
        }
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
