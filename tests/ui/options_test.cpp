#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "app/command_ids.h"
#include "app/download_commands.h"
#include "app/gui/options_settings.h"
#include "support/fake_message_box.h"
#include "ui/dialog_driving.h"
#include "ui/dialogs/options_dlg.h"
#include "ui/main_frame_fixture.h"

namespace {

QPushButton* OkButton(COptionsDlg& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("OK")) return button;
    }
    return nullptr;
}

// The numbers are spin boxes that cannot leave their ranges, whatever is
// typed into them, so OK takes them without a refusal; 0 says what it means.
TEST(OptionsDlgTest, TypedNumbersStayWithinTheirRanges) {
    const struct {
        const char* maxRunning;
        const char* speedLimit;
        int expectedRunning;
        int expectedSpeed;
    } cases[] = {
        {"1000", "99999999999", 100, 9999999},
        {"-1", "-5", 1, 5},
        {"2x", "10000000", 2, 10000000},
        {"0", "0", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.maxRunning) + " / " + c.speedLimit);
        FakeMessageBox messages;
        COptionsDlg dialog(nullptr, &messages);
        const int result = RunModal(dialog, [&] {
            for (QSpinBox* box : {dialog.MaxRunningEdit(), dialog.SpeedLimitEdit()}) box->selectAll();
            TypeInto(dialog.MaxRunningEdit(), QString::fromLatin1(c.maxRunning));
            TypeInto(dialog.SpeedLimitEdit(), QString::fromLatin1(c.speedLimit));
            OkButton(dialog)->click();
        });
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(dialog.Entered().maxRunningEntries, c.expectedRunning);
        EXPECT_EQ(dialog.Entered().speedLimitKiBps, c.expectedSpeed);
    }
    COptionsDlg dialog;
    EXPECT_EQ(dialog.MaxRunningEdit()->text(), QStringLiteral("no limit"));
    EXPECT_EQ(dialog.SpeedLimitEdit()->text(), QStringLiteral("none"));
}

// On every page Tab goes through the fields from top to bottom, and each
// field's tooltip names a key that options.conf really holds (the password,
// never saved, says so instead).
TEST(OptionsDlgTest, EveryPageIsTabbedTopToBottomAndNamesTheKeysOfItsFields) {
    TempFolder folder;
    const QString file = QString::fromStdString((folder / "options.conf").string());
    ASSERT_TRUE(SaveOptions(file, Options{}));
    const QSettings saved(file, QSettings::IniFormat);
    const QString keyPrefix = QStringLiteral("In options.conf: ");

    COptionsDlg dialog;
    dialog.show();
    QTabWidget* pages = dialog.Pages();
    ASSERT_EQ(pages->count(), 5);
    for (int index = 0; index < pages->count(); ++index) {
        QWidget* page = pages->widget(index);
        SCOPED_TRACE(pages->tabText(index).toStdString());
        pages->setCurrentIndex(index);
        QCoreApplication::processEvents();
        std::vector<QWidget*> fields;
        for (QWidget* field : page->findChildren<QWidget*>()) {
            if ((field->focusPolicy() & Qt::TabFocus) != 0 &&
                !field->parent()->inherits("QAbstractSpinBox")) {  // a spin box stands for its edit
                fields.push_back(field);
            }
        }
        ASSERT_FALSE(fields.empty());
        std::vector<QWidget*> inOrder;
        for (QWidget* at : TabOrderFrom(pages, 200)) {
            if (std::find(fields.begin(), fields.end(), at) != fields.end()) inOrder.push_back(at);
        }
        EXPECT_EQ(inOrder.size(), fields.size());
        int lastTop = -1;
        for (QWidget* field : inOrder) {
            const int top = field->mapTo(page, QPoint(0, 0)).y();
            EXPECT_GE(top, lastTop) << field->metaObject()->className();
            lastTop = top;
            const QString tip = field->toolTip();
            const qsizetype at = tip.indexOf(keyPrefix);
            if (at < 0) {
                EXPECT_TRUE(tip.contains(QStringLiteral("Never written to options.conf")))
                    << tip.toStdString();
                continue;
            }
            const QString key = tip.mid(at + keyPrefix.size());
            EXPECT_TRUE(saved.contains(key)) << key.toStdString();
        }
    }
}

