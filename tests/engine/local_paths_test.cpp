#include "engine/local_paths.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace {

using namespace std::string_literals;

TEST(IsSafePathComponent, RefusesNamesThatLeaveTheirFolder) {
    for (const std::string& name :
         {""s, "."s, ".."s, "a/b"s, "/"s, "a\0b"s, "a\0.zip"s, std::string(256, 'n')}) {
        EXPECT_FALSE(IsSafePathComponent(name)) << name;
    }
    for (const std::string& name :
         {"..."s, ".x"s, "..a"s, "a b"s, "a\\b"s, "b.zip?x=1"s, std::string(255, 'n')}) {
        EXPECT_TRUE(IsSafePathComponent(name)) << name;
    }
}

TEST(IsSafeRelativeFolder, RefusesAFolderWithAnyUnsafeSegment) {
    for (const std::string& folder : {""s, "\\d1\\d2"s, "\\\\d1\\"s, "\\...\\x"s}) {
        EXPECT_TRUE(IsSafeRelativeFolder(folder)) << folder;
        EXPECT_TRUE(IsSafeLocalPath(folder, "a.zip")) << folder;
    }
    for (const std::string& folder : {"\\d1\\..\\.."s, "\\.\\d"s, "\\a/b"s, "\\a\0b"s}) {
        EXPECT_FALSE(IsSafeRelativeFolder(folder)) << folder;
        EXPECT_FALSE(IsSafeLocalPath(folder, "a.zip")) << folder;
    }
    EXPECT_FALSE(IsSafeLocalPath("\\d1", ".."));
}

class CreateFolderPathTest : public ::testing::Test {
protected:
    TempFolder temp;
    std::string base = (temp.Path() / "Software" / "project").string();

    void SetUp() override { std::filesystem::create_directories(base); }

    bool IsFolder(const std::filesystem::path& path) const {
        return std::filesystem::is_directory(std::filesystem::symlink_status(path));
    }
};

TEST_F(CreateFolderPathTest, CreatesEveryLevelSkippingEmptySegments) {
    CreateFolderPath(base, "\\d1\\d2");
    EXPECT_TRUE(IsFolder(base + "/d1/d2"));
    CreateFolderPath(base, "\\\\a\\\\b\\");
    EXPECT_TRUE(IsFolder(base + "/a/b"));
    CreateFolderPath(base, "\\d1\\d2\\d3");  // the existing levels are passed
    EXPECT_TRUE(IsFolder(base + "/d1/d2/d3"));
}

TEST_F(CreateFolderPathTest, CreatesNothingForPathsThatWouldLeaveTheBase) {
    for (const std::string& path :
         {"\\a\\..\\..\\escaped"s, "\\a\\.\\b"s, "\\a/../../escaped"s, "\\/tmp"s, "\\a\0b"s}) {
        CreateFolderPath(base, path);
    }
    EXPECT_TRUE(std::filesystem::is_empty(base));
    EXPECT_FALSE(temp.Exists("Software/escaped"));
    EXPECT_FALSE(temp.Exists("escaped"));
}

TEST_F(CreateFolderPathTest, DoesNotGoThroughAPlantedLink) {
    std::filesystem::create_directory(temp / "outside");
    std::filesystem::create_directory_symlink(temp / "outside", base + "/d1");
    CreateFolderPath(base, "\\d1\\d2");
    EXPECT_FALSE(temp.Exists("outside/d2"));
}

TEST_F(CreateFolderPathTest, CreatesNothingBeyondThePathStorage) {
    const std::size_t room = kMaxFolderPathLength - base.size() - 1;
    CreateFolderPath(base, "\\" + std::string(room + 1, 'x'));
    EXPECT_TRUE(std::filesystem::is_empty(base));
    if (room <= 255) {
        CreateFolderPath(base, "\\" + std::string(room, 'x'));
        EXPECT_TRUE(IsFolder(base + "/" + std::string(room, 'x')));
    }
}

TEST_F(CreateFolderPathTest, AnEmptyBaseIsNoFolder) {
    ScopedCurrentDirectory here(temp.Path());
    CreateFolderPath("", "\\tarrawick-test-empty-base");
    EXPECT_FALSE(temp.Exists("tarrawick-test-empty-base"));
    EXPECT_FALSE(std::filesystem::exists("/tarrawick-test-empty-base"));
}

}  // namespace
