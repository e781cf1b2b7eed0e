#include <algorithm>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "store/checksums.h"
#include "support/fake_message_box.h"
#include "ui/dialog_driving.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/dialogs/add_file_dlg.h"
#include "ui/dialogs/file_props_dlg.h"
#include "ui/dialogs/login_dlg.h"
#include "ui/dialogs/proj_props.h"
#include "ui/dialogs/pw_gen_settings.h"
#include "ui/dialogs/search_proj_dlg.h"
#include "ui/dialogs/start_chooser_dlg.h"

namespace {

TEST(AddFileDlgTest, AddReturnsWhatWasTypedAndAnEmptyTextToo) {
    CAddFileDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add File(s)"));
    const QString address = QStringLiteral("127.0.0.1/files/tool.zip");
    EXPECT_EQ(RunModal(dialog,
                       [&] {
                           TypeInto(dialog.UrlEdit(), address);
                           PressKey(dialog.UrlEdit(), Qt::Key_Return);  // "Add" is the default button
                       }),
              QDialog::Accepted);
    EXPECT_EQ(dialog.Url(), address);

    CAddFileDlg empty;
    EXPECT_EQ(RunModal(empty, [&] { PressKey(empty.UrlEdit(), Qt::Key_Return); }), QDialog::Accepted);
    EXPECT_EQ(empty.Url(), QString());
}

TEST(AddFileDlgTest, TheAddressTakesNoMoreThanAFileEntryHolds) {
    CAddFileDlg dialog;
    TypeInto(dialog.UrlEdit(), QString(300, u'a'));
    EXPECT_EQ(dialog.Url().size(), 254);
}

// Both file dialogs refuse a malformed checksum, naming the field, and stay
// open; a valid or an empty one passes.
TEST(AddFileDlgTest, AMalformedChecksumIsRefusedInBothFileDialogs) {
    FakeMessageBox messages;
    CAddFileDlg add(nullptr, &messages);
    CFilePropsDlg properties(QStringLiteral("http://h/a.zip"), QStringLiteral("md5:") + QString(32, u'0'),
                             QString(), nullptr, &messages);
    EXPECT_EQ(properties.Checksum(), QStringLiteral("md5:") + QString(32, u'0'));
    const QString sha1 = QString(40, u'F');
    for (QDialog* dialog : std::initializer_list<QDialog*>{&add, &properties}) {
        QLineEdit* checksum = dialog == &add ? add.ChecksumEdit() : properties.ChecksumEdit();
        for (const QString& bad : {QStringLiteral("sha256:") + sha1, QStringLiteral("crc32:1234abcd"),
                                   QStringLiteral("sha1:") + QString(40, u'g')}) {
            messages.shown.clear();
            EXPECT_EQ(RunModal(*dialog,
                               [&] {
                                   checksum->setText(bad);
                                   dialog->accept();
                               }),
                      kLeftOpen)
                << bad.toStdString();
            EXPECT_EQ(messages.shown, std::vector<std::string>{kInvalidChecksumMessage});
        }
        for (const QString& good : {QStringLiteral(" sha1:") + sha1, QString()}) {
            EXPECT_EQ(RunModal(*dialog,
                               [&] {
                                   checksum->setText(good);
                                   dialog->accept();
                               }),
                      QDialog::Accepted);
        }
    }
    EXPECT_EQ(properties.ResultText(), QStringLiteral("Not checked"));
}

// The login dialog names the server and its realm as plain text (a server
// chooses the realm), says (as the file dialogs do) whether a remembered
// password outlives the run,
// and never shows the password typed; OK hands back what was typed.
TEST(LoginDlgTest, NamesTheServerAndRealmAndHidesThePassword) {
    for (const bool kept : {false, true}) {
        CLoginDlg dialog({QStringLiteral("https://h:8443"), QStringLiteral("<b>Staff</b>"),
                          QStringLiteral("ann"), true, kept});
        EXPECT_EQ(dialog.MessageText(),
                  QStringLiteral("https://h:8443 refused the login. Give another one.\nRealm: <b>Staff</b>"));
        EXPECT_EQ(dialog.KeepingText().contains(QStringLiteral("kept in the desktop's secret store")), kept);
        EXPECT_EQ(dialog.KeepingText().contains(QStringLiteral("only until the program ends")), !kept);
        EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
        EXPECT_EQ(RunModal(dialog,
                           [&] {
                               TypeInto(dialog.PasswordEdit(), QStringLiteral("pw"));
                               dialog.RememberBox()->setChecked(true);
                               PressKey(dialog.PasswordEdit(), Qt::Key_Return);
                           }),
                  QDialog::Accepted);
        EXPECT_EQ(dialog.User(), QStringLiteral("ann"));
        EXPECT_EQ(dialog.Password(), QStringLiteral("pw"));
        EXPECT_TRUE(dialog.Remember());

        // The file dialogs that take a login say the same.
        CAddFileDlg add(nullptr, nullptr, kept);
        CFilePropsDlg properties(QStringLiteral("ftp://h/a.zip"), {}, {}, nullptr, nullptr, {}, kept);
        for (const QDialog* fileDialog : {static_cast<QDialog*>(&add), static_cast<QDialog*>(&properties)}) {
            const QList<QLabel*> labels = fileDialog->findChildren<QLabel*>();
            EXPECT_EQ(std::any_of(labels.begin(), labels.end(),
                                  [](const QLabel* label) {
                                      return label->text().contains("until the program ends");
                                  }),
                      !kept);
        }
    }
}

TEST(StartChooserDlgTest, ProceedingWithoutTouchingTheOptionsJustStarts) {
    CStartChooserDlg chooser;
    EXPECT_EQ(chooser.windowTitle(), QStringLiteral("Start a New Project"));
    EXPECT_TRUE(chooser.JustStartOption()->isChecked());
    EXPECT_EQ(RunModal(chooser, [&] { chooser.ProceedButton()->click(); }), QDialog::Accepted);
    EXPECT_EQ(chooser.Choice(), CStartChooserDlg::kJustStart);
    EXPECT_EQ(CStartChooserDlg::kJustStart, 4);
}

// Typing goes into the first field at once; the chooser's arrow keys start
// from the chosen option, and Return still proceeds.
TEST(DialogFocusTest, DialogsOpenWithTheFocusInTheirFirstField) {
    CProjProps sheet(QStringLiteral("Add New Web Project"));
    CSearchProjDlg search;
    CStartChooserDlg chooser;
    const std::pair<QDialog*, QWidget*> expected[] = {
        {&sheet, sheet.GeneralPage()->NameEdit()},
        {&search, search.NameEdit()},
        {&chooser, chooser.JustStartOption()},
    };
    for (const auto& [dialog, field] : expected) {
        EXPECT_EQ(
            RunModal(*dialog,
                     [&] { EXPECT_EQ(dialog->focusWidget(), field) << dialog->windowTitle().toStdString(); }),
            kLeftOpen);
    }
    EXPECT_EQ(RunModal(chooser, [&] { PressKey(chooser.JustStartOption(), Qt::Key_Return); }),
              QDialog::Accepted);
}

TEST(StartChooserDlgTest, EachOptionSetsItsChoice) {
    CStartChooserDlg chooser;
    chooser.WebSiteOption()->click();
    EXPECT_EQ(chooser.Choice(), 2);
    chooser.SearchOption()->click();
    EXPECT_EQ(chooser.Choice(), 3);
    EXPECT_FALSE(chooser.WebSiteOption()->isChecked());
    chooser.JustStartOption()->click();
    EXPECT_EQ(chooser.Choice(), 4);
    chooser.WebSiteOption()->click();
    EXPECT_EQ(RunModal(chooser, [&] { PressKey(&chooser, Qt::Key_Escape); }), QDialog::Rejected);
}

class AboutDlgTest : public ::testing::Test {
protected:
    std::vector<QString> opened;
    CAboutDlg about{nullptr, [this](const QString& address) { opened.push_back(address); }};
};

TEST_F(AboutDlgTest, CheckingOutOtherProductsOpensOurPageAndLeavesTheBoxOpen) {
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tarrawick for Software"));
    EXPECT_EQ(RunModal(about, [&] { about.ProductsButton()->click(); }), kLeftOpen);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].endsWith(QStringLiteral("/products.htm")));
    EXPECT_FALSE(opened[0].contains(QStringLiteral("://")));
}

TEST_F(AboutDlgTest, EscapeAndTheCloseBoxOpenThePageTooAndOnlyOkCloses) {
    EXPECT_EQ(RunModal(about,
                       [&] {
                           PressKey(&about, Qt::Key_Escape);
                           EXPECT_FALSE(about.close());
                           EXPECT_TRUE(about.isVisible());
                           about.OkButton()->click();
                       }),
              QDialog::Accepted);
    EXPECT_EQ(opened.size(), 2u);
}

}  // namespace
