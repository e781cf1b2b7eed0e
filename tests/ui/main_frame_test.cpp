#include <QHelpEvent>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>

#include "app/command_ids.h"
#include "app/gui/lock_keys.h"
#include "ui/dialog_driving.h"
#include "ui/main_frame_fixture.h"
#include "ui/panels/dnld_list.h"
#include "ui/toolbar/tool_bar_ex.h"

namespace {

using namespace CommandId;
using MainFrameLook = MainFrameTest;

// A menu's entries as "text [id]", "-" for a separator, "text >" for a submenu.
QStringList Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            entries << "-";
        } else if (action->menu() != nullptr) {
            entries << action->text() + " >";
        } else {
            entries << QStringLiteral("%1 [%2]").arg(action->text()).arg(action->data().toInt());
        }
    }
    return entries;
}

TEST_F(MainFrameLook, TheMenusHoldTheirItemsInOrder) {
    Open();
    const QList<QAction*> titles = frame->menuBar()->actions();
    ASSERT_EQ(titles.size(), 4);
    EXPECT_EQ(titles[0]->text(), "&File");
    EXPECT_EQ(Entries(titles[0]->menu()), (QStringList{"&Delete All Lists [32807]", "-", "E&xit [57665]"}));
    EXPECT_EQ(titles[1]->text(), "&Entry");
    EXPECT_EQ(Entries(titles[1]->menu()),
              (QStringList{"&Add File(s) \tIns [32771]", "Add &Web Site \t+ [32772]",
                           "Add Search Project\tCtrl+S [32790]", "-", "&Delete Entry \tDel [32787]", "-",
                           "Send To >", "-", "Properties... [32789]"}));
    EXPECT_EQ(Entries(titles[1]->menu()->actions()[6]->menu()),
              (QStringList{"Requested Files List [32796]", "Requested Web Sites [32797]"}));
    EXPECT_EQ(titles[2]->text(), "&Download");
    EXPECT_EQ(Entries(titles[2]->menu()),
              (QStringList{"&Selected Projects [32798]", "-", "Stop Downloading [32792]"}));
    EXPECT_EQ(titles[3]->text(), "&Help");
    EXPECT_EQ(Entries(titles[3]->menu()),
              (QStringList{"&Table of Contents... [32808]", "-", "&About Tarrawick... [57664]"}));

    EXPECT_EQ(frame->Action(kAddFiles)->shortcut(), QKeySequence(Qt::Key_Insert));
    EXPECT_EQ(frame->Action(kAddWebSite)->shortcut(), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    EXPECT_EQ(frame->Action(kDeleteEntry)->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(frame->Action(kAddSearchProject)->shortcut(), QKeySequence(Qt::ControlModifier | Qt::Key_S));
}

// Tab and F6 go tree, entry list, downloaded tree, status view; the bars
// offer no menu that could hide them.
TEST_F(MainFrameLook, TabAndF6GoFromPaneToPaneInReadingOrder) {
    Open();
    QWidget* panes[] = {&frame->TreePanel(), &List(), &frame->DownloadedTree(), &frame->StatusView()};
    const std::vector<QWidget*> order = TabOrderFrom(panes[0], 5);
    EXPECT_EQ(order, std::vector<QWidget*>(std::begin(panes), std::end(panes)));
    EXPECT_EQ(frame->createPopupMenu(), nullptr);

    QApplication::setActiveWindow(frame.get());
    panes[0]->setFocus();
    QApplication::processEvents();
    if (QApplication::focusWidget() != panes[0]) GTEST_SKIP() << "no keyboard focus on this platform";
    for (int step = 1; step <= 4; ++step) {
        QTest::keyClick(frame.get(), Qt::Key_F6);
        EXPECT_EQ(QApplication::focusWidget(), panes[step % 4]) << step;
    }
    QTest::keyClick(frame.get(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), panes[3]);
}

TEST_F(MainFrameLook, InsertKeypadPlusAndDeleteRunTheirCommands) {
    Open();
    QApplication::setActiveWindow(frame.get());
    List().setFocus();
    QApplication::processEvents();
    if (QApplication::activeWindow() != frame.get()) GTEST_SKIP() << "no active window on this platform";
    QTest::keyClick(&List(), Qt::Key_Insert);
    EXPECT_EQ(dialogs.fileDialogsShown, 1);
    QTest::keyClick(&List(), Qt::Key_Plus);  // the main keyboard's plus is no key of ours
    EXPECT_TRUE(dialogs.sheetTitles.empty());
    QTest::keyClick(&List(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(dialogs.sheetTitles, std::vector<std::string>{"Add New Web Project"});
    Store().RequestedFiles.AppendUrl("http://a/1.zip");
    List().InsertTopRow("http://a/1.zip");
    SelectRows({0});
    QTest::keyClick(&List(), Qt::Key_Delete);
    EXPECT_EQ(dialogs.questions, std::vector<std::string>{"Are you sure you want to delete that entry?"});
    EXPECT_EQ(Store().RequestedFiles.Count(), 0);
}

TEST_F(MainFrameLook, TheEntryListDisablesSendToOutsideTheSearchResults) {
    Store().RequestedFiles.AppendUrl("http://a/1.zip");
    Open();
    List().SetMenuPopup([](QMenu&, const QPoint&) {});
    QMenu* entry = frame->menuBar()->actions()[1]->menu();
    QTest::mouseClick(List().viewport(), Qt::RightButton, {},
                      List().visualItemRect(List().topLevelItem(0)).center());
    frame->SetActiveView(&List());
    emit entry->aboutToShow();
    EXPECT_FALSE(frame->Action(kSendToRequestedFiles)->isEnabled());
    EXPECT_FALSE(frame->Action(kSendToRequestedSites)->isEnabled());
    frame->SetActiveView(&frame->TreePanel());
    emit entry->aboutToShow();
    EXPECT_TRUE(frame->Action(kSendToRequestedFiles)->isEnabled());
}

TEST_F(MainFrameLook, TheToolbarHasTheButtonsInOrderWithoutTips) {
    Open();
    const auto bars = frame->findChildren<QToolBar*>();
    ASSERT_EQ(bars.size(), 1);
    QStringList ids;
    for (QAction* action : bars[0]->actions()) {
        ids << (action->isSeparator() ? QStringLiteral("-") : QString::number(action->data().toInt()));
    }
    EXPECT_EQ(ids, (QStringList{"32771", "32772", "32790", "-", "32787", "-", "32798", "32792", "32789", "-",
                                "57664"}));
    EXPECT_NE(qobject_cast<CToolBarEx*>(bars[0]), nullptr) << "the toolbar is drawn flat";
    EXPECT_FALSE(frame->windowIcon().isNull());
    QWidget* button = bars[0]->widgetForAction(frame->Action(kAddFiles));
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(button, &tip);
    EXPECT_FALSE(tip.isAccepted() && QToolTip::isVisible());
}

TEST_F(MainFrameLook, TheStatusBarPromptsWhileACommandIsHighlighted) {
    Open();
    EXPECT_EQ(frame->Action(kAddFiles)->statusTip(), "Add one or more files in the 'Requested' list");
    EXPECT_EQ(frame->Action(kAddWebSite)->statusTip(), "Add a web site to the 'Requested' list");
    EXPECT_EQ(frame->Action(kDeleteEntry)->statusTip(), "Delete selected entries");
    EXPECT_TRUE(frame->Action(kAddSearchProject)->statusTip().isEmpty());
    EXPECT_TRUE(frame->Action(kProperties)->statusTip().isEmpty());

    QStringList texts;
    for (const QLabel* label : frame->statusBar()->findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains("Ready"));
    EXPECT_TRUE(texts.contains("CAP") && texts.contains("NUM") && texts.contains("SCRL"));
    frame->Action(kDeleteEntry)->showStatusText(frame.get());
    EXPECT_EQ(frame->statusBar()->currentMessage(), "Delete selected entries");
}

TEST_F(MainFrameLook, TheTwoColumnsShareTheirRowDivider) {
    Open();
    auto* columns = qobject_cast<QSplitter*>(frame->centralWidget());
    ASSERT_NE(columns, nullptr);
    auto* left = qobject_cast<QSplitter*>(columns->widget(0));
    auto* right = qobject_cast<QSplitter*>(columns->widget(1));
    ASSERT_TRUE(left != nullptr && right != nullptr);
    EXPECT_EQ(left->widget(0), &frame->TreePanel());
    EXPECT_EQ(right->widget(0), &List());
    EXPECT_EQ(columns->sizes()[0], 200);
    EXPECT_EQ(left->sizes()[0], 150);
    EXPECT_EQ(right->sizes()[0], 150);
    QApplication::processEvents();
    const int handle = left->handle(1)->mapTo(left, QPoint(0, 0)).y();
    QTest::mousePress(left->handle(1), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(left->handle(1), QPoint(2, 42));
    QTest::mouseRelease(left->handle(1), Qt::LeftButton, {}, QPoint(2, 42));
    if (left->handle(1)->mapTo(left, QPoint(0, 0)).y() == handle) GTEST_SKIP() << "the drag did not move";
    EXPECT_EQ(right->sizes(), left->sizes());
}

TEST(LockKeysTest, ReadsTheKeyboardLightsAndTakesAMissingFolderAsOff) {
    TempFolder leds;
    for (const char* light :
         {"input3::capslock", "input3::numlock", "input3::scrolllock", "input7::numlock"}) {
        std::filesystem::create_directory(leds / light);
    }
    leds.Write("input3::capslock/brightness", "1\n");
    leds.Write("input3::numlock/brightness", "0\n");
    leds.Write("input7::numlock/brightness", "1\n");
    EXPECT_EQ(ReadLockKeys(leds.Path()), (LockKeys{true, true, false}));
    EXPECT_EQ(ReadLockKeys(leds / "missing"), LockKeys{});
}

}  // namespace
