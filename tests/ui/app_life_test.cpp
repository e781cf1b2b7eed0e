#include <csignal>
#include <filesystem>
#include <functional>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/command_ids.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/main_frame.h"
#include "store/item_store.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"
#include "support/test_http_server.h"
#include "ui/panels/list_panel.h"
#include "ui/scripted_dialogs.h"
#include "workers/app_state.h"
#include "workers/worker_threads.h"

namespace {

class AppLifeTest : public ::testing::Test {
protected:
    void TearDown() override {
        TheStore() = ItemStore();
        TheAppState() = AppState();
    }

    TempFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
    ScriptedDialogs dialogs;
    FakeMessageBox messages;
    FrameServices services{&dialogs, &messages, nullptr, [](const QUrl&) {}};
};

std::size_t FilesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

TEST_F(AppLifeTest, StartingWithoutFilesAndEndingAtOnceCreatesNoFile) {
    CDravenetApp app(services);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.MainFrame()->windowTitle(), "Tarrawick for software");
    EXPECT_TRUE(app.MainFrame()->isMaximized());
    EXPECT_EQ(app.ExitInstance(0), 0);
    EXPECT_EQ(FilesIn(folder.Path()), 0u);
}

TEST_F(AppLifeTest, EndingWithoutChangesRewritesNothingAndClearsTheHandOver) {
    folder.Write("reqsoft.data", "http://a/1.zip\r\n\r\n");
    CDravenetApp app(services);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(TheStore().RequestedFiles.Count(), 1);
    TheAppState().PendingFileEntry = TheStore().RequestedFiles.GetAt(0);
    app.ExitInstance(0);
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://a/1.zip\r\n\r\n");
    EXPECT_EQ(TheAppState().PendingFileEntry, nullptr);
}

