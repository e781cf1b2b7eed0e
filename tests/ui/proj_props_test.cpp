#include "ui/dialogs/proj_props.h"

#include <functional>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "store/records.h"
#include "support/record_builders.h"
#include "ui/dialog_driving.h"
#include "ui/dialogs/file_settings.h"
#include "ui/dialogs/p_advanced_settings.h"
#include "ui/dialogs/p_run_settings.h"
#include "ui/dialogs/pw_gen_settings.h"
#include "ui/dialogs/run_stop_times.h"

namespace {

// The record that Add Web Site opens the sheet on.
WebProject NewProject() {
    WebProject project;
    project.startOnRequest = 1;
    project.stopOnRequest = 1;
    return project;
}

// A record with every field the sheet shows set to something other than its
// default.
WebProject FilledProject() {
    WebProject project = Site("Mirror of tools", "http://127.0.0.1/tools/", "");
    project.downloadAll = 1;  // contradicts the type flags; the sheet derives it
    project.wantExe = 1;
    project.wantArj = 1;
    project.otherTypes = "lzh";
    project.startOnRequest = 0;
    project.stopOnRequest = 0;
    project.startHour = 9;
    project.startMinute = 5;
    project.stopHour = 23;
    project.stopMinute = 59;
    project.maxDomainCount = 12;
    project.reserved = 7;
    project.exitDomain = 1;
    project.userName = "anna";
    project.password = "pa55";
    project.status = "Success";
    return project;
}

QPushButton* ButtonNamed(QWidget* dialog, const QString& text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text().remove(u'&') == text) {
            return button;
        }
    }
    return nullptr;
}

