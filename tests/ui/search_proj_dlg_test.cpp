#include "ui/dialogs/search_proj_dlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "store/records.h"
#include "support/fake_message_box.h"
#include "support/record_builders.h"
#include "ui/dialog_driving.h"
#include "ui/dialogs/run_stop_times.h"

namespace {

constexpr int kHotBot = 1;

QPushButton* OkButton(CSearchProjDlg& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("OK")) {
            return button;
        }
    }
    return nullptr;
}

SearchProject StoredProject() {
    SearchProject project = Search("Players", "audio player", "");
    project.useAltavista = 1;
    project.useMsn = 1;
    project.startOnRequest = 0;
    project.stopOnRequest = 0;
    project.startHour = 6;
    project.startMinute = 30;
    project.stopHour = 7;
    project.stopMinute = 45;
    project.reservedText1 = "left";
    project.reservedText2 = "over";
    project.status = "Searching...";
    return project;
}

class SearchProjDlgTest : public ::testing::Test {
protected:
    FakeMessageBox messages;
    CSearchProjDlg dialog{nullptr, &messages};
};

TEST_F(SearchProjDlgTest, OkNamesTheFirstMissingInputInOrderAndStaysOpen) {
    CRunStopTimes& times = *dialog.Times();
    const int result = RunModal(dialog, [&] {
        QPushButton* ok = OkButton(dialog);
        ok->click();
        TypeInto(dialog.NameEdit(), QStringLiteral("Players"));
        ok->click();
        TypeInto(dialog.SearchTextEdit(), QStringLiteral("audio player"));
        ok->click();
        dialog.EngineBox(6)->click();  // Go2Net
        times.StartRunningAt()->click();
        TypeInto(times.StartHourEdit(), QStringLiteral("8"));
        ok->click();  // an hour but no minute
        TypeInto(times.StartMinuteEdit(), QStringLiteral("0"));
        times.StopRunningAt()->click();
        TypeInto(times.StopMinuteEdit(), QStringLiteral("15"));
        ok->click();  // a minute but no hour
        EXPECT_TRUE(dialog.isVisible());
        TypeInto(times.StopHourEdit(), QStringLiteral("9"));
        ok->click();
    });
    EXPECT_EQ(messages.shown,
              (std::vector<std::string>{"Enter the project's name!", "Enter the search string",
                                        "Select at least one search engine", "Enter the start time",
                                        "Enter the stop time"}));
    EXPECT_EQ(result, QDialog::Accepted);

    SearchProject stored;
    dialog.StoreIntoRecord(stored);
    EXPECT_EQ(stored.useGo2Net, 1);
    EXPECT_EQ(stored.startOnRequest, 0);
    EXPECT_EQ(stored.startHour, 8);
    EXPECT_EQ(stored.startMinute, 0);
    EXPECT_EQ(stored.stopOnRequest, 0);
    EXPECT_EQ(stored.stopHour, 9);
    EXPECT_EQ(stored.stopMinute, 15);
}

