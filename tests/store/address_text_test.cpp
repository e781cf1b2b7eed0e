#include "store/address_text.h"

#include <string>

#include <gtest/gtest.h>

#include "store/item_store.h"
#include "store/list_files.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"

namespace {

TEST(AddressTextTest, BlanksBecomeEscapesAndOtherBytesStay) {
    EXPECT_EQ(EscapeBlanks("http://a/my file.zip", 254), "http://a/my%20file.zip");
    EXPECT_EQ(EscapeBlanks("a\tb\r\nc", 254), "a%09b%0D%0Ac");
    // Blanks at the ends are dropped, not escaped: "a.zip%20" names another file.
    EXPECT_EQ(EscapeBlanks(" \thttp://h/my a.zip \r\n", 254), "http://h/my%20a.zip");
    EXPECT_EQ(EscapeBlanks(" \t ", 254), "");
    EXPECT_EQ(EscapeBlanks("http://a/%20.zip", 254), "http://a/%20.zip");
}

// Decoding undoes escaping, in either case of hex digit; a '%' that starts
// no whole escape stays, even at the very end.
TEST(AddressTextTest, DecodingUndoesEscapesAndKeepsBrokenOnes) {
    EXPECT_EQ(PercentDecoded(EscapeBlanks("a b\tc", 254)), "a b\tc");
    EXPECT_EQ(PercentDecoded("%2f%2F%41%00"), std::string("//A\0", 4));
    for (const char* kept : {"%", "a%", "%4", "%zz", "%4g", "100%"}) EXPECT_EQ(PercentDecoded(kept), kept);
    EXPECT_EQ(PercentDecoded("%%41"), "%A");
}

TEST(AddressTextTest, CutsAtAWholeEscapeToFitTheField) {
    EXPECT_EQ(EscapeBlanks("abc d", 5), "abc");
    EXPECT_EQ(EscapeBlanks("abc d", 6), "abc%20");
    EXPECT_EQ(EscapeBlanks(std::string(300, 'x'), 254).size(), 254u);
}

TEST(AddressTextTest, DefaultSchemeOnlyWithoutDoubleSlash) {
    EXPECT_EQ(WithDefaultScheme("a.org/x.zip"), "http://a.org/x.zip");
    EXPECT_EQ(WithDefaultScheme("ftp://a.org/x.zip"), "ftp://a.org/x.zip");
    EXPECT_EQ(WithDefaultScheme("a.org//x.zip"), "a.org//x.zip");
}

// The reason for the escapes: a file's address is one token of its list file.
TEST(AddressTextTest, AnEscapedAddressSurvivesTheListFileAsOneRecord) {
    TempFolder folder;
    ItemStore saved;
    saved.RequestedFiles.AppendUrl(EscapeBlanks("http://a/my file.zip", 254));
    FakeMessageBox messages;
    SaveLists(saved, messages, folder.Path());
    ItemStore loaded;
    LoadLists(loaded, folder.Path());
    ASSERT_EQ(loaded.RequestedFiles.Count(), 1);
    EXPECT_EQ(loaded.RequestedFiles.GetAt(0)->url, "http://a/my%20file.zip");
}

}  // namespace