// Shows the sheet on a record, lets the test act, presses OK and returns the
// record stored from the sheet.
WebProject StoredAfterOk(const WebProject& loaded, const std::function<void(CProjProps&)>& actions) {
    CProjProps sheet(QStringLiteral("Web Project Properties"));
    sheet.LoadFromRecord(loaded);
    const int result = RunModal(sheet, [&] {
        actions(sheet);
        ButtonNamed(&sheet, QStringLiteral("OK"))->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    WebProject stored;
    sheet.StoreIntoRecord(stored);
    return stored;
}

TEST(ProjPropsTest, OpensOnTheGeneralTabWithTheFourPagesInOrder) {
    CProjProps sheet(QStringLiteral("New Web Project "));
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("New Web Project "));
    ASSERT_EQ(sheet.Tabs()->count(), 4);
    EXPECT_EQ(sheet.Tabs()->tabText(0), QStringLiteral("General Settings"));
    EXPECT_EQ(sheet.Tabs()->tabText(1), QStringLiteral("File Settings"));
    EXPECT_EQ(sheet.Tabs()->tabText(2), QStringLiteral("Run Settings"));
    EXPECT_EQ(sheet.Tabs()->tabText(3), QStringLiteral("Advanced Settings"));
    EXPECT_EQ(sheet.Tabs()->currentIndex(), 0);
}

TEST(ProjPropsTest, NewProjectOpensWithDownloadAllAndBothWhenRequestedAndZeroTimes) {
    CProjProps sheet(QStringLiteral("Add New Web Project"));
    sheet.LoadFromRecord(NewProject());
    const CFileSettings& files = *sheet.FilePage();
    EXPECT_TRUE(files.DownloadAll()->isChecked());
    EXPECT_FALSE(files.SearchForTypes()->isChecked());
    for (int index = 0; index < CFileSettings::kTypeCount; ++index) {
        EXPECT_FALSE(files.TypeBox(index)->isEnabled()) << index;
    }
    EXPECT_FALSE(files.OtherTypesBox()->isEnabled());
    EXPECT_FALSE(files.OtherTypesEdit()->isEnabled());

    const CRunStopTimes& times = *sheet.RunPage()->Times();
    EXPECT_TRUE(times.RunWhenRequested()->isChecked());
    EXPECT_FALSE(times.StartRunningAt()->isChecked());
    EXPECT_TRUE(times.StopWhenRequested()->isChecked());
    EXPECT_FALSE(times.StopRunningAt()->isChecked());
    for (const QLineEdit* edit :
         {times.StartHourEdit(), times.StartMinuteEdit(), times.StopHourEdit(), times.StopMinuteEdit()}) {
        EXPECT_FALSE(edit->isEnabled());
        EXPECT_EQ(edit->text(), QStringLiteral("0"));
    }
    EXPECT_EQ(sheet.AdvancedPage()->MaxDomainCountEdit()->text(), QStringLiteral("0"));
}

TEST(ProjPropsTest, AnAllZeroRecordOpensWithBothTimedOptionsAndTheirEditsEnabled) {
    CProjProps sheet(QStringLiteral("New Web Project "));
    sheet.LoadFromRecord(WebProject{});
    const CRunStopTimes& times = *sheet.RunPage()->Times();
    EXPECT_TRUE(times.StartRunningAt()->isChecked());
    EXPECT_TRUE(times.StopRunningAt()->isChecked());
    EXPECT_TRUE(times.StartHourEdit()->isEnabled());
    EXPECT_TRUE(times.StopMinuteEdit()->isEnabled());
}

TEST(ProjPropsTest, OkAfterOpeningTheFileTabDerivesDownloadAllFromTheTypeFlags) {
    WebProject noTypes = NewProject();
    noTypes.downloadAll = 0;
    EXPECT_EQ(StoredAfterOk(noTypes, [](CProjProps& sheet) { sheet.Tabs()->setCurrentIndex(1); }).downloadAll,
              1);

    WebProject gzOnly = NewProject();
    gzOnly.downloadAll = 1;
    gzOnly.wantGz = 1;
    const WebProject stored =
        StoredAfterOk(gzOnly, [](CProjProps& sheet) { sheet.Tabs()->setCurrentIndex(1); });
    EXPECT_EQ(stored.downloadAll, 0);
    EXPECT_EQ(stored.wantGz, 1);
}

TEST(ProjPropsTest, PagesNeverShownGiveBackExactlyWhatWasLoaded) {
    const WebProject loaded = FilledProject();
    const WebProject stored = StoredAfterOk(loaded, [](CProjProps&) {});

    WebProject expected = loaded;
    expected.downloadAll = 0;  // a type flag is set
    expected.reserved = 0;
    expected.status = "Ready for download";
    EXPECT_EQ(stored, expected);
}

TEST(ProjPropsTest, StoringOverwritesEveryShownFieldOfTheTargetRecord) {
    CProjProps sheet(QStringLiteral("Web Project Properties"));
    sheet.LoadFromRecord(NewProject());
    WebProject target = FilledProject();
    sheet.StoreIntoRecord(target);

    WebProject expected = NewProject();
    expected.downloadAll = 1;
    expected.status = "Ready for download";
    EXPECT_EQ(target, expected);
}

TEST(ProjPropsTest, TimesShowWithoutLeadingZerosAndAreStoredWithoutARangeTest) {
    const WebProject stored = StoredAfterOk(FilledProject(), [](CProjProps& sheet) {
        sheet.Tabs()->setCurrentIndex(2);
        CRunStopTimes& times = *sheet.RunPage()->Times();
        EXPECT_EQ(times.StartHourEdit()->text(), QStringLiteral("9"));
        EXPECT_EQ(times.StartMinuteEdit()->text(), QStringLiteral("5"));
        times.StartMinuteEdit()->clear();
        TypeInto(times.StartMinuteEdit(), QStringLiteral("7a5:"));  // only the digits are taken
        times.StopHourEdit()->clear();
    });
    EXPECT_EQ(stored.startMinute, 75);
    EXPECT_EQ(stored.startHour, 9);
    EXPECT_EQ(stored.stopHour, 0);  // an emptied edit gives 0
}

TEST(ProjPropsTest, TimedOptionsEnableTheirEditsAndTakeTheFocus) {
    CProjProps sheet(QStringLiteral("Web Project Properties"));
    sheet.LoadFromRecord(NewProject());
    sheet.show();
    sheet.Tabs()->setCurrentIndex(2);
    CRunStopTimes& times = *sheet.RunPage()->Times();

    times.StartRunningAt()->click();
    EXPECT_TRUE(times.StartHourEdit()->isEnabled());
    EXPECT_TRUE(times.StartMinuteEdit()->isEnabled());
    EXPECT_FALSE(times.StopHourEdit()->isEnabled());
    EXPECT_EQ(sheet.focusWidget(), times.StartHourEdit());

    times.StopRunningAt()->click();
    EXPECT_TRUE(times.StopMinuteEdit()->isEnabled());
    EXPECT_EQ(sheet.focusWidget(), times.StopHourEdit());

    times.RunWhenRequested()->click();
    EXPECT_FALSE(times.StartHourEdit()->isEnabled());
    EXPECT_FALSE(times.StartMinuteEdit()->isEnabled());
    times.StopWhenRequested()->click();
    EXPECT_FALSE(times.StopHourEdit()->isEnabled());
    EXPECT_FALSE(times.StopMinuteEdit()->isEnabled());

    WebProject stored;
    sheet.StoreIntoRecord(stored);
    EXPECT_EQ(stored.startOnRequest, 1);
    EXPECT_EQ(stored.stopOnRequest, 1);
}

TEST(ProjPropsTest, DisabledTypeBoxesKeepTheirTicksAndStoreThem) {
    const WebProject stored = StoredAfterOk(NewProject(), [](CProjProps& sheet) {
        sheet.Tabs()->setCurrentIndex(1);
        CFileSettings& files = *sheet.FilePage();
        files.SearchForTypes()->click();
        for (int index = 0; index < CFileSettings::kTypeCount; ++index) {
            EXPECT_TRUE(files.TypeBox(index)->isEnabled()) << index;
        }
        EXPECT_TRUE(files.OtherTypesBox()->isEnabled());
        EXPECT_TRUE(files.OtherTypesEdit()->isEnabled());
        files.TypeBox(0)->click();  // ZIP
        files.TypeBox(4)->click();  // TAR
        TypeInto(files.OtherTypesEdit(), QStringLiteral("cab"));

        files.DownloadAll()->click();
        EXPECT_FALSE(files.TypeBox(0)->isEnabled());
        EXPECT_FALSE(files.OtherTypesEdit()->isEnabled());
        EXPECT_TRUE(files.TypeBox(0)->isChecked());
    });
    EXPECT_EQ(stored.downloadAll, 1);
    EXPECT_EQ(stored.wantZip, 1);
    EXPECT_EQ(stored.wantTar, 1);
    EXPECT_EQ(stored.wantExe + stored.wantRar + stored.wantAce + stored.wantGz + stored.wantArj, 0);
    EXPECT_EQ(stored.otherTypes, "cab");
}

TEST(ProjPropsTest, CancelClosesWithoutAcceptingWhateverWasChanged) {
    CProjProps sheet(QStringLiteral("Web Project Properties"));
    sheet.LoadFromRecord(FilledProject());
    const int result = RunModal(sheet, [&] {
        TypeInto(sheet.GeneralPage()->NameEdit(), QStringLiteral(" changed"));
        ButtonNamed(&sheet, QStringLiteral("Cancel"))->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST(ProjPropsTest, EditsTakeNoMoreThanTheirFieldsHold) {
    CProjProps sheet(QStringLiteral("Web Project Properties"));
    const QString longText(300, u'x');
    struct Limit {
        QLineEdit* edit;
        int bytes;
    };
    for (const Limit& limit :
         {Limit{sheet.GeneralPage()->NameEdit(), 79}, Limit{sheet.GeneralPage()->StartUrlEdit(), 255},
          Limit{sheet.FilePage()->OtherTypesEdit(), 99}, Limit{sheet.AdvancedPage()->UserNameEdit(), 19},
          Limit{sheet.AdvancedPage()->PasswordEdit(), 19}}) {
        limit.edit->setEnabled(true);
        TypeInto(limit.edit, longText);
        EXPECT_EQ(limit.edit->text().size(), limit.bytes);
    }
    // Characters that take two bytes count twice: the name still fits whole.
    QLineEdit* name = sheet.GeneralPage()->NameEdit();
    name->clear();
    TypeInto(name, QString(60, QChar(0x00E9)));
    EXPECT_EQ(name->text().toUtf8().size(), 78);
    WebProject stored;
    sheet.StoreIntoRecord(stored);
    EXPECT_EQ(QString::fromUtf8(stored.name.CStr()), QString(39, QChar(0x00E9)));
}

TEST(ProjPropsTest, PasswordIsHiddenAndDigitEditsRefuseOtherCharacters) {
    CProjProps sheet(QStringLiteral("Web Project Properties"));
    EXPECT_EQ(sheet.AdvancedPage()->PasswordEdit()->echoMode(), QLineEdit::Password);
    QLineEdit* count = sheet.AdvancedPage()->MaxDomainCountEdit();
    TypeInto(count, QStringLiteral("-1x2 3"));
    EXPECT_EQ(count->text(), QStringLiteral("123"));
}

TEST(ProjPropsTest, TabVisitsEachPagesControlsInTheTemplatesOrder) {
    CProjProps sheet(QStringLiteral("Web Project Properties"));
    sheet.LoadFromRecord(FilledProject());  // every type control enabled
    const CPWGenSettings& general = *sheet.GeneralPage();
    EXPECT_EQ(TabOrderFrom(general.NameEdit(), 2),
              (std::vector<QWidget*>{general.NameEdit(), general.StartUrlEdit()}));

    const CFileSettings& files = *sheet.FilePage();
    std::vector<QWidget*> fileOrder{files.SearchForTypes(), files.DownloadAll()};
    for (int index = 0; index < CFileSettings::kTypeCount; ++index) {
        fileOrder.push_back(files.TypeBox(index));
    }
    fileOrder.push_back(files.OtherTypesBox());
    fileOrder.push_back(files.OtherTypesEdit());
    EXPECT_EQ(TabOrderFrom(files.SearchForTypes(), fileOrder.size()), fileOrder);

    const CRunStopTimes& times = *sheet.RunPage()->Times();
    EXPECT_EQ(TabOrderFrom(times.RunWhenRequested(), 8),
              (std::vector<QWidget*>{times.RunWhenRequested(), times.StartRunningAt(), times.StartHourEdit(),
                                     times.StartMinuteEdit(), times.StopWhenRequested(),
                                     times.StopRunningAt(), times.StopHourEdit(), times.StopMinuteEdit()}));

    const CPAdvancedSettings& advanced = *sheet.AdvancedPage();
    EXPECT_EQ(TabOrderFrom(advanced.MaxDomainCountEdit(), 4),
              (std::vector<QWidget*>{advanced.MaxDomainCountEdit(), advanced.ExitDomainBox(),
                                     advanced.UserNameEdit(), advanced.PasswordEdit()}));
}

TEST(ProjPropsTest, ANegativeNumberFromTheListFileSurvivesTheSheet) {
    WebProject loaded = NewProject();
    loaded.maxDomainCount = -4;
    EXPECT_EQ(StoredAfterOk(loaded, [](CProjProps&) {}).maxDomainCount, -4);
}

}  // namespace
