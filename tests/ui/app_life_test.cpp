#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/command_ids.h"
#include "app/default_workers.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/main_frame.h"
#include "app/list_rows.h"
#include "app/worker_dispatch.h"
#include "net/curl_session.h"
#include "store/item_store.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"
#include "support/test_ftp_server.h"
#include "support/test_http_server.h"
#include "support/test_proxy_server.h"
#include "ui/panels/dnld_list.h"
#include "ui/panels/list_panel.h"
#include "ui/panels/status_view.h"
#include "ui/process_events_until.h"
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

// Closing ends the run, as it always did, unless the tray keeps it: then the
// window hides, the scheduler goes on, and the tray's Exit ends the run with
// the lists saved.
TEST_F(AppLifeTest, ClosingTheWindowEndsTheRunOrLeavesItInTheTrayUntilExit) {
    for (const bool closeToTray : {false, true}) {
        SCOPED_TRACE(closeToTray);
        folder.Write("options.conf", closeToTray ? "[Desktop]\nCloseToTray=true\n" : "");
        FrameServices traying = services;
        traying.optionsFile = QString::fromStdString((folder / "options.conf").string());
        traying.trayAvailable = [] { return true; };
        CDravenetApp app(traying);
        ASSERT_TRUE(app.InitInstance());
        CMainFrame& window = *app.MainFrame();
        ASSERT_NE(window.Tray(), nullptr);
        bool ranOn = false;
        bool shownAfterClose = true;
        bool schedulerAfterClose = false;
        QTimer::singleShot(0, &window, [&] {
            window.close();
            TheStore().RequestedFiles.AppendUrl("http://h/after-close.zip");
            QTimer::singleShot(0, &window, [&] {
                ranOn = true;
                shownAfterClose = window.isVisible();
                schedulerAfterClose = window.SchedulerRunning();
                const QList<QAction*> items = window.TrayMenu()->actions();
                const auto exit = std::find_if(items.begin(), items.end(),
                                               [](QAction* item) { return item->text() == "E&xit"; });
                ASSERT_NE(exit, items.end());
                (*exit)->trigger();
            });
        });
        QTimer::singleShot(30000, &window, [] { QApplication::exit(1); });  // a bound, not a pause
        EXPECT_EQ(app.Run(), 0);
        app.ExitInstance(0);
        EXPECT_EQ(ranOn, closeToTray);
        EXPECT_EQ(shownAfterClose, !closeToTray);
        EXPECT_EQ(schedulerAfterClose, closeToTray);
        EXPECT_EQ(folder.Read("reqsoft.data"), "http://h/after-close.zip\n");
        TheStore() = ItemStore();
        std::filesystem::remove(folder / "reqsoft.data");
    }
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

// Sends the process's standard error to a file while it lives.
class StandardErrorToFile {
public:
    explicit StandardErrorToFile(const std::filesystem::path& file) : saved_(::dup(STDERR_FILENO)) {
        std::fflush(stderr);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StandardErrorToFile() {
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    StandardErrorToFile(const StandardErrorToFile&) = delete;
    StandardErrorToFile& operator=(const StandardErrorToFile&) = delete;

private:
    int saved_;
};

// Every file under the folder whose bytes hold the text.
std::vector<std::string> FilesHolding(const std::filesystem::path& folder, const std::string& text) {
    std::vector<std::string> holding;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (!item.is_regular_file()) continue;
        std::ifstream file(item.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (bytes.find(text) != std::string::npos) holding.push_back(item.path().string());
    }
    return holding;
}

// A run through a proxy with a login entered in the Options dialog: the
// password reaches the proxy, and after the run no file of the data folder
// or the options file, no text of the window and nothing written to
// standard error holds it.
TEST_F(AppLifeTest, AProxyPasswordReachesTheProxyButIsNeverWrittenOrShown) {
    const std::string secret = "Zq7-proxy-secret";
    TestHttpServer server;
    server.Route("/tool.zip", TestHttpReply::Ok(std::string(5000, 'z')));
    TestProxyServer proxy(TestProxyKind::kHttp, "ann", secret);
    folder.Write("reqsoft.data", server.Url("/tool.zip") + "\n");
    services.optionsFile = QString::fromStdString((folder / "options.conf").string());
    dialogs.optionsDialog = [&](Options& options) {
        options.proxy.mode = ProxyMode::kManual;
        options.proxy.host = "127.0.0.1";
        options.proxy.port = proxy.Port();
        options.proxy.user = "ann";
        options.proxy.password = secret;
        return true;
    };

    std::optional<StandardErrorToFile> standardError(std::in_place, folder / "stderr.txt");
    CDravenetApp app(services);
    ASSERT_TRUE(app.InitInstance());
    app.MainFrame()->Action(CommandId::kOptions)->trigger();
    CListPanel& list = app.MainFrame()->ListPanel();
    list.topLevelItem(0)->setSelected(true);
    app.MainFrame()->Action(CommandId::kSelectedProjects)->trigger();
    ASSERT_TRUE(ProcessEventsUntil([] { return TheStore().DownloadedFiles.Count() == 1; }));
    ASSERT_TRUE(ProcessEventsUntil([] { return TheStore().ActiveFileDownloads.Count() == 0; }));
    const CStatusView& status = app.MainFrame()->StatusView();
    for (const QString& text : {status.CurrentProjectText(), status.LastActionText(), status.StatusText(),
                                app.MainFrame()->windowTitle()}) {
        EXPECT_FALSE(text.contains(QString::fromStdString(secret))) << text.toStdString();
    }
    app.ExitInstance(0);
    standardError.reset();

    EXPECT_EQ(proxy.Log(), std::vector<std::string>{"GET " + server.Url("/tool.zip")});
    EXPECT_EQ(folder.Read("Software/tool.zip"), std::string(5000, 'z'));
    EXPECT_TRUE(folder.Exists("options.conf"));
    EXPECT_TRUE(folder.Exists("dnldsoft.data"));
    EXPECT_TRUE(folder.Exists("stderr.txt"));
    EXPECT_EQ(FilesHolding(folder.Path(), secret), std::vector<std::string>{});
}

// Logins given in the window: one for an FTP server in Add File(s), one for
// an HTTP server in the login dialog, both remembered. Without a secret
// service they last the run: the logins file keeps the user names only, and
// after the run no file of the data folder, no text of the window or its
// rows, nothing on standard error and no argument of the process holds a
// password.
TEST_F(AppLifeTest, LoginPasswordsReachTheirServersButAreNeverWrittenOrShown) {
    const std::string httpSecret = "Hx8-login-secret";
    const std::string ftpSecret = "Fy3-login-secret";
    TestHttpServer server;
    server.RouteBy("/tool.zip",
                   BasicLoginRequired("ann", httpSecret, "Tools", TestHttpReply::Ok("http bytes")));
    TempFolder served;
    served.Write("pub.zip", "ftp bytes");
    TestFtpServer ftp(served.Path(), std::nullopt, {}, {}, "bob:" + ftpSecret);
    folder.Write("reqsoft.data", server.Url("/tool.zip") + "\n");
    dialogs.fileUrl = ftp.Url("/pub.zip");
    dialogs.fileUser = "bob";
    dialogs.filePassword = ftpSecret;
    dialogs.loginDialog = [&](const LoginQuestion&) { return LoginAnswer{"ann", httpSecret, true}; };

    std::optional<StandardErrorToFile> standardError(std::in_place, folder / "stderr.txt");
    CDravenetApp app(services);
    ASSERT_TRUE(app.InitInstance());
    app.MainFrame()->Action(CommandId::kAddFiles)->trigger();
    CListPanel& list = app.MainFrame()->ListPanel();
    ASSERT_EQ(list.RowCount(), 2);
    for (int row = 0; row < list.RowCount(); ++row) list.topLevelItem(row)->setSelected(true);
    app.MainFrame()->Action(CommandId::kSelectedProjects)->trigger();
    ASSERT_TRUE(ProcessEventsUntil([] { return TheStore().DownloadedFiles.Count() == 2; }));
    ASSERT_TRUE(ProcessEventsUntil([] { return TheStore().ActiveFileDownloads.Count() == 0; }));
    const CStatusView& status = app.MainFrame()->StatusView();
    QStringList shown{status.CurrentProjectText(), status.LastActionText(), status.StatusText(),
                      app.MainFrame()->windowTitle()};
    for (int shownList : {kDownloadedFilesList, kRequestedFilesList}) {
        SwitchCategory(TheStore(), TheAppState(), shownList, app.MainFrame()->Window());
        for (int row = 0; row < list.RowCount(); ++row) {
            for (int column : {0, 1}) shown << list.RowText(row, column);
        }
    }
    for (const std::string& secret : {httpSecret, ftpSecret}) {
        for (const QString& text : shown) {
            EXPECT_FALSE(text.contains(QString::fromStdString(secret))) << text.toStdString();
        }
    }
    app.ExitInstance(0);
    standardError.reset();

    ASSERT_EQ(dialogs.loginQuestions.size(), 1u);
    EXPECT_EQ(dialogs.loginQuestions[0].realm, "Tools");
    EXPECT_FALSE(dialogs.loginQuestions[0].keptBeyondRun);
    EXPECT_EQ(folder.Read("Software/tool.zip"), "http bytes");
    EXPECT_EQ(folder.Read("Software/pub.zip"), "ftp bytes");
    EXPECT_EQ(folder.Read("logins.data"), "ftp 127.0.0.1 " + std::to_string(ftp.Port()) +
                                              " bob\nhttp 127.0.0.1 " + std::to_string(server.Port()) +
                                              " ann\n");
    EXPECT_TRUE(folder.Exists("stderr.txt"));
    std::ifstream commandLine("/proc/self/cmdline", std::ios::binary);
    const std::string arguments((std::istreambuf_iterator<char>(commandLine)),
                                std::istreambuf_iterator<char>());
    for (const std::string& secret : {httpSecret, ftpSecret}) {
        EXPECT_EQ(FilesHolding(folder.Path(), secret), std::vector<std::string>{});
        EXPECT_EQ(arguments.find(secret), std::string::npos);
    }
}

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

namespace {

// The main window's panes, with a log of the status view's texts as the
// workers' steps set them.
class LoggedWindow : public WindowPort {
public:
    explicit LoggedWindow(WindowPort& panes) : panes_(panes) {}

    int InsertTopRow(std::string_view column0) override { return panes_.InsertTopRow(column0); }
    void SetRowText(int row, int column, std::string_view text) override {
        panes_.SetRowText(row, column, text);
    }
    void DeleteRow(int row) override { panes_.DeleteRow(row); }
    void DeleteAllRows() override { panes_.DeleteAllRows(); }
    int RowCount() const override { return panes_.RowCount(); }
    int SelectedCount() const override { return panes_.SelectedCount(); }
    bool IsRowSelected(int row) const override { return panes_.IsRowSelected(row); }
    std::string RowText(int row, int column) const override { return panes_.RowText(row, column); }
    void SetStatusText(std::string_view text) override {
        statusTexts.emplace_back(text);
        panes_.SetStatusText(text);
    }
    void SetLastActionText(std::string_view text) override {
        lastActions.emplace_back(text);
        panes_.SetLastActionText(text);
    }
    void SetCurrentProjectText(std::string_view text) override { panes_.SetCurrentProjectText(text); }
    void ShowTransfer(const TransferFigures& figures) override { panes_.ShowTransfer(figures); }
    void HideTransfer() override { panes_.HideTransfer(); }
    void PlayAnimation() override { panes_.PlayAnimation(); }
    void StopAnimation() override { panes_.StopAnimation(); }
    void BeginTreeProject(std::string_view projectName) override { panes_.BeginTreeProject(projectName); }
    void AddTreeFile(std::string_view projectName, std::string_view localPath) override {
        panes_.AddTreeFile(projectName, localPath);
    }
    void AddTreeFiles(std::string_view projectName, const std::vector<std::string>& localPaths) override {
        panes_.AddTreeFiles(projectName, localPaths);
    }
    void ReportEntryEnded(const EndedEntry& ended) override { panes_.ReportEntryEnded(ended); }
    void ShowMessage(std::string_view text) override { panes_.ShowMessage(text); }

    std::vector<std::string> statusTexts;
    std::vector<std::string> lastActions;

private:
    WindowPort& panes_;
};

// The numbers of the "<n> links found" texts and the paths of the
// "Dowloading <path>..." texts, in the order they were shown.
std::vector<int> LinkCounts(const std::vector<std::string>& statusTexts) {
    std::vector<int> counts;
    for (const std::string& text : statusTexts)
        if (text.ends_with(" links found")) counts.push_back(std::atoi(text.c_str()));
    return counts;
}

std::vector<std::string> DownloadingPaths(const std::vector<std::string>& lastActions) {
    std::vector<std::string> paths;
    for (const std::string& text : lastActions)
        if (text.starts_with("Dowloading ")) paths.push_back(text.substr(11, text.size() - 11 - 3));
    return paths;
}

TEST_F(AppLifeTest, ACrawlInTheWindowShowsItsTextsAndSavedFilesInOrderAndComplete) {
    // Six folders of eight archives each, many of them saved within one
    // hand-over of the crawl's texts: 54 links in all.
    TestHttpServer site;
    std::string index;
    for (int folderNumber = 0; folderNumber < 6; ++folderNumber) {
        const std::string sub = "/d" + std::to_string(folderNumber) + "/";
        index += "<a href=\"" + sub + "page.htm\">x</a>\r\n";
        std::string page;
        for (int file = 0; file < 8; ++file) {
            page += "<a href=\"f" + std::to_string(file) + ".zip\">x</a>\r\n";
            site.Route(sub + "f" + std::to_string(file) + ".zip", TestHttpReply::Ok(std::string(3000, 'z')));
        }
        site.Route(sub + "page.htm", TestHttpReply::Ok(page));
    }
    site.Route("/index.htm", TestHttpReply::Ok(index));

    // With the project's row selected the crawl's texts are all shown; with
    // another list shown only the links-found count is.
    for (const bool rowShown : {true, false}) {
        SCOPED_TRACE(rowShown ? "row shown" : "another list shown");
        const std::size_t requestsBefore = site.Requests().size();
        CDravenetApp app(services);
        ASSERT_TRUE(app.InitInstance());
        CMainFrame& frame = *app.MainFrame();
        LoggedWindow window(frame.Window());
        WorkerDispatch dispatch(TheStore(), TheAppState(), window, app.Workers(),
                                DefaultWorkerProcedures(CurlSessionFactory()));
        frame.SetDownloadCommands(&dispatch);
        WebProject project;
        project.name = "proj";
        project.startUrl = site.Url("/index.htm");
        project.wantZip = 1;
        TheStore().RequestedSites.Append(project);
        SwitchCategory(TheStore(), TheAppState(), kRequestedSitesList, window);
        frame.ListPanel().topLevelItem(0)->setSelected(true);
        ReportSelection(TheAppState(), window);
        frame.Action(CommandId::kSelectedProjects)->trigger();
        // Before any step of the crawl runs.
        if (!rowShown) SwitchCategory(TheStore(), TheAppState(), kRequestedFilesList, window);
        ASSERT_TRUE(ProcessEventsUntil([] { return TheStore().ActiveSiteCrawls.Count() == 0; }));

        std::vector<std::string> saved;  // in the order the crawl fetched them
        const std::vector<TestHttpRequest> requests = site.Requests();
        for (std::size_t at = requestsBefore; at < requests.size(); ++at)
            if (requests[at].target.ends_with(".zip")) saved.push_back("Software/proj" + requests[at].target);
        ASSERT_EQ(saved.size(), 48u);
        ASSERT_EQ(frame.DownloadedTree().topLevelItemCount(), 1);
        const QTreeWidgetItem* root = frame.DownloadedTree().topLevelItem(0);
        EXPECT_EQ(root->text(0), "proj");
        std::vector<std::string> tree;
        for (int child = 0; child < root->childCount(); ++child)
            tree.push_back(root->child(child)->text(0).toStdString());
        EXPECT_EQ(tree, saved);

        // Coalesced texts may leave some out, but never show an older one
        // after a newer, and the last is always shown.
        const std::vector<int> counts = LinkCounts(window.statusTexts);
        EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
        EXPECT_EQ(std::adjacent_find(counts.begin(), counts.end()), counts.end());
        std::vector<std::ptrdiff_t> downloading;  // positions in the crawl's order
        for (const std::string& path : DownloadingPaths(window.lastActions))
            downloading.push_back(std::find(saved.begin(), saved.end(), path) - saved.begin());
        EXPECT_TRUE(std::is_sorted(downloading.begin(), downloading.end()));
        EXPECT_EQ(std::adjacent_find(downloading.begin(), downloading.end()), downloading.end());
        if (rowShown) {
            ASSERT_FALSE(downloading.empty());
            EXPECT_EQ(downloading.back(), 47);
            EXPECT_EQ(frame.StatusView().LastActionText(), "Download completed");
            EXPECT_EQ(frame.StatusView().StatusText(), "Success");
        } else {
            EXPECT_TRUE(downloading.empty());
            ASSERT_FALSE(counts.empty());
            EXPECT_EQ(counts.back(), 54);
            EXPECT_EQ(frame.StatusView().StatusText(), "54 links found");
        }
        EXPECT_EQ(TheStore().RequestedSites.Count(), 0);  // moved to the downloaded sites
        app.ExitInstance(0);
        TheStore() = ItemStore();
        TheAppState() = AppState();
    }
}

}  // namespace
