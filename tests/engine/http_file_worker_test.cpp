#include "engine/http_file_worker.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/default_workers.h"
#include "app/entry_commands.h"
#include "app/list_rows.h"
#include "app/worker_dispatch.h"
#include "engine/local_file.h"
#include "engine/part_records.h"
#include "net/curl_session.h"
#include "store/item_store.h"
#include "store/list_files.h"
#include "support/fake_internet.h"
#include "support/fake_message_box.h"
#include "support/fake_window.h"
#include "support/file_worker_fixture.h"
#include "support/manual_executor.h"
#include "support/scripted_entry_dialogs.h"
#include "support/steppable_internet.h"
#include "support/temp_folder.h"
#include "support/test_http_server.h"
#include "workers/app_state.h"
#include "workers/worker_threads.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kRefusal =
    "The file you are trying to download \nis not an archive file!\nPlease check your URL!";

std::string Bytes(std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7919 + i / 255) & 0xff);
    return bytes;
}

// Requested files downloaded by the real HttpFileWorker through the dispatch,
// with the Internet either scripted (SteppableInternet) or a local test server.
class HttpFileWorkerTest : public FileWorkerFixture {
protected:
    HttpFileWorkerTest() { sessions = internet.Factory(); }

    void UseTestServer() { sessions = CurlSessionFactory(); }

    std::string Saved(const std::string& name) const { return folder.Read("Software/" + name); }

    SteppableInternet internet;
};

TEST_F(HttpFileWorkerTest, ACompletedDownloadIsSavedWholeAndMovesToTheDownloadedFiles) {
    TestHttpServer server;
    UseTestServer();
    const std::string body = Bytes(100000);
    server.Route("/pkg/Setup.EXE", TestHttpReply::Ok(body));
    std::filesystem::create_directory(folder / "Software");
    folder.Write("Software/Setup.EXE", Bytes(200000));  // an older, longer file is replaced
    store.RequestedFiles.AppendUrl("http://127.0.0.1/other.zip");
    Start(server.Url("/pkg/Setup.EXE"));

    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(Saved("Setup.EXE") == body);
    ASSERT_EQ(store.DownloadedFiles.Count(), 1);
    EXPECT_EQ(store.DownloadedFiles.GetAt(0)->url, server.Url("/pkg/Setup.EXE"));
    EXPECT_EQ(store.DownloadedFiles.GetAt(0)->status, "Success");
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->url, "http://127.0.0.1/other.zip");
    ASSERT_EQ(window.RowCount(), 1);
    EXPECT_EQ(window.RowText(0, 0), "http://127.0.0.1/other.zip");
    EXPECT_EQ(window.lastActionText, "Download ended");
    EXPECT_EQ(window.statusText, "Success");
    EXPECT_FALSE(state.AnimationRunning);
    EXPECT_FALSE(window.animationPlaying);
}

TEST_F(HttpFileWorkerTest, AFileFinishedWhileTheDownloadedFilesAreShownBecomesTheirTopRow) {
    internet.answers["http://h/a.zip"].body = "zip";
    store.DownloadedFiles.AppendUrl("http://h/old.zip");
    Start("http://h/a.zip");
    state.ShownList = 3;
    window.Show(store.DownloadedFiles);
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(window.RowCount(), 2);
    EXPECT_EQ(window.RowText(0, 0), "http://h/a.zip");
    EXPECT_EQ(window.RowText(0, 1), "Success");
    EXPECT_EQ(window.statusText, "No errors");  // not the status row of the shown list
}

TEST_F(HttpFileWorkerTest, TheEntryShowsTheKilobytesReadAfterEachBlock) {
    std::vector<std::string> seen;
    SteppedAnswer& answer = internet.answers["http://h/a.zip"];
    answer.body = Bytes(1536);
    answer.chunks = {255, 255, 255, 255, 4, 255, 255, 2};
    answer.beforeRead = [&](std::size_t) {
        // Runs behind the report of the block before, which is then shown.
        threads.Ui()->Run([&] { seen.push_back(store.RequestedFiles.GetAt(0)->status.Str()); });
    };
    Start("http://h/a.zip");
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(seen.size(), 9u);
    EXPECT_EQ(seen[1], "Downloading...0.25k read");
    EXPECT_EQ(seen[5], "Downloading...1.00k read");
    EXPECT_EQ(seen[8], "Downloading...1.50k read");
    EXPECT_EQ(window.statusText, "Success");
    EXPECT_EQ(ProgressText(0xffffffffu), "Downloading...4194304.00k read");
}

