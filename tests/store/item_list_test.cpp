#include "store/item_list.h"

#include <gtest/gtest.h>

#include "store/fixed_text.h"
#include "store/link_stack.h"

namespace {

ItemList<FileEntry> ListOf(std::initializer_list<const char*> urls) {
    ItemList<FileEntry> list;
    for (const char* url : urls) list.AppendUrl(url);
    list.SetModified(false);
    return list;
}

TEST(FixedText, CutsAtTheFieldSizeAndStaysTerminated) {
    FixedText<5> text;
    text = "abcdefgh";
    EXPECT_EQ(text.View(), "abcd");
    EXPECT_EQ(text.CStr()[4], '\0');
    text = "xy";
    EXPECT_EQ(text.View(), "xy");  // the old tail is gone
    text = std::string_view("a\0b", 3);
    EXPECT_EQ(text.View(), "a");  // a zero byte ends the text
}

TEST(ItemList, EmptyListFindsNothingAndIgnoresRemovals) {
    ItemList<FileEntry> list;
    EXPECT_EQ(list.FindByName("x"), -1);
    EXPECT_EQ(list.GetAt(0), nullptr);
    list.RemoveAt(0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.IsModified());
}

TEST(ItemList, PositionsOutsideTheListChangeNothing) {
    ItemList<FileEntry> list = ListOf({"a", "b"});
    list.RemoveAt(2);
    list.RemoveAt(-1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.IsModified());
    EXPECT_EQ(list.GetAt(2), nullptr);
    EXPECT_EQ(list.GetAt(-1), nullptr);
}

TEST(ItemList, RemoveAtUnlinksTheRightRecordAndMarksTheList) {
    ItemList<FileEntry> list = ListOf({"a", "b", "c"});
    list.RemoveAt(1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetAt(0)->url, "a");
    EXPECT_EQ(list.GetAt(1)->url, "c");
    EXPECT_TRUE(list.IsModified());
}

TEST(ItemList, FindByNameFoldsOnlyAsciiLettersAndReturnsTheFirstMatch) {
    ItemList<FileEntry> list = ListOf({"http://x/A.ZIP", "http://x/a.zip", "\xC4.zip"});
    EXPECT_EQ(list.FindByName("HTTP://X/a.zip"), 0);
    EXPECT_EQ(list.FindByName("\xE4.zip"), -1);  // no folding beyond A-Z
    EXPECT_EQ(list.FindByName("http://x/a.zi"), -1);
}

TEST(ItemList, AppendStoresACopyAndReferencesStayValid) {
    ItemList<WebProject> list;
    WebProject project;
    project.name = "My Site";
    project.startHour = 22;
    list.Append(project);
    WebProject* stored = list.GetAt(list.Count() - 1);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(*stored, project);

    project.name = "Changed";
    EXPECT_EQ(stored->name, "My Site");

    for (int i = 0; i < 100; ++i) list.Append(project);
    list.RemoveAt(5);
    EXPECT_EQ(stored->name, "My Site");  // other records came and went
    EXPECT_EQ(list.FindByName("MY SITE"), 0);
}

TEST(ItemList, AppendUrlGivesReadyForDownload) {
    ItemList<FileEntry> list;
    list.AppendUrl("x");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetAt(0)->status, "Ready for download");
    EXPECT_TRUE(list.IsModified());
}

TEST(LinkStack, PopsInReverseOrderAndEmptyWhenExhausted) {
    LinkStack stack;
    EXPECT_TRUE(stack.IsEmpty());
    EXPECT_EQ(stack.Pop(), "");
    stack.Push("a");
    stack.Push("b");
    stack.Push(std::string(400, 'z'));
    EXPECT_EQ(stack.Pop(), std::string(255, 'z'));
    EXPECT_EQ(stack.Pop(), "b");
    EXPECT_EQ(stack.Pop(), "a");
    EXPECT_TRUE(stack.IsEmpty());
}

}  // namespace