TEST_F(AppLifeTest, EndingSavesWhatChangedDuringTheRun) {
    CDravenetApp app(services);
    ASSERT_TRUE(app.InitInstance());
    TheStore().DownloadedFiles.AppendUrl("http://a/1.zip");
    app.ExitInstance(0);
    EXPECT_EQ(folder.Read("dnldsoft.data"), "http://a/1.zip\n");
    EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

TEST_F(AppLifeTest, AProjectMadeFromTheStartChooserIsSavedAtExit) {
    // The list file exists, so loading it would clear the flag of a list
    // that held nothing new.
    folder.Write("reqsoftwebs.data", "Old\nhttp://old/\n1\n0 0 0 0 0 0 0\n1 0 0\n1 0 0\n0 0 0\n*\n");
    dialogs.startChoice = 2;
    dialogs.webSheet = [](WebProject& project) {
        project.name = "Chosen";
        project.startUrl = "http://chosen/";
        return true;
    };
    CDravenetApp app(services);
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(dialogs.sheetTitles, std::vector<std::string>{"Add New Web Project"});
    ASSERT_EQ(TheStore().RequestedSites.Count(), 2);
    app.ExitInstance(0);
    const std::string saved = folder.Read("reqsoftwebs.data");
    EXPECT_NE(saved.find("Old\n"), std::string::npos);
    EXPECT_NE(saved.find("Chosen\n"), std::string::npos);
}

TEST_F(AppLifeTest, NothingChangesTheListsWhileTheExitSaveReportsAFailure) {
    folder.Write("reqsoft.data", "http://a/1.zip\n");
    // The web sites cannot be written: the temporary file's name is taken.
    std::filesystem::create_directory(folder / "reqsoftwebs.data.saving");
    CDravenetApp app(services);
    ASSERT_TRUE(app.InitInstance());
    TheStore().RequestedSites.Append(WebProject{});
    // A download finishing just as the program ends: its last step moves the
    // entry from the requested to the downloaded files.
    app.Workers().Ui()->Post([] {
        FileEntry* entry = TheStore().RequestedFiles.GetAt(0);
        TheStore().DownloadedFiles.Append(*entry);
        TheStore().RequestedFiles.RemoveAt(0);
    });
    bool ticking = true;
    messages.whileOpen = [&] {
        ticking = app.MainFrame()->SchedulerRunning();
        QCoreApplication::processEvents();
    };
    app.ExitInstance(0);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Error saving the 'Requested Web Sites' list!"});
    EXPECT_FALSE(ticking);
    // Requested, as when the program ended; never in both lists at once.
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://a/1.zip\n");
    EXPECT_FALSE(folder.Exists("dnldsoft.data"));
}

TEST_F(AppLifeTest, DeleteAllListsThenExitLeavesNoListFile) {
    for (const char* name : {"reqsoft.data", "reqsoftwebs.data", "dnldsoft.data", "dnldsoftwebs.data",
                             "reqsoftsearch.data", "softsearchres.data"}) {
        folder.Write(name, "");
    }
    folder.Write("reqsoft.data", "http://a/1.zip\n");
    folder.Write("softsearchres.data", "http://r/1\n");
    CDravenetApp app(services);
    ASSERT_TRUE(app.InitInstance());
    app.MainFrame()->Action(CommandId::kDeleteAllLists)->trigger();
    EXPECT_EQ(app.MainFrame()->ListPanel().RowCount(), 0);
    app.ExitInstance(0);
    EXPECT_EQ(FilesIn(folder.Path()), 0u);
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace

namespace {

// Runs the event loop until the condition holds; a bound turns a hang into a
// failure instead of waiting for it.
bool ProcessEventsUntil(const std::function<bool()>& condition) {
    QDeadlineTimer bound(30000);
    while (!condition() && !bound.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return condition();
}

TEST_F(AppLifeTest, SelectedProjectsDownloadsAFileThroughTheProgramsOwnWorkers) {
    TestHttpServer server;
    const std::string body(5000, 'z');
    server.Route("/tool.zip", TestHttpReply::Ok(body));
    folder.Write("reqsoft.data", server.Url("/tool.zip") + "\n");

    CDravenetApp app(services);  // no download commands given: the program's own
    ASSERT_TRUE(app.InitInstance());
    CListPanel& list = app.MainFrame()->ListPanel();
    ASSERT_EQ(list.RowCount(), 1);
    list.topLevelItem(0)->setSelected(true);
    app.MainFrame()->Action(CommandId::kSelectedProjects)->trigger();
    EXPECT_EQ(list.RowText(0, 1), "Downloading...");

    ASSERT_TRUE(ProcessEventsUntil([] { return TheStore().DownloadedFiles.Count() == 1; }));
    EXPECT_EQ(TheStore().RequestedFiles.Count(), 0);
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(folder.Read("Software/tool.zip"), body);
    ASSERT_TRUE(ProcessEventsUntil([] { return TheStore().ActiveFileDownloads.Count() == 0; }));
    app.ExitInstance(0);
    EXPECT_EQ(folder.Read("dnldsoft.data"), server.Url("/tool.zip") + "\n");
    EXPECT_FALSE(folder.Exists("reqsoft.data"));
}

}  // namespace

namespace {

TEST_F(AppLifeTest, AnEndSignalDuringStartUpEndsTheRunWithTheListsSaved) {
    CDravenetApp app(services);
    ::raise(SIGTERM);  // as if the session ended while the start-up chooser was open
    QCoreApplication::processEvents();
    ASSERT_TRUE(app.InitInstance());
    TheStore().RequestedFiles.AppendUrl("http://a/1.zip");
    EXPECT_EQ(app.Run(), 0);  // returns at once instead of entering the main loop
    app.ExitInstance(0);
    EXPECT_EQ(folder.Read("reqsoft.data"), "http://a/1.zip\n");
}

}  // namespace

namespace {

TEST_F(AppLifeTest, AnEndSignalWhileTheStartUpChooserIsOpenClosesItAndEndsTheRun) {
    FrameServices ownDialogs = services;
    ownDialogs.dialogs = nullptr;  // the program's real start-up chooser
    CDravenetApp app(ownDialogs);
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });  // fires inside the chooser's loop
    ASSERT_TRUE(app.InitInstance());                  // would hang if the chooser stayed open
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(app.Run(), 0);
    app.ExitInstance(0);
}

}  // namespace