TEST_F(HttpFileWorkerTest, AnErrorAnswerIsAFailureNamingItAndSavesNothing) {
    TestHttpServer server;
    UseTestServer();
    server.Route("/gone.zip", TestHttpReply::Status(404, "Not Found", "<html>gone</html>"));
    Start(server.Url("/gone.zip"));
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "404 Not Found");
    EXPECT_EQ(window.RowText(0, 1), "404 Not Found");
    EXPECT_EQ(window.statusText, "404 Not Found");
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
    EXPECT_FALSE(folder.Exists("Software/gone.zip"));
}

TEST_F(HttpFileWorkerTest, RedirectsAreFollowed) {
    TestHttpServer server;
    UseTestServer();
    server.Route("/old.zip", TestHttpReply::Redirect(302, "/new.zip"));
    server.Route("/new.zip", TestHttpReply::Ok("moved bytes"));
    Start(server.Url("/old.zip"));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Saved("old.zip"), "moved bytes");
    EXPECT_EQ(store.DownloadedFiles.Count(), 1);
}

TEST_F(HttpFileWorkerTest, ABrokenTransferKeepsThePartialFileAndTheEntry) {
    const std::string body = Bytes(3000);
    SteppedAnswer& answer = internet.answers["http://h/cut.zip"];
    answer.body = body;
    answer.breakAfter = 1000;
    Start("http://h/cut.zip");
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Recv failure: Connection reset by peer");
    EXPECT_EQ(window.RowText(0, 1), "Recv failure: Connection reset by peer");
    EXPECT_EQ(window.statusText, "Recv failure: Connection reset by peer");
    EXPECT_TRUE(Saved("cut.zip") == body.substr(0, 1000));
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
    EXPECT_FALSE(state.AnimationRunning);
    EXPECT_FALSE(window.animationPlaying);
}

TEST_F(HttpFileWorkerTest, AServerResetInMidTransferTakesTheErrorPath) {
    TestHttpServer server;
    UseTestServer();
    server.Route("/cut.zip", TestHttpReply::Cut(TestReplyEnding::kReset, Bytes(50000), 20000));
    Start(server.Url("/cut.zip"));
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    const std::string message = store.RequestedFiles.GetAt(0)->status.Str();
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(message.find("Downloading"), std::string::npos);
    EXPECT_EQ(window.statusText, message);
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
}

TEST_F(HttpFileWorkerTest, UnknownHostsAndRefusedConnectionsTakeTheErrorPath) {
    FakeInternet unscripted;  // resolves no host, as the real client would fail
    sessions = unscripted.Factory();
    Start("http://nowhere.invalid/a.zip");
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Could not resolve host: nowhere.invalid");
    EXPECT_EQ(
        window.endedEntries,
        std::vector<std::string>{"http://nowhere.invalid/a.zip: Could not resolve host: nowhere.invalid"});

    UseTestServer();
    dispatch.reset();
    Start("http://127.0.0.1:" + std::to_string(ClosedLocalPort()) + "/b.zip");
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(store.RequestedFiles.Count(), 2);
    const std::string refused = store.RequestedFiles.GetAt(1)->status.Str();
    EXPECT_FALSE(refused.empty());
    EXPECT_NE(refused, "Ready for download");
    EXPECT_EQ(window.statusText, refused);
    EXPECT_FALSE(folder.Exists("Software/b.zip"));
}

TEST_F(HttpFileWorkerTest, NamesThatAreNoArchiveAreRefusedAndTheirEntryDeleted) {
    std::vector<std::string> stillListedDuringMessage;
    window.onMessage = [&](std::string_view) {
        for (const FileEntry& entry : store.RequestedFiles)
            stillListedDuringMessage.push_back(entry.url.Str());
    };
    Start("http://h/dir/");
    ASSERT_TRUE(RunUntilDone());
    Start("http://h/readme.txt");
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(window.messages, (std::vector<std::string>{kRefusal, kRefusal}));
    EXPECT_EQ(stillListedDuringMessage, (std::vector<std::string>{"http://h/dir/", "http://h/readme.txt"}));
    EXPECT_EQ(store.RequestedFiles.Count(), 0);
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
    EXPECT_EQ(window.RowCount(), 0);
    EXPECT_EQ(window.lastActionText, "Download canceled");
    EXPECT_EQ(window.statusText, "Invalid archive file");
    EXPECT_TRUE(internet.Opened().empty());
    EXPECT_FALSE(window.animationPlaying);
}