TEST_F(SearchProjDlgTest, OnlyHotBotWithEmptyTimesRunningWhenRequestedIsAccepted) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add a Search Project"));
    const int result = RunModal(dialog, [&] {
        TypeInto(dialog.NameEdit(), QStringLiteral("Editors"));
        TypeInto(dialog.SearchTextEdit(), QStringLiteral("text editor"));
        dialog.EngineBox(kHotBot)->click();
        OkButton(dialog)->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(messages.shown.empty());

    SearchProject stored = StoredProject();
    dialog.StoreIntoRecord(stored);
    SearchProject expected;
    expected.name = "Editors";
    expected.searchText = "text editor";
    expected.useHotBot = 1;
    expected.startOnRequest = 1;
    expected.stopOnRequest = 1;
    expected.status = "Ready for download";
    EXPECT_EQ(stored, expected);
}

TEST_F(SearchProjDlgTest, EditingAStoredProjectOpensWithBothWhenRequestedAndKeepsItsTimes) {
    dialog.LoadFromRecord(StoredProject());
    const CRunStopTimes& times = *dialog.Times();
    EXPECT_TRUE(times.RunWhenRequested()->isChecked());
    EXPECT_TRUE(times.StopWhenRequested()->isChecked());
    EXPECT_FALSE(times.StartHourEdit()->isEnabled());
    EXPECT_FALSE(times.StopMinuteEdit()->isEnabled());
    EXPECT_EQ(times.StartMinuteEdit()->text(), QStringLiteral("30"));

    ASSERT_EQ(RunModal(dialog, [&] { OkButton(dialog)->click(); }), QDialog::Accepted);
    SearchProject stored;
    dialog.StoreIntoRecord(stored);
    SearchProject expected = StoredProject();
    expected.startOnRequest = 1;
    expected.stopOnRequest = 1;
    expected.reservedText1.Clear();
    expected.reservedText2.Clear();
    expected.status = "Ready for download";
    EXPECT_EQ(stored, expected);
}

TEST_F(SearchProjDlgTest, TimedOptionsEnableTheirEditsAndTakeTheFocus) {
    dialog.show();
    CRunStopTimes& times = *dialog.Times();
    times.StartRunningAt()->click();
    EXPECT_TRUE(times.StartMinuteEdit()->isEnabled());
    EXPECT_EQ(dialog.focusWidget(), times.StartHourEdit());
    times.StopRunningAt()->click();
    EXPECT_EQ(dialog.focusWidget(), times.StopHourEdit());
    times.RunWhenRequested()->click();
    EXPECT_FALSE(times.StartHourEdit()->isEnabled());
    // Times are no longer asked for once "when requested" is chosen again.
    TypeInto(dialog.NameEdit(), QStringLiteral("n"));
    TypeInto(dialog.SearchTextEdit(), QStringLiteral("s"));
    dialog.EngineBox(0)->click();
    EXPECT_EQ(dialog.RefusalText(), QStringLiteral("Enter the stop time"));
    times.StopWhenRequested()->click();
    EXPECT_EQ(dialog.RefusalText(), QString());
}

TEST_F(SearchProjDlgTest, EditsTakeNoMoreThanTheirFieldsHold) {
    TypeInto(dialog.NameEdit(), QString(100, u'n'));
    TypeInto(dialog.SearchTextEdit(), QString(300, u's'));
    EXPECT_EQ(dialog.NameEdit()->text().size(), 79);
    EXPECT_EQ(dialog.SearchTextEdit()->text().size(), 255);
    dialog.Times()->StartRunningAt()->click();
    TypeInto(dialog.Times()->StartHourEdit(), QStringLiteral("1h2"));
    EXPECT_EQ(dialog.Times()->StartHourEdit()->text(), QStringLiteral("12"));
}

TEST_F(SearchProjDlgTest, TabVisitsTheControlsInTheTemplatesOrder) {
    const CRunStopTimes& times = *dialog.Times();
    std::vector<QWidget*> expected{dialog.NameEdit(), dialog.SearchTextEdit()};
    for (int index = 0; index < CSearchProjDlg::kEngineCount; ++index) {
        expected.push_back(dialog.EngineBox(index));
    }
    for (QWidget* widget : std::initializer_list<QWidget*>{
             times.RunWhenRequested(), times.StartRunningAt(), times.StartHourEdit(), times.StartMinuteEdit(),
             times.StopWhenRequested(), times.StopRunningAt(), times.StopHourEdit(), times.StopMinuteEdit(),
             OkButton(dialog)}) {
        expected.push_back(widget);
    }
    const std::vector<QWidget*> order = TabOrderFrom(dialog.NameEdit(), expected.size() + 1);
    ASSERT_GE(order.size(), expected.size());
    EXPECT_EQ(std::vector<QWidget*>(order.begin(), order.begin() + static_cast<long>(expected.size())),
              expected);
}

TEST_F(SearchProjDlgTest, APastedLineBreakIsRefused) {
    dialog.NameEdit()->insert(QStringLiteral("two\nlines"));
    dialog.SearchTextEdit()->insert(QStringLiteral("a\rb"));
    EXPECT_EQ(dialog.NameEdit()->text(), QString());
    EXPECT_EQ(dialog.SearchTextEdit()->text(), QString());
    dialog.NameEdit()->insert(QStringLiteral("one line"));
    EXPECT_EQ(dialog.NameEdit()->text(), QStringLiteral("one line"));
}

}  // namespace
