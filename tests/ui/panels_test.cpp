#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include "app/command_ids.h"
#include "app/list_rows.h"
#include "ui/main_frame_fixture.h"
#include "ui/panels/activity_animation.h"
#include "ui/panels/dnld_list.h"

namespace {

using Panels = MainFrameTest;

TEST_F(Panels, StartShowsRequestedFilesNewestFirstUnderAnExpandedRequestedHeading) {
    folder.Write("reqsoft.data", "http://a/1.zip\nhttp://a/2.zip\nhttp://a/3.zip\n");
    Open();
    CTreePanel& tree = frame->TreePanel();
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_TRUE(tree.topLevelItem(0)->isExpanded());
    EXPECT_FALSE(tree.topLevelItem(1)->isExpanded());
    EXPECT_EQ(tree.currentItem()->text(0), "Files");
    EXPECT_EQ(TheAppState().ShownList, 1);

    EXPECT_EQ(Column(0), (std::vector<std::string>{"http://a/3.zip", "http://a/2.zip", "http://a/1.zip"}));
    EXPECT_EQ(Column(1), std::vector<std::string>(3, "Ready for download"));
    EXPECT_EQ(List().headerItem()->text(0), "Project");
    EXPECT_EQ(List().headerItem()->text(1), "Status");
    EXPECT_EQ(List().columnWidth(0), 250);
    EXPECT_EQ(List().columnWidth(1), 300);

    CStatusView& status = frame->StatusView();
    EXPECT_EQ(status.CurrentProjectText(), "None");
    EXPECT_EQ(status.LastActionText(), "Waiting for command");
    EXPECT_EQ(status.StatusText(), "Ready");
    EXPECT_FALSE(status.Animation().IsPlaying());
    EXPECT_EQ(status.Animation().CurrentFrame(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Panels, EachCategoryWritesItsTextsWithTheCountAndFillsItsRows) {
    Open();
    Store().RequestedSites.Append(Site("Alpha"));
    for (const char* url : {"http://d/1", "http://d/2"}) Store().DownloadedFiles.Append(File(url, "Success"));
    Store().DownloadedSites.Append(Site("Done"));
    Store().RequestedSearches.Append(Search("Find"));
    for (int i = 0; i < 5; ++i) Store().SearchResults.Append(File("http://r/x", "New Project"));

    struct Expected {
        const char* item;
        int list;
        const char* lastAction;
        const char* status;
        int rows;
    };
    const Expected categories[] = {
        {"Web Sites", 2, "Requested Web Sites List Selected", " 1 projects ready for download", 1},
        {"Downloaded Files", 3, "Downloaded Files List Selected", " 2 files downloaded", 2},
        {"Downloaded Sites", 4, "Downloaded Web Sites List Selected", " 1 projects downloaded", 1},
        {"Search Projects", 5, "Required Search Projects List Selected",
         " 1 search projects ready for download", 1},
        {"Search Results", 6, "Search Results List Selected", " 5 search projects completed", 5},
        {"Files", 1, "Requested Files List Selected", " 0 files ready for download", 0},
    };
    for (const Expected& expected : categories) {
        frame->StatusView().SetCurrentProjectText("something");
        ClickCategory(expected.item);
        EXPECT_EQ(TheAppState().ShownList, expected.list) << expected.item;
        EXPECT_EQ(frame->StatusView().CurrentProjectText(), "None");
        EXPECT_EQ(frame->StatusView().LastActionText(), expected.lastAction);
        EXPECT_EQ(frame->StatusView().StatusText(), expected.status);
        EXPECT_EQ(List().RowCount(), expected.rows) << expected.item;
    }
    ClickCategory("Downloaded Files");
    EXPECT_EQ(Column(0), (std::vector<std::string>{"http://d/2", "http://d/1"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Success", "Success"}));
}

TEST_F(Panels, HeadingsAndTheShownCategoryChangeNothing) {
    Open();
    ClickCategory("Web Sites");
    Store().RequestedSites.Append(Site("Later"));
    frame->StatusView().SetStatusText("kept");
    ClickCategory("Web Sites");
    ClickCategory("Requested Items");
    ClickCategory("Downloaded Items");
    EXPECT_EQ(TheAppState().ShownList, 2);
    EXPECT_EQ(List().RowCount(), 0);  // not refreshed
    EXPECT_EQ(frame->StatusView().StatusText(), "kept");
}

TEST_F(Panels, ReleasingTheKeyThatMovedTheSelectionSwitchesTheCategory) {
    Open();
    CTreePanel& tree = frame->TreePanel();
    tree.setFocus();
    QTest::keyPress(&tree, Qt::Key_Down);
    EXPECT_EQ(tree.currentItem()->text(0), "Web Sites");
    EXPECT_EQ(TheAppState().ShownList, 1);  // not before the release
    // A held key repeats as release and press pairs marked as repeats.
    QKeyEvent repeatedRelease(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&tree, &repeatedRelease);
    QTest::keyPress(&tree, Qt::Key_Down);
    EXPECT_EQ(TheAppState().ShownList, 1);
    QTest::keyRelease(&tree, Qt::Key_Down);
    EXPECT_EQ(tree.currentItem()->text(0), "Search Projects");
    EXPECT_EQ(TheAppState().ShownList, 5);
}

TEST_F(Panels, OnlyTheLeftButtonMovesTheCategoryHighlight) {
    Open();
    CTreePanel& tree = frame->TreePanel();
    tree.topLevelItem(1)->setExpanded(true);
    const QPoint downloadedFiles = tree.visualItemRect(tree.topLevelItem(1)->child(0)).center();
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseClick(tree.viewport(), button, {}, downloadedFiles);
        QTest::mouseDClick(tree.viewport(), button, {}, downloadedFiles);
        EXPECT_EQ(tree.currentItem()->text(0), "Files") << button;
    }
    EXPECT_EQ(TheAppState().ShownList, 1);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, downloadedFiles);
    EXPECT_EQ(tree.currentItem()->text(0), "Downloaded Files");
    EXPECT_EQ(TheAppState().ShownList, 3);
}

// The row reported is the one selected when the button comes up: a click
// inside a selection of several rows narrows it, a drag extends it.
TEST_F(Panels, TheSelectionIsReportedOnceItHasSettled) {
    for (const char* url : {"http://a/1.zip", "http://a/2.zip", "http://a/3.zip"})
        Store().RequestedFiles.AppendUrl(url);
    Open();
    QWidget* rows = List().viewport();
    auto centreOf = [&](int row) { return List().visualItemRect(List().topLevelItem(row)).center(); };

    SelectRows({0, 1, 2});
    QTest::mouseClick(rows, Qt::LeftButton, {}, centreOf(0));
    EXPECT_EQ(List().SelectedCount(), 1);
    EXPECT_EQ(TheAppState().SelectedRow, 0);
    EXPECT_EQ(frame->StatusView().LastActionText(), "http://a/3.zip selected");

    QTest::mousePress(rows, Qt::LeftButton, {}, centreOf(0));
    QTest::mouseMove(rows, centreOf(1));
    QTest::mouseMove(rows, centreOf(2));
    QTest::mouseRelease(rows, Qt::LeftButton, {}, centreOf(2));
    EXPECT_EQ(List().SelectedCount(), 3);
    EXPECT_EQ(TheAppState().SelectedRow, 2);
    EXPECT_EQ(frame->StatusView().LastActionText(), "http://a/1.zip selected");
}

TEST_F(Panels, ClickingARowReportsItInTheStatusView) {
    Store().RequestedSites.Append(Site("Alpha"));
    Store().RequestedSites.Append(Site("Beta"));
    Open();
    ClickCategory("Web Sites");
    QTest::mouseClick(List().viewport(), Qt::LeftButton, {},
                      List().visualItemRect(List().topLevelItem(1)).center());
    EXPECT_EQ(frame->StatusView().LastActionText(), "Alpha selected");
    EXPECT_EQ(frame->StatusView().StatusText(), "Ready for download");
    EXPECT_EQ(frame->StatusView().CurrentProjectText(), "Alpha");
    EXPECT_EQ(TheAppState().SelectedRow, 1);

    Store().DownloadedFiles.Append(File("http://d/1", "Success"));
    ClickCategory("Downloaded Files");
    frame->StatusView().SetCurrentProjectText("kept");
    QTest::mouseClick(List().viewport(), Qt::LeftButton, {},
                      List().visualItemRect(List().topLevelItem(0)).center());
    EXPECT_EQ(frame->StatusView().LastActionText(), "http://d/1 selected");
    EXPECT_EQ(frame->StatusView().CurrentProjectText(), "kept");
}

TEST_F(Panels, RightClickShowsTheContextMenuOnlyWithASelection) {
    Store().SearchResults.Append(File("http://r/1", "New Project"));
    Open();
    std::vector<QStringList> popups;
    List().SetMenuPopup([&popups](QMenu& menu, const QPoint&) {
        QStringList texts;
        for (QAction* action : menu.actions()) {
            if (action->isVisible()) texts << (action->isSeparator() ? "-" : action->text());
        }
        popups.push_back(texts);
    });
    ClickCategory("Search Results");
    List().clearSelection();
    const QPoint belowRows = List().viewport()->rect().bottomLeft() - QPoint(-5, 5);
    QTest::mouseClick(List().viewport(), Qt::RightButton, {}, belowRows);
    EXPECT_TRUE(popups.empty());
    EXPECT_TRUE(List().SendToEnabled());

    const QPoint onRow = List().visualItemRect(List().topLevelItem(0)).center();
    QTest::mouseClick(List().viewport(), Qt::RightButton, {}, onRow);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], (QStringList{"Delete\tDel", "-", "Send To", "-", "Properties..."}));

    ClickCategory("Files");
    QTest::mouseClick(List().viewport(), Qt::RightButton, {}, belowRows);
    EXPECT_FALSE(List().SendToEnabled());
}

TEST_F(Panels, TheAnimationLoopsFromTheFirstFrameAndStopsWhereItIs) {
    ActivityAnimation animation;
    animation.Play();
    EXPECT_TRUE(animation.IsPlaying());
    for (int step = 0; step < ActivityAnimation::kFrameCount + 3; ++step) animation.Advance();
    EXPECT_EQ(animation.CurrentFrame(), 3);
    animation.Stop();
    EXPECT_FALSE(animation.IsPlaying());
    EXPECT_EQ(animation.CurrentFrame(), 3);
    animation.Play();
    EXPECT_EQ(animation.CurrentFrame(), 0);
}

TEST_F(Panels, TheDownloadedTreeGroupsFilesByProjectAndOpensOnlyFiles) {
    Open();
    CDnldList& tree = frame->DownloadedTree();
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_EQ(tree.topLevelItem(0)->text(0), "No files downloaded");
    tree.setCurrentItem(tree.topLevelItem(0));
    tree.OpenSelectedFile();
    EXPECT_TRUE(opened.empty());

    WindowPort& window = frame->Window();
    window.BeginTreeProject("Archive Site");
    window.AddTreeFile("Archive Site", "Software/Archive Site/a.zip");
    // Root items are matched by containment: "Site" goes under "Archive Site".
    window.BeginTreeProject("Site");
    window.AddTreeFile("Site", "Software/Site/b.zip");
    window.AddTreeFile("Site", "Software/Site/caf\xe9 1.zip");
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* project = tree.topLevelItem(0);
    EXPECT_EQ(project->text(0), "Archive Site");
    ASSERT_EQ(project->childCount(), 3);
    EXPECT_TRUE(project->isExpanded());
    // What the check of a file found joins its line; the file still opens.
    window.NoteTreeFile("Site", "Software/Site/b.zip", "sha256 verified (from SHA256SUMS): ab");
    EXPECT_EQ(project->child(1)->text(0),
              QString::fromUtf8("Software/Site/b.zip \u2014 sha256 verified (from SHA256SUMS): ab"));

    tree.setCurrentItem(project);
    tree.OpenSelectedFile();
    EXPECT_TRUE(opened.empty());
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(project->child(1)).center());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QDir::current().absoluteFilePath("Software/Site/b.zip")));
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(project->child(2)).center());
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(opened[1].toEncoded().endsWith("/Software/Site/caf%E9%201.zip"))
        << opened[1].toEncoded().data();

    tree.setCurrentItem(project->child(0));
    QTest::keyClick(&tree, Qt::Key_Return);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_TRUE(opened[2].toEncoded().endsWith("/Software/Archive%20Site/a.zip"))
        << opened[2].toEncoded().data();
    // The tree handles a double-click (a click, then the second press) first:
    // a project folds and unfolds.
    const QPoint onProject = tree.visualItemRect(project).center();
    for (bool expanded : {false, true}) {
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, onProject);
        QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, onProject);
        EXPECT_EQ(project->isExpanded(), expanded);
    }
    tree.setCurrentItem(project);
    QTest::keyClick(&tree, Qt::Key_Return);
    EXPECT_EQ(opened.size(), 3u);
}