TEST_F(HttpFileWorkerTest, ASuffixAnywhereInTheNameIsAccepted) {
    internet.answers["http://h/index.asp"].body = "page";
    internet.answers["http://h/x.zip.html"].body = "html";
    Start("http://h/index.asp");
    ASSERT_TRUE(RunUntilDone());
    Start("http://h/x.zip.html");
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Saved("index.asp"), "page");
    EXPECT_EQ(Saved("x.zip.html"), "html");
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(store.DownloadedFiles.Count(), 2);
}

TEST_F(HttpFileWorkerTest, AnEntryDeletedDuringTheTransferIsNeitherReportedNorMoved) {
    const std::string body = Bytes(2000);
    SteppedAnswer& answer = internet.answers["http://h/a.zip"];
    answer.body = body;
    answer.beforeRead = [&](std::size_t bytesRead) {
        if (bytesRead != 510) return;
        threads.Ui()->Run([&] {
            store.RequestedFiles.RemoveAt(0);
            window.DeleteRow(0);
        });
    };
    Start("http://h/a.zip");
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(Saved("a.zip") == body);
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
    EXPECT_EQ(store.RequestedFiles.Count(), 0);
    EXPECT_EQ(window.statusText, "Downloading...0.50k read");  // the last report before the delete
    EXPECT_NE(window.lastActionText, "Download ended");
}

// Deleted in the moment between the answer's arrival and the first byte
// written, the entry leaves no part record behind: a later entry of the
// address must not take the stale file for a part of its own.
TEST_F(HttpFileWorkerTest, AnEntryDeletedJustAfterTheAnswerArrivedLeavesNoPartRecord) {
    ScriptedEntryDialogs dialogs;
    EntryCommands commands(store, state, window, dialogs);
    SteppedAnswer& answer = internet.answers["http://h/a.zip"];
    answer.body = Bytes(2000);
    answer.afterOpen = [&] { threads.Ui()->Run([&] { commands.DeleteEntries(); }); };
    Start("http://h/a.zip");
    ASSERT_TRUE(executor.RunUntil([&] { return store.RequestedFiles.Count() == 0; }));
    EXPECT_TRUE(threads.EndAll(20s));
    EXPECT_FALSE(LoadPartRecord("Software/a.zip"));
}

TEST_F(HttpFileWorkerTest, EntriesDifferingOnlyInCaseAreTakenFirstInListOrder) {
    internet.answers["http://h/B.zip"].body = "upper";
    store.RequestedFiles.AppendUrl("http://h/b.zip");
    Start("http://h/B.zip");
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Saved("B.zip"), "upper");
    ASSERT_EQ(store.DownloadedFiles.Count(), 1);
    EXPECT_EQ(store.DownloadedFiles.GetAt(0)->url, "http://h/b.zip");
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->url, "http://h/B.zip");
}

TEST_F(HttpFileWorkerTest, ALocalFileThatCannotBeCreatedTakesTheErrorPath) {
    internet.answers["http://h/a.zip"].body = "bytes";
    folder.Write("Software", "a file where the folder belongs");
    Start("http://h/a.zip");
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Not a directory");
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
}

// Not only Internet errors: whatever is thrown on the worker's thread ends in
// its error path with a message, and the process goes on.
TEST_F(HttpFileWorkerTest, AnyExceptionOnTheWorkerThreadTakesTheErrorPath) {
    struct Case {
        const char* url;
        std::function<void()> fault;
        bool whenStarting;  // else after two blocks
        std::string message;
    };
    const Case cases[] = {
        {"http://h/1.zip", [] { throw std::bad_alloc(); }, true, "Out of memory"},
        {"http://h/2.zip", [] { throw std::runtime_error("Too many open files"); }, false,
         "Too many open files"},
        {"http://h/3.zip", [] { throw 42; }, false, "Unknown error"},
        // cut like an Internet error's message
        {"http://h/4.zip", [] { throw std::runtime_error(std::string(500, 'x')); }, true,
         std::string(199, 'x')},
    };
    for (const Case& test : cases) {
        SteppedAnswer& answer = internet.answers[test.url];
        answer.body = Bytes(2000);
        answer.beforeRead = [&test](std::size_t bytesRead) {
            if (!test.whenStarting && bytesRead == 510) test.fault();
        };
        InternetSessionFactory scripted = internet.Factory();
        sessions = [&test, scripted] {
            if (test.whenStarting) test.fault();
            return scripted();
        };
        dispatch.reset();
        Start(test.url);
        ASSERT_TRUE(RunUntilDone()) << test.url;
        const FileEntry* entry = store.RequestedFiles.GetAt(store.RequestedFiles.FindByName(test.url));
        ASSERT_NE(entry, nullptr) << test.url;
        EXPECT_EQ(entry->status, test.message);
        EXPECT_EQ(window.statusText, test.message);
        EXPECT_FALSE(window.animationPlaying) << test.url;
    }
    EXPECT_TRUE(Saved("2.zip") == Bytes(510));
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
}

