#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>

#include "app/command_ids.h"
#include "app/gui/dravenet_app.h"
#include "engine/crawl_log.h"
#include "support/test_http_server.h"
#include "ui/main_frame_fixture.h"
#include "ui/panels/dnld_list.h"
#include "ui/panels/url_opener.h"
#include "ui/process_events_until.h"

namespace {

const char* const kTwoGoodOneBad = "http://h/a.zip\nhello world\r\nfiles.example/pub/b.zip\n";
const char* const kRefusal = "This is not an address and was not added:\nhello world";

class DesktopTest : public MainFrameTest {
protected:
    // What a browser drops: a URI list would do too, the text is what both come to.
    void Drop(const QString& text) {
        QMimeData mime;
        mime.setText(text);
        QWidget* target = List().viewport();  // the drop reaches the window through the pane
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QCoreApplication::processEvents();  // the addresses are added after the drag
    }

    // Ctrl+V with the keyboard focus in the entry list.
    void Paste(const QString& text) {
        QApplication::clipboard()->setText(text);
        QApplication::setActiveWindow(frame.get());
        List().setFocus();
        QApplication::processEvents();
        if (QApplication::focusWidget() != &List()) GTEST_SKIP() << "no keyboard focus on this platform";
        QTest::keyClick(&List(), Qt::Key_V, Qt::ControlModifier);
    }
};

// Two addresses and a line of text, dropped or pasted: the addresses are
// added as Add File(s) adds them ("http://" in front where no "//" is), the
// text is named in a message and adds nothing. On the web sites list each
// address opens Add Web Site with it as the start address.
TEST_F(DesktopTest, DroppedAndPastedAddressesAreAddedAndTextIsRefused) {
    for (const bool paste : {false, true}) {
        TearDown();
        SetUp();
        messages.shown.clear();
        Open();
        paste ? Paste(kTwoGoodOneBad) : Drop(kTwoGoodOneBad);
        if (IsSkipped()) return;
        EXPECT_EQ(Column(0), (std::vector<std::string>{"http://files.example/pub/b.zip", "http://h/a.zip"}))
            << paste;
        EXPECT_EQ(Column(1), (std::vector<std::string>{"Ready for download", "Ready for download"}));
        EXPECT_EQ(Store().RequestedFiles.Count(), 2);
        EXPECT_EQ(messages.shown, std::vector<std::string>{kRefusal});
    }

    ClickCategory("Web Sites");
    int named = 0;
    dialogs.webSheet = [&named](WebProject& project) {
        project.name = "site " + std::to_string(++named);
        return true;
    };
    Drop(kTwoGoodOneBad);
    ASSERT_EQ(dialogs.sheetsLoadedWith.size(), 2u);
    EXPECT_EQ(dialogs.sheetTitles[0], "Add New Web Project");
    EXPECT_EQ(dialogs.sheetsLoadedWith[0].startUrl, "http://h/a.zip");
    EXPECT_EQ(dialogs.sheetsLoadedWith[1].startUrl, "files.example/pub/b.zip");
    EXPECT_EQ(Column(0), (std::vector<std::string>{"site 2", "site 1"}));
    EXPECT_EQ(Store().RequestedFiles.Count(), 2);  // no file added
}

TEST_F(DesktopTest, CtrlSOpensAddSearchProject) {
    Open();
    int searchDialogs = 0;
    dialogs.searchDialog = [&searchDialogs](SearchProject&) { return ++searchDialogs, false; };
    QApplication::setActiveWindow(frame.get());
    List().setFocus();
    QApplication::processEvents();
    if (!frame->isActiveWindow()) GTEST_SKIP() << "no active window on this platform";
    QTest::keyClick(&List(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(searchDialogs, 1);
}

// A saved file's folder opens from the downloaded tree and from the rows of
// the downloaded lists; other lists do not offer it.
TEST_F(DesktopTest, OpenContainingFolderOpensTheFolderOfTheSavedFile) {
    Store().DownloadedFiles.AppendUrl("http://h/pub/a.zip");
    Store().DownloadedSites.Append(Site("proj"));
    Open();
    frame->DownloadedTree().AddFile("proj", "Software/proj/sub/x.zip");
    frame->DownloadedTree().setCurrentItem(frame->DownloadedTree().topLevelItem(0)->child(0));
    frame->DownloadedTree().ContextMenu().actions().at(1)->trigger();

    std::vector<QAction*> shown;
    List().SetMenuPopup([&shown](QMenu& menu, const QPoint&) {
        for (QAction* action : menu.actions()) {
            if (!action->isVisible() || action->text() != "Open Containing Folder") continue;
            shown.push_back(action);
            action->trigger();
        }
    });
    const auto rightClickRow0 = [this] {
        SelectRows({0});
        QTest::mouseClick(List().viewport(), Qt::RightButton, {},
                          List().visualItemRect(List().topLevelItem(0)).center());
    };
    ClickCategory("Downloaded Files");
    rightClickRow0();
    ClickCategory("Downloaded Sites");
    rightClickRow0();
    Store().RequestedFiles.AppendUrl("http://h/b.zip");
    ClickCategory("Files");
    rightClickRow0();

    EXPECT_EQ(shown.size(), 2u);
    const std::filesystem::path here = std::filesystem::current_path();
    EXPECT_EQ(opened, (std::vector<QUrl>{LocalPathUrl((here / "Software/proj/sub").string()),
                                         LocalPathUrl((here / "Software").string()),
                                         LocalPathUrl((here / "Software/proj").string())}));
}

// A web project's log opens from the rows of both web-site lists; other
// lists do not offer it, and a project that has no log yet opens nothing.
TEST_F(DesktopTest, ViewLogOpensTheProjectsLog) {
    Store().DownloadedSites.Append(Site("a/b"));
    Store().RequestedSites.Append(Site("never crawled"));
    Store().DownloadedFiles.AppendUrl("http://h/pub/a.zip");
    { CrawlLog log("a/b"); }
    Open();
    int offered = 0;
    List().SetMenuPopup([&offered](QMenu& menu, const QPoint&) {
        for (QAction* action : menu.actions()) {
            if (!action->isVisible() || action->text() != "View Log") continue;
            ++offered;
            action->trigger();
        }
    });
    for (const char* category : {"Downloaded Sites", "Web Sites", "Downloaded Files"}) {
        ClickCategory(category);
        SelectRows({0});
        QTest::mouseClick(List().viewport(), Qt::RightButton, {},
                          List().visualItemRect(List().topLevelItem(0)).center());
    }
    EXPECT_EQ(offered, 2);
    const std::filesystem::path log = std::filesystem::current_path() / "logs/a%2Fb.log";
    EXPECT_EQ(opened, std::vector<QUrl>{LocalPathUrl(log.string())});
}

// A download with a known size shows its bar and percentage beside the
// status line while it runs, "halted" with the same percentage once
// stopped, and nothing once it has ended.
TEST_F(DesktopTest, TheStatusPaneShowsHowFarTheSelectedDownloadIs) {
    TestHttpServer server;
    server.Route("/big.zip", TestHttpReply::Cut(TestReplyEnding::kStall, std::string(40000, 'b'), 10000));
    folder.Write("reqsoft.data", server.Url("/big.zip") + "\n");
    CDravenetApp app(FrameServices{&dialogs, &messages, nullptr, [](const QUrl&) {}});
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& window = *app.MainFrame();
    CStatusView& pane = window.StatusView();
    EXPECT_FALSE(pane.TransferShown());
    window.ListPanel().topLevelItem(0)->setSelected(true);
    window.Action(CommandId::kSelectedProjects)->trigger();

    ASSERT_TRUE(ProcessEventsUntil([&] { return pane.ProgressBar().text() == "25%"; }));
    EXPECT_TRUE(pane.ProgressBar().isVisible());
    EXPECT_TRUE(pane.TransferLineText().endsWith("KiB/s") || pane.TransferLineText().endsWith(" left"))
        << pane.TransferLineText().toStdString();
    EXPECT_EQ(pane.StatusText(), "Downloading...9.77k read");

    window.Action(CommandId::kStopDownloading)->trigger();
    EXPECT_EQ(pane.TransferLineText(), "halted");
    EXPECT_EQ(pane.ProgressBar().text(), "25%");
    window.Action(CommandId::kSelectedProjects)->trigger();
    server.ReleaseStalled();
    ASSERT_TRUE(ProcessEventsUntil([] { return TheStore().ActiveFileDownloads.Count() == 0; }));
    EXPECT_FALSE(pane.TransferShown());
    EXPECT_EQ(pane.StatusText(), "Success");
    app.ExitInstance(0);
}

}  // namespace