class RecordingDownloads : public DownloadCommands {
public:
    void StartWorker() override {}
    void SuspendWorker() override {}
    void ScheduleTick(int, int) override {}
    void SetOptions(const Options& options) override { given.push_back(options); }
    void ForgetEntry(int, std::string_view) override {}
    std::vector<Options> given;
};

using OptionsCommandTest = MainFrameTest;

// Download > Options reads the user's file, falls back to the defaults for
// what it cannot use without writing anything, and on OK saves the options
// and hands them to the dispatch for the workers started from then on.
TEST_F(OptionsCommandTest, OptionsAreReadWithDefaultsForBadValuesAndSavedOnlyOnOk) {
    const QString file = OptionsFile();
    QDir().mkpath(QFileInfo(file).path());
    folder.Write("config/options.conf",
                 "[Transfers]\nMaxRunningEntries=-4\nSpeedLimitKiBps=250\nConnectionsPerFile=0\n"
                 "[Ftp]\nPassiveMode=maybe\n");
    const std::string written = folder.Read("config/options.conf");
    Open();
    RecordingDownloads downloads;
    frame->SetDownloadCommands(&downloads);
    Options expected;
    expected.speedLimitKiBps = 250;
    ASSERT_EQ(downloads.given.size(), 1u);
    EXPECT_EQ(downloads.given[0], expected);

    frame->Action(CommandId::kOptions)->trigger();  // not scripted: cancelled
    ASSERT_EQ(dialogs.optionsLoadedWith.size(), 1u);
    EXPECT_EQ(dialogs.optionsLoadedWith[0], expected);
    EXPECT_EQ(folder.Read("config/options.conf"), written);
    EXPECT_EQ(downloads.given.size(), 1u);

    // Every topic travels the same way: transfers, FTP, web and desktop.
    Options entered;
    entered.maxRunningEntries = 2;
    entered.ftpPassive = true;
    entered.web.followHttpsAndRedirects = true;
    entered.web.yahoo = {"https://searx.test:8443/search?q={words}&format=json", "searx",
                         EngineAnswer::kJson};
    entered.notifyWhenEntriesEnd = false;
    entered.closeToTray = true;
    entered.findPublishedChecksums = true;
    entered.connectionsPerFile = 8;
    dialogs.optionsDialog = [&](Options& options) {
        options = entered;
        return true;
    };
    frame->Action(CommandId::kOptions)->trigger();
    ASSERT_EQ(downloads.given.size(), 2u);
    EXPECT_EQ(downloads.given[1], entered);
    EXPECT_EQ(LoadOptions(file), entered);
    EXPECT_EQ(frame->Action(CommandId::kOptions)->text(), QStringLiteral("&Options..."));
}

// Values written by hand with a comma in them, which QSettings reads as a
// list, are taken as written, and OK in the dialog writes them back so.
TEST_F(OptionsCommandTest, HandWrittenValuesWithACommaAreReadAndKeptAsWritten) {
    const QString file = OptionsFile();
    QDir().mkpath(QFileInfo(file).path());
    const std::string searx =
        "https://searx.example.org/search?q={words}&format=json&engines=google,duckduckgo";
    folder.Write("config/options.conf", "[web]\nyahoo\\queryTemplate=" + searx +
                                            "\nyahoo\\ownLinkMarker=search.yahoo.com,yahoo.net\n"
                                            "yahoo\\answer=json\n");
    const EngineSetting expected{searx, "search.yahoo.com,yahoo.net", EngineAnswer::kJson};
    Open();
    RecordingDownloads downloads;
    frame->SetDownloadCommands(&downloads);
    ASSERT_EQ(downloads.given.size(), 1u);
    EXPECT_EQ(downloads.given[0].web.yahoo, expected);

    dialogs.optionsDialog = [](Options&) { return true; };
    frame->Action(CommandId::kOptions)->trigger();
    EXPECT_EQ(LoadOptions(file).web.yahoo, expected);
}

TEST(OptionsSettingsTest, AFileThatCannotBeReadGivesTheDefaults) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "options.conf");  // a folder where the file should be
    const QString file = QString::fromStdString((folder / "options.conf").string());
    EXPECT_EQ(LoadOptions(file), Options{});
    EXPECT_EQ(LoadOptions(QString::fromStdString((folder / "missing.conf").string())), Options{});
    EXPECT_FALSE(SaveOptions(file, Options{}));
}

}  // namespace
