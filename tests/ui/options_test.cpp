#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
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

// OK stays refused, with a message naming the field, while a number cannot
// be used; once both can, it closes with them.
TEST(OptionsDlgTest, OkRefusesNumbersThatCannotBeUsed) {
    const struct {
        const char* maxRunning;
        const char* speedLimit;
        const char* refusal;  // nullptr: accepted
    } cases[] = {
        {"-1", "0", "Downloads at once must be a whole number from 0 to 999"},
        {"1000", "0", "Downloads at once must be a whole number from 0 to 999"},
        {"2x", "0", "Downloads at once must be a whole number from 0 to 999"},
        {"", "0", "Downloads at once must be a whole number from 0 to 999"},
        {"3", "-5", "The speed limit must be a whole number of KiB/s from 0 to 10000000"},
        {"3", "99999999999", "The speed limit must be a whole number of KiB/s from 0 to 10000000"},
        {"3", "10000001", "The speed limit must be a whole number of KiB/s from 0 to 10000000"},
        {" 3 ", "10000000", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.maxRunning) + " / " + c.speedLimit);
        FakeMessageBox messages;
        COptionsDlg dialog(nullptr, &messages);
        const int result = RunModal(dialog, [&] {
            dialog.MaxRunningEdit()->clear();
            TypeInto(dialog.MaxRunningEdit(), QString::fromLatin1(c.maxRunning));
            dialog.SpeedLimitEdit()->clear();
            TypeInto(dialog.SpeedLimitEdit(), QString::fromLatin1(c.speedLimit));
            OkButton(dialog)->click();
        });
        if (c.refusal != nullptr) {
            EXPECT_EQ(result, kLeftOpen);
            EXPECT_EQ(messages.shown, std::vector<std::string>{c.refusal});
        } else {
            EXPECT_EQ(result, QDialog::Accepted);
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(dialog.Entered().maxRunningEntries, 3);
            EXPECT_EQ(dialog.Entered().speedLimitKiBps, 10000000);
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
                 "[Transfers]\nMaxRunningEntries=-4\nSpeedLimitKiBps=250\n[Ftp]\nPassiveMode=maybe\n");
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