// Under a dark theme the pane keeps dark text on its white, and a long last
// action (an address) wraps onto the second line of its box.
TEST_F(Panels, TheStatusViewIsReadableUnderADarkThemeAndWrapsTheLastAction) {
    QWidget darkWindow;
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    darkWindow.setPalette(dark);
    auto* status = new CStatusView(&darkWindow);
    status->resize(600, 280);
    status->SetLastActionText("http://downloads.example.org/" + QString(60, u'x') + "/archive.zip selected");
    const QImage shot = status->grab().toImage();
    auto inkIn = [&](const QRect& box) {
        int ink = 0;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) ink += qGray(shot.pixel(x, y)) < 96 ? 1 : 0;
        }
        return ink;
    };
    EXPECT_EQ(qGray(shot.pixel(5, 5)), 255);
    EXPECT_GT(inkIn(QRect(QPoint(20, 40), QPoint(149, 64))), 0) << "the labels are dark";
    EXPECT_GT(inkIn(QRect(QPoint(130, 80), QPoint(579, 96))), 0) << "the last action's first line";
    EXPECT_GT(inkIn(QRect(QPoint(130, 98), QPoint(579, 114))), 0) << "and its second line";
}

TEST_F(Panels, TheWindowInterfaceReachesRowsAndStatusLines) {
    Open();
    WindowPort& window = frame->Window();
    EXPECT_EQ(window.InsertTopRow("first"), 0);
    EXPECT_EQ(window.InsertTopRow("second"), 0);
    window.SetRowText(1, 1, "Downloading...");
    EXPECT_EQ(window.RowText(1, 1), "Downloading...");
    EXPECT_EQ(window.RowText(0, 0), "second");
    window.DeleteRow(0);
    EXPECT_EQ(window.RowCount(), 1);
    EXPECT_EQ(window.RowText(0, 0), "first");
    window.SetStatusText("No errors");
    window.SetLastActionText("Finding Web Site...");
    EXPECT_EQ(frame->StatusView().StatusText(), "No errors");
    EXPECT_EQ(frame->StatusView().LastActionText(), "Finding Web Site...");
    window.PlayAnimation();
    EXPECT_TRUE(frame->StatusView().Animation().IsPlaying());
    window.StopAnimation();
    EXPECT_FALSE(frame->StatusView().Animation().IsPlaying());
    window.ShowMessage("hello");
    EXPECT_EQ(messages.shown, std::vector<std::string>{"hello"});
}

}  // namespace