// Should the error path's own step fail (no memory), the worker's record
// still goes, so that the entry is started anew and not "resumed".
TEST_F(HttpFileWorkerTest, AFailingErrorStepStillRemovesTheWorkersRecord) {
    UseTestServer();
    const std::string closed = "127.0.0.1:" + std::to_string(ClosedLocalPort());
    for (const std::string& url : {"http://" + closed + "/a.zip", "ftp://" + closed + "/a.zip"}) {
        SCOPED_TRACE(url);
        Start(url);
        window.onRowText = [](int, int, std::string_view) { throw std::bad_alloc(); };
        EXPECT_TRUE(RunUntilDone());
        window.onRowText = nullptr;
    }
}

TEST_F(HttpFileWorkerTest, ALinkPlantedInTheDownloadFolderIsNotFollowed) {
    internet.answers["http://h/a.zip"].body = "bytes";
    folder.Write("outside.txt", "keep");
    std::filesystem::create_directory(folder / "Software");
    std::filesystem::create_symlink(folder / "outside.txt", folder / "Software" / "a.zip");
    Start("http://h/a.zip");
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(folder.Read("outside.txt"), "keep");
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Too many levels of symbolic links");
}

TEST(LocalFileTest, KeepsEveryByteWhateverTheSizesOfTheWrites) {
    TempFolder folder;
    const std::string bytes = Bytes(600000);
    {
        LocalFile file(folder / "out");
        std::size_t at = 0;
        for (std::size_t size : {255u, 1u, 300000u, 255u}) {
            file.Write(bytes.data() + at, size);
            at += size;
        }
        file.Write(bytes.data() + at, bytes.size() - at);
        file.Close();
    }
    EXPECT_TRUE(folder.Read("out") == bytes);
}

// Whether the name may stand in the folder is local_paths_test's.
TEST(LocalFileNameTest, IsTheAddressAfterItsLastSlash) {
    EXPECT_EQ(LocalFileName("http://h/a/b.zip"), "b.zip");
    EXPECT_EQ(LocalFileName("b.zip"), "b.zip");
    EXPECT_EQ(LocalFileName("http://h/"), "");
}

// Halts the transfer of row 0 once this many bytes were read.
class HaltingTest : public HttpFileWorkerTest {
protected:
    void HaltAfter(std::size_t bytes, const std::string& url) {
        SteppedAnswer& answer = internet.answers[url];
        answer.body = body;
        answer.beforeRead = [this, bytes](std::size_t bytesRead) {
            if (bytesRead == bytes) threads.Ui()->Run([this] { dispatch->SuspendWorker(); });
        };
    }

    // Waits until the worker stands at its closed gate.
    WorkerControl& Parked() {
        WorkerControl* control = store.ActiveFileDownloads.GetAt(0)->thread.get();
        EXPECT_TRUE(executor.RunUntil([&] { return control->IsHalted(); }));
        EXPECT_TRUE(RunUntilParked(*control));
        return *control;
    }

    const std::string body = Bytes(5000);
};

TEST_F(HaltingTest, AHaltedTransferContinuedLaterEndsWithTheWholeFile) {
    HaltAfter(1020, "http://h/a.zip");
    Start("http://h/a.zip");
    Parked();
    executor.RunUntil([] { return false; }, 0ms);  // a report still waiting keeps the halt's texts
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Stopped");
    EXPECT_EQ(window.RowText(0, 1), "Stopped");
    EXPECT_EQ(window.statusText, "Download Stopped");
    EXPECT_EQ(store.ActiveFileDownloads.Count(), 1);

    dispatch->SuspendWorker();
    StartSelected();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(Saved("a.zip") == body);
    EXPECT_EQ(store.DownloadedFiles.Count(), 1);
    EXPECT_EQ(window.statusText, "Success");
}

