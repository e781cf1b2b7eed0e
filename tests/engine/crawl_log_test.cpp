#include "engine/crawl_log.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace {

// Whatever a project is called, its log is one file of its own in "logs".
TEST(CrawlLogTest, EveryProjectNameGivesAFileOfItsOwnInTheLogFolder) {
    const std::vector<std::string> names = {"..",         ".",    "a/b",  "../../etc/passwd",  "a%2Fb",
                                            "x\n\t\x01y", "Proj", "proj", std::string(80, '/')};
    std::vector<std::string> files;
    for (const std::string& name : names) {
        const std::filesystem::path path = CrawlLogPath(name);
        EXPECT_EQ(path.parent_path(), "logs") << name;
        const std::string file = path.filename().string();
        EXPECT_TRUE(file.find_first_of("/\n\t") == std::string::npos && file != "." && file != "..") << name;
        EXPECT_LE(file.size(), 255u) << name;
        files.push_back(file);
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(std::adjacent_find(files.begin(), files.end()), files.end());
    EXPECT_TRUE(CrawlLogPath("").empty());
}

// A long run keeps the newest lines within the bound, its first line and its
// first error; the next run starts with no error.
TEST(CrawlLogTest, TheLogStaysBoundedAndKeepsTheRunsFirstError) {
    TempFolder folder;
    ScopedCurrentDirectory inFolder(folder.Path());
    constexpr std::size_t kLimit = 2048;
    {
        CrawlLog log("p", kLimit);
        log.Record("http://h/a.htm", "200");
        log.RecordError("http://h/x.zip", "first\tfailure");
        for (int i = 0; i < 200; ++i) {
            log.Record("http://h/" + std::to_string(i) + ".zip", "200 saved as Software/p/f.zip");
        }
        log.RecordError("http://h/y.zip", "second failure");
    }
    const std::string text = folder.Read("logs/p.log");
    EXPECT_LE(text.size(), kLimit);
    EXPECT_NE(text.find("\t-\trun started\n"), std::string::npos);
    EXPECT_NE(text.find("http://h/199.zip\t200 saved as Software/p/f.zip\n"), std::string::npos);
    EXPECT_EQ(text.find("http://h/0.zip\t"), std::string::npos);
    EXPECT_EQ(FirstErrorOfLastRun("p"), "first failure");
    {
        CrawlLog log("p", kLimit);
        log.Record("http://h/a.htm", "200");
    }
    EXPECT_EQ(FirstErrorOfLastRun("p"), "");
    EXPECT_EQ(FirstErrorOfLastRun("never crawled"), "");
}

}  // namespace
