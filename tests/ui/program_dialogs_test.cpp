#include <functional>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/command_ids.h"
#include "engine/crawl_log.h"
#include "ui/dialog_driving.h"
#include "ui/dialogs/add_file_dlg.h"
#include "ui/dialogs/proj_props.h"
#include "ui/dialogs/qt_message_box.h"
#include "ui/dialogs/search_proj_dlg.h"
#include "ui/dialogs/start_chooser_dlg.h"
#include "ui/main_frame_fixture.h"

namespace {

using namespace CommandId;

// Runs the driver on the next modal dialog once it is open.
void DriveNextModal(std::function<void(QWidget*)> driver) {
    QTimer::singleShot(0, [driver = std::move(driver)]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            driver(modal);
        } else {
            DriveNextModal(std::move(driver));
        }
    });
}

// The main window with the program's own dialogs, driven as a user would.
class ProgramDialogsTest : public MainFrameTest {
protected:
    void OpenWithProgramDialogs() {
        DriveNextModal([](QWidget* modal) {
            auto* chooser = qobject_cast<CStartChooserDlg*>(modal);
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(chooser->windowTitle(), "Start a New Project");
            chooser->ProceedButton()->click();
        });
        frame = std::make_unique<CMainFrame>(
            FrameServices{nullptr, &messages, nullptr, {}, &TheStore(), &TheAppState()});
        ASSERT_TRUE(frame->Create());
        frame->InitialUpdate();
    }
};

TEST_F(ProgramDialogsTest, AddFilesDeleteAndAddWebSiteGoThroughTheRealDialogs) {
    OpenWithProgramDialogs();
    EXPECT_EQ(Store().RequestedSites.Count(), 0);

    DriveNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<CAddFileDlg*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->UrlEdit()->setText("host.org/a b.zip");
        dialog->ChecksumEdit()->setText(QString(32, u'0'));
        dialog->accept();
    });
    Run(kAddFiles);
    ASSERT_EQ(Store().RequestedFiles.Count(), 1);
    EXPECT_EQ(Store().RequestedFiles.GetAt(0)->url, "http://host.org/a%20b.zip");
    ASSERT_NE(Store().Checksums.Find("http://host.org/a%20b.zip"), nullptr);

    SelectRows({0});
    DriveNextModal([](QWidget* modal) {
        auto* question = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(question->text(), "Are you sure you want to delete that entry?");
        question->button(QMessageBox::Yes)->click();
    });
    Run(kDeleteEntry);
    EXPECT_EQ(Store().RequestedFiles.Count(), 0);
    EXPECT_EQ(Store().Checksums.Find("http://host.org/a%20b.zip"), nullptr);

    DriveNextModal([](QWidget* modal) {
        auto* sheet = qobject_cast<CProjProps*>(modal);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->windowTitle(), "Add New Web Project");
        WebProject typed;
        typed.name = "Typed";
        typed.startUrl = "http://typed/";
        typed.startOnRequest = 1;
        typed.stopOnRequest = 1;
        typed.startHour = 9;
        sheet->LoadFromRecord(typed);
        sheet->accept();
    });
    Run(kAddWebSite);
    ASSERT_EQ(Store().RequestedSites.Count(), 1);
    EXPECT_EQ(Store().RequestedSites.GetAt(0)->name, "Typed");
    EXPECT_EQ(Store().RequestedSites.GetAt(0)->startHour, 0);
    EXPECT_EQ(Store().RequestedSites.GetAt(0)->status, "Ready for download");

    // The sheet of a project that has been crawled shows its last run's first error.
    {
        CrawlLog log("Typed");
        log.RecordError("https://typed/", "SSL certificate problem: self-signed certificate");
    }
    frame->resize(1000, 700);
    frame->show();
    ClickCategory("Web Sites");
    ASSERT_EQ(List().RowCount(), 1);
    SelectRows({0});
    QString shown;
    DriveNextModal([&shown](QWidget* modal) {
        auto* sheet = qobject_cast<CProjProps*>(modal);
        ASSERT_NE(sheet, nullptr);
        if (sheet->FirstErrorLabel()->isVisibleTo(sheet)) shown = sheet->FirstErrorLabel()->text();
        sheet->reject();
    });
    Run(kProperties);
    EXPECT_EQ(shown, "First error of the last run: SSL certificate problem: self-signed certificate");
}

// A refusal of the search project dialog is centred on the dialog, not on
// the main window that the program's message boxes are given.
TEST(QtMessageBoxTest, ABoxRaisedWhileADialogIsOpenBelongsToTheDialog) {
    QWidget mainWindow;
    QtMessageBox messages(&mainWindow);
    CSearchProjDlg search(nullptr, &messages);
    QWidget* boxParent = nullptr;
    QString boxText;
    RunModal(search, [&] {
        DriveNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            boxParent = box->parentWidget();
            boxText = box->text();
            box->accept();
        });
        search.accept();  // nothing entered: refused with a box
    });
    EXPECT_EQ(boxText, "Enter the project's name!");
    EXPECT_EQ(boxParent, &search);
}

}  // namespace