TEST_F(HaltingTest, EndingTheRunWithAHaltedWorkerSavesTheListsAndEndsIt) {
    HaltAfter(510, "http://h/a.zip");
    Start("http://h/a.zip");
    Parked();
    FakeMessageBox messages;
    SaveLists(store, messages);
    EXPECT_TRUE(threads.EndAll(20s));
    EXPECT_EQ(folder.Read("reqsoft.data").substr(0, 14), "http://h/a.zip");
    EXPECT_EQ(store.RequestedFiles.GetAt(0)->status, "Stopped");
    EXPECT_EQ(store.ActiveFileDownloads.Count(), 1);  // no worker step ran after the end
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

// The bytes and the size the server announced reach the status pane of the
// selected entry beside the kilobytes text; a halt keeps them, marked, and
// the end of the download takes them away and reports the entry ended.
TEST_F(HttpFileWorkerTest, TheStatusPaneFollowsTheTransferOfTheSelectedEntry) {
    TestHttpServer server;
    UseTestServer();
    server.Route("/slow.zip", TestHttpReply::Cut(TestReplyEnding::kStall, Bytes(10000), 3000));
    const std::string url = server.Url("/slow.zip");
    store.RequestedFiles.AppendUrl("http://127.0.0.1/idle.zip");
    Start(url);
    ASSERT_TRUE(executor.RunUntil([&] { return window.transfer && window.transfer->bytes == 3000; }));
    EXPECT_EQ(window.transfer->size, 10000u);
    EXPECT_EQ(window.transfer->Permille(), 300);

    dispatch->SuspendWorker();
    ASSERT_TRUE(window.transfer);
    EXPECT_TRUE(window.transfer->halted);
    EXPECT_EQ(window.transfer->bytes, 3000u);
    window.Select({1});
    ReportSelection(state, window);  // an entry that is not running shows no transfer
    EXPECT_FALSE(window.transfer);
    window.Select({0});
    ReportSelection(state, window);
    ASSERT_TRUE(window.transfer);
    EXPECT_TRUE(window.transfer->halted);

    StartSelected();
    server.ReleaseStalled();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_FALSE(window.transfer);
    EXPECT_EQ(window.endedEntries, std::vector<std::string>{url + ": Success"});
}

// A halted download leaves the speed limit to those running. Beside a halted
// one, a download gets about what one alone under the same limit gets over
// the same stretch (a share of its own), not half of it.
TEST_F(HttpFileWorkerTest, AHaltedDownloadLeavesItsShareOfTheSpeedLimit) {
    TestHttpServer server;
    for (const char* target : {"/a.zip", "/b.zip", "/alone.zip"}) {
        server.Route(target, TestHttpReply::Endless(Bytes(4096)));
    }
    UseTestServer();
    options.speedLimitKiBps = 256;
    const auto bytesOf = [&](const char* target) -> std::uint64_t {
        const TransferFigures* figures = state.Transfers.Find(kRequestedFilesList, server.Url(target));
        return figures != nullptr ? figures->bytes : 0;
    };
    Start(server.Url("/b.zip"));
    Start(server.Url("/a.zip"));
    ASSERT_TRUE(executor.RunUntil([&] { return bytesOf("/b.zip") > 0; }));
    window.Select({1});
    dispatch->SuspendWorker();
    const std::shared_ptr<WorkerControl> halted = store.ActiveFileDownloads.GetAt(0)->thread;
    ASSERT_TRUE(executor.RunUntil([&] { return halted->Gate().WaitUntilParked(0ms); }));

    WorkerDispatch alone(store, state, window, threads, DefaultWorkerProcedures(CurlSessionFactory()));
    store.RequestedFiles.AppendUrl(server.Url("/alone.zip"));
    window.Show(store.RequestedFiles);
    window.Select({0});
    alone.SetOptions(options);
    alone.StartWorker();
    ASSERT_TRUE(executor.RunUntil([&] { return bytesOf("/alone.zip") > 0; }));
    const std::uint64_t runningBefore = bytesOf("/a.zip");
    const std::uint64_t aloneBefore = bytesOf("/alone.zip");
    ASSERT_TRUE(executor.RunUntil([&] { return bytesOf("/alone.zip") >= aloneBefore + 300 * 1024; }));
    const std::uint64_t running = bytesOf("/a.zip") - runningBefore;
    const std::uint64_t aloneGot = bytesOf("/alone.zip") - aloneBefore;
    EXPECT_GT(running * 4, aloneGot * 3) << running << " beside a halted one, " << aloneGot << " alone";
    EXPECT_TRUE(threads.EndAll(20s));
}

TEST_F(HttpFileWorkerTest, EndingTheRunAbortsARunningTransfer) {
    TestHttpServer server;
    UseTestServer();
    server.Route("/slow.zip", TestHttpReply::Cut(TestReplyEnding::kStall, Bytes(10000), 3000));
    Start(server.Url("/slow.zip"));
    ASSERT_TRUE(executor.RunUntil(
        [&] { return store.RequestedFiles.GetAt(0)->status.View().starts_with("Downloading"); }));
    ASSERT_TRUE(executor.RunUntil([&] { return server.StalledCount() > 0; }));
    EXPECT_TRUE(threads.EndAll(20s));
    server.ReleaseStalled();
    EXPECT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
}

}  // namespace
