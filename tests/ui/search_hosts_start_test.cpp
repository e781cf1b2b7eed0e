#include <gtest/gtest.h>

#include <cstdlib>

#include "app/gui/dravenet_app.h"
#include "store/item_store.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"
#include "ui/scripted_dialogs.h"

namespace {

// A query host that the program must not send to ends the start before the
// window is made or a list file is read, with a message that names it.
TEST(SearchHostsStartTest, ARefusedHostEndsTheStartWithAMessageAndTouchesNothing) {
    TempFolder folder;
    ScopedCurrentDirectory inFolder(folder.Path());
    folder.Write("reqsoft.data", "http://a/1.zip\r\n\r\n");
    ScriptedDialogs dialogs;
    FakeMessageBox messages;
    ::setenv("TARRAWICK_YAHOO_HOST", "http://engine.test/", 1);
    {
        CDravenetApp app(FrameServices{&dialogs, &messages, nullptr, [](const QUrl&) {}});
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.MainFrame(), nullptr);
    }
    ::unsetenv("TARRAWICK_YAHOO_HOST");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].rfind("TARRAWICK_YAHOO_HOST is set to \"http://engine.test/\"", 0), 0u);
    EXPECT_EQ(TheStore().RequestedFiles.Count(), 0);
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://a/1.zip\r\n\r\n");
}

}  // namespace
