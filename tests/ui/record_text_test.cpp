#include "ui/record_text.h"

#include <string>

#include <gtest/gtest.h>

#include "app/command_ids.h"
#include "ui/dialogs/proj_props.h"
#include "ui/main_frame_fixture.h"

namespace {

using namespace CommandId;

// Every byte string comes back whole from the windows; UTF-8 is shown as
// its characters and any other byte as a character of its own.
TEST(RecordTextTest, BytesComeBackUnchangedAndUtf8IsShownAsCharacters) {
    const std::string samples[] = {
        "plain ascii",
        "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",  // UTF-8 of 2, 3 and 4 bytes
        "caf\xe9.zip",                                // Latin-1
        "\xc0\xaf \xe0\x80\xaf",                      // overlong forms
        "\xed\xa0\x80\xed\xb2\x80",                   // encoded surrogates
        "\xf4\x90\x80\x80 \xf8\x88\x80\x80\x80",      // past U+10FFFF
        "cut \xe2\x82",                               // a sequence cut short
        "\xf0\x9f\x98\x80\xe9\xff\x80",               // a pair followed by bytes
    };
    for (const std::string& bytes : samples) {
        EXPECT_EQ(TextForRecord(TextFromRecord(bytes)), bytes) << bytes;
    }
    EXPECT_EQ(TextFromRecord("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(TextFromRecord("caf\xe9").size(), 4);
    EXPECT_NE(TextFromRecord("caf\xe9"), TextFromRecord("caf\xc3\xa9"));
    EXPECT_EQ(TextForRecord(QString::fromUtf8("\xe2\x82\xac")), "\xe2\x82\xac");
}

using RecordTextFrameTest = MainFrameTest;

// A Latin-1 name from a list file leads Properties to its record, and a
// result link of raw bytes is sent on unchanged.
TEST_F(RecordTextFrameTest, RowsLeadBackToTheBytesOfTheirRecords) {
    folder.Write("reqsoftsearch.data", "Caf\xe9 tools\nzip\n1 0 0 0 0 0 0\n1 0 0\n0 0 0\n*\n");
    Store().SearchResults.Append(File("http://r/\xe9t\xe9.zip", "New Project"));
    Open();
    ASSERT_EQ(Store().RequestedSearches.Count(), 1);
    ASSERT_EQ(Store().RequestedSearches.GetAt(0)->name, "Caf\xe9 tools");

    ClickCategory("Search Projects");
    SelectRows({0});
    frame->SetActiveView(&frame->TreePanel());  // the handler that looks the row's text up
    Run(kProperties);
    ASSERT_EQ(dialogs.searchesLoadedWith.size(), 1u);
    EXPECT_EQ(dialogs.searchesLoadedWith[0].name, "Caf\xe9 tools");

    ClickCategory("Search Results");
    SelectRows({0});
    Run(kSendToRequestedFiles);
    ASSERT_EQ(Store().RequestedFiles.Count(), 1);
    EXPECT_EQ(Store().RequestedFiles.GetAt(0)->url, "http://r/\xe9t\xe9.zip");
}

TEST(RecordTextDialogTest, TheSheetStoresBackTheBytesItWasLoadedWith) {
    WebProject project;
    project.name = "caf\xe9";
    project.startUrl = "http://h/\xff/";
    project.userName = "\xe9l\xe8ve";
    CProjProps sheet(QStringLiteral("Web Project Properties"));
    sheet.LoadFromRecord(project);
    WebProject stored;
    sheet.StoreIntoRecord(stored);
    EXPECT_EQ(stored.name, project.name);
    EXPECT_EQ(stored.startUrl, project.startUrl);
    EXPECT_EQ(stored.userName, project.userName);
}

}  // namespace
