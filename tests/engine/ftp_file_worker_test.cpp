#include "engine/ftp_file_worker.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/file_worker_steps.h"
#include "engine/part_records.h"
#include "net/curl_session.h"
#include "support/file_worker_fixture.h"
#include "support/internet_checks.h"
#include "support/temp_folder.h"
#include "support/test_ftp_server.h"
#include "support/test_http_server.h"

namespace {

using namespace std::chrono_literals;

// Requested ftp addresses fetched by the real FtpFileWorker through the
// dispatch from a pyftpdlib server on 127.0.0.1, which serves x.zip,
// pub/tools/x.zip and readme.txt.
class FtpFileWorkerTest : public FileWorkerFixture {
protected:
    explicit FtpFileWorkerTest(std::optional<std::size_t> holdAfter = std::nullopt)
        : ftp(served.Path(), holdAfter) {
        std::filesystem::create_directories(served / "pub" / "tools");
        std::filesystem::create_directories(served / "my dir");
        served.Write("x.zip", body);
        served.Write("pub/tools/x.zip", body.substr(0, 20000));
        served.Write("readme.txt", "text");
        served.Write("my dir/b b.zip", "blank");
        sessions = CurlSessionFactory();
    }

    std::string Status(int position) const { return store.RequestedFiles.GetAt(position)->status.Str(); }

    const std::string body = PatternedBytes(300000);
    TempFolder served;
    TestFtpServer ftp;
};

TEST_F(FtpFileWorkerTest, FetchesAfterChangingDirectoryOrFromTheLoginDirectory) {
    Start(ftp.Url("/pub/tools/x.zip"));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(folder.Read("Software/x.zip") == body.substr(0, 20000));
    Start(ftp.Url("/x.zip"));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(folder.Read("Software/x.zip") == body);

    ASSERT_EQ(store.DownloadedFiles.Count(), 2);
    EXPECT_EQ(store.DownloadedFiles.GetAt(0)->url, ftp.Url("/pub/tools/x.zip"));
    EXPECT_EQ(store.DownloadedFiles.GetAt(1)->status, "Success");
    EXPECT_EQ(store.RequestedFiles.Count(), 0);
    EXPECT_EQ(window.RowCount(), 0);
    EXPECT_EQ(window.lastActionText, "Download ended");
    EXPECT_EQ(window.statusText, "Success");
    EXPECT_FALSE(state.AnimationRunning);
    EXPECT_FALSE(window.animationPlaying);
    EXPECT_TRUE(window.messages.empty());
}

// A file that is not where the address says, also when the directory is
// missing and the login directory holds a file of that name.
TEST_F(FtpFileWorkerTest, AFileNotFoundLeavesTheEntryAsItWas) {
    for (const std::string path : {"/missing.zip", "/pub/missing.zip", "/nowhere/x.zip"}) {
        SCOPED_TRACE(path);
        window.messages.clear();
        Start(ftp.Url(path));
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(window.messages, std::vector<std::string>{"Error finding file"});
        EXPECT_EQ(Status(store.RequestedFiles.Count() - 1), "Ready for download");
        EXPECT_EQ(window.RowText(0, 1), "Downloading...");
        EXPECT_EQ(window.statusText, "No errors");
        EXPECT_TRUE(window.animationPlaying);
    }
    EXPECT_FALSE(folder.Exists("Software/x.zip"));
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
}

TEST_F(FtpFileWorkerTest, AddressesWithoutPathOrArchiveNameEndBeforeAnyConnection) {
    Start("ftp://127.0.0.1");
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(window.messages, std::vector<std::string>{"Error parsing url"});
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    EXPECT_EQ(Status(0), "Ready for download");
    EXPECT_EQ(window.RowText(0, 1), "Downloading...");

    Start(ftp.Url("/readme.txt"));
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1],
              "The file you are trying to download \nis not an archive file!\nPlease check your URL!");
    ASSERT_EQ(store.RequestedFiles.Count(), 1);  // the refused entry is deleted
    EXPECT_EQ(window.RowCount(), 1);
    EXPECT_EQ(window.lastActionText, "Download canceled");
    EXPECT_EQ(window.statusText, "Invalid archive file");
    EXPECT_FALSE(folder.Exists("Software/readme.txt"));
    EXPECT_FALSE(window.animationPlaying);
}

// The message shows in the entry, its row and the status line, even when
// the status line refers to another row.
TEST_F(FtpFileWorkerTest, ConnectionFailuresTakeTheErrorPathWithTheMessageInTheStatusLine) {
    const std::string closedPort = std::to_string(ClosedLocalPort());
    const struct {
        std::string url;
        std::string message;
    } cases[] = {
        {"ftp://127.0.0.1:" + closedPort + "/x.zip", "Couldn't connect to server"},
        {"ftp://user:secret@" + ftp.Server() + "/x.zip",
         "User names are not supported in FTP addresses: the login is anonymous"},
    };
    for (const auto& failing : cases) {
        SCOPED_TRACE(failing.url);
        Start(failing.url);
        store.RequestedFiles.AppendUrl("http://h/other.zip");
        window.InsertTopRow("http://h/other.zip");  // now row 0; the status row stays 0
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(Status(store.RequestedFiles.Count() - 2), failing.message);
        EXPECT_EQ(window.RowText(1, 1), failing.message);
        EXPECT_EQ(window.statusText, failing.message);
        EXPECT_FALSE(window.animationPlaying);
        EXPECT_FALSE(state.AnimationRunning);
    }
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
    EXPECT_FALSE(folder.Exists("Software/x.zip"));
}

// Addresses are stored with their blanks escaped; the server is asked for
// the names they stand for. A name that would hold a '/' or a line break once
// decoded is no name at all.
TEST_F(FtpFileWorkerTest, EscapesAreDecodedForTheServerAndUnsafeOnesRefused) {
    Start(ftp.Url("/my%20dir/b%20b.zip"));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(folder.Read("Software/b%20b.zip"), "blank");  // named as an HTTP download would be
    EXPECT_EQ(store.DownloadedFiles.Count(), 1);

    for (const std::string path :
         {"/pub/tools%2Fx.zip", "/pub%2Ftools/x.zip", "/x.zip%0D%0ADELE%20x.zip", "/pub/%00x.zip"}) {
        SCOPED_TRACE(path);
        window.messages.clear();
        Start(ftp.Url(path));
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(window.messages, std::vector<std::string>{"Error parsing url"});
        EXPECT_EQ(Status(store.RequestedFiles.Count() - 1), "Ready for download");
    }
    EXPECT_EQ(store.DownloadedFiles.Count(), 1);
    EXPECT_FALSE(folder.Exists("Software/x.zip"));
}

// A listing refused for want of a data connection (what active mode behind
// a NAT gives) is an Internet error, not a missing file.
TEST_F(FtpFileWorkerTest, AListingWithoutDataConnectionTakesTheErrorPath) {
    for (const char* reply :
         {"425 Can't open data connection.", "426 Connection closed; transfer aborted."}) {
        SCOPED_TRACE(reply);
        TestFtpServer noData(served.Path(), std::nullopt, reply);
        window.messages.clear();
        Start(noData.Url("/x.zip"));
        ASSERT_TRUE(RunUntilDone());
        EXPECT_TRUE(window.messages.empty());
        EXPECT_EQ(Status(store.RequestedFiles.Count() - 1), reply);
        EXPECT_EQ(window.RowText(0, 1), reply);
        EXPECT_EQ(window.statusText, reply);
        EXPECT_FALSE(window.animationPlaying);
    }
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
}

// The server holds every transfer after its first 100000 bytes until the
// test releases it.
class HeldFtpTransferTest : public FtpFileWorkerTest {
protected:
    HeldFtpTransferTest() : FtpFileWorkerTest(kHoldAfter) {}

    bool RunUntilStatusLineShows(const std::string& text) {
        return executor.RunUntil([&] { return window.statusText == text; });
    }

    static constexpr std::size_t kHoldAfter = 100000;
};

TEST_F(HeldFtpTransferTest, ShowsProgressOnlyInTheStatusLineAndEndsWholeAfterAHalt) {
    Start(ftp.Url("/x.zip"));
    ASSERT_TRUE(RunUntilStatusLineShows(ProgressText(kHoldAfter)));
    EXPECT_EQ(Status(0), "Downloading in progress...");
    EXPECT_EQ(window.RowText(0, 1), "Downloading in progress...");

    dispatch->SuspendWorker();
    ftp.Release();
    WorkerControl* control = store.ActiveFileDownloads.GetAt(0)->thread.get();
    ASSERT_TRUE(RunUntilParked(*control));
    EXPECT_EQ(Status(0), "Stopped");
    EXPECT_EQ(window.statusText, "Download Stopped");

    StartSelected();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(folder.Read("Software/x.zip") == body);
    EXPECT_EQ(store.DownloadedFiles.Count(), 1);
    EXPECT_EQ(window.statusText, "Success");
}

TEST_F(HeldFtpTransferTest, ATransferThatFallsSilentFailsAfterTheSilenceLimit) {
    CurlSessionSettings settings;
    settings.silenceLimit = 200ms;
    sessions = CurlSessionFactory(settings);
    Start(ftp.Url("/x.zip"));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Status(0), "Timeout: no data received for 200 ms");
    EXPECT_EQ(window.statusText, "Timeout: no data received for 200 ms");
    EXPECT_EQ(folder.Read("Software/x.zip").size(), kHoldAfter);  // the part received stays
}

// What an earlier run left of a file is continued with REST where the server
// allows it and fetched whole where it does not or the file changed; a file
// already whole is not fetched again, but only a record tells the program's
// own file from another one of the name, even an empty one. Passive
// transfers reach a server that refuses active ones.
class FtpResumeTest : public FileWorkerFixture {
protected:
    FtpResumeTest() {
        served.Write("x.zip", body);
        served.Write("empty.zip", "");
        sessions = CurlSessionFactory();
        std::filesystem::create_directory(folder / "Software");
    }

    const std::string body = PatternedBytes(300000);
    TempFolder served;
    TestFtpServer plain{served.Path()};
    TestFtpServer withoutRest{served.Path(), std::nullopt, {}, {"REST"}};
    TestFtpServer passiveOnly{served.Path(), std::nullopt, {}, {"PORT", "EPRT"}};
};

TEST_F(FtpResumeTest, APartIsContinuedOnlyWhereTheServerAndTheFileAllow) {
    const std::string left(100000, 'L');  // not the server's bytes, so a continued file shows it
    const struct {
        const char* name;
        TestFtpServer& server;
        std::string part;
        std::int64_t recordedSize;  // -1: no record
        bool passive;
        std::optional<std::string> saved;  // nothing: the transfer fails
        std::string file = "x.zip";
    } cases[] = {
        {"continued", plain, left, 300000, false, left + body.substr(left.size())},
        {"REST refused", withoutRest, left, 300000, false, body},
        {"already whole", plain, std::string(300000, 'W'), 300000, false, std::string(300000, 'W')},
        {"changed size", plain, left, 123456, false, body},
        {"not ours", plain, left, -1, false, body},
        {"passive", passiveOnly, "", -1, true, body},
        {"active refused", passiveOnly, "", -1, false, std::nullopt},
        {"empty, another file in its place", plain, left, -1, false, "", "empty.zip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string url = c.server.Url("/" + c.file);
        const std::string local = "Software/" + c.file;
        folder.Write(local, c.part);
        ForgetPartRecord(local);
        if (c.recordedSize >= 0) SavePartRecord(local, {url, "", c.recordedSize});
        options.ftpPassive = c.passive;
        Start(url);
        ASSERT_TRUE(RunUntilDone());
        if (c.saved) {
            EXPECT_TRUE(folder.Read(local) == *c.saved);
            EXPECT_EQ(store.RequestedFiles.Count(), 0);
            AutoSaveNow();
            EXPECT_FALSE(LoadPartRecord(local));
        } else {
            ASSERT_EQ(store.RequestedFiles.Count(), 1);
            EXPECT_NE(store.RequestedFiles.GetAt(0)->status, "Downloading in progress...");
            store.RequestedFiles.RemoveAt(0);
        }
    }
}

TEST(SplitFtpUrlTest, CutsServerDirectoryAndFileName) {
    const struct {
        const char* url;
        const char* server;
        const char* directory;
        const char* fileName;
    } cases[] = {
        {"ftp://h/pub/tools/x.zip", "h", "pub/tools", "x.zip"},
        {"ftp://h:2121/x.zip", "h:2121", "", "x.zip"},
        {"ftp://u:p@h/d/", "u:p@h", "d", ""},
        {"ftp:///x.zip", "", "", "x.zip"},
        {"ftp://h//x.zip", "h", "", "x.zip"},
        {"ftp://h///x.zip", "h", "/", "x.zip"},
    };
    for (const auto& expected : cases) {
        const std::optional<FtpUrlParts> parts = SplitFtpUrl(expected.url);
        ASSERT_TRUE(parts) << expected.url;
        EXPECT_EQ(parts->server, expected.server) << expected.url;
        EXPECT_EQ(parts->directory, expected.directory) << expected.url;
        EXPECT_EQ(parts->fileName, expected.fileName) << expected.url;
    }
    // No "//", no '/' after the server, or the "//" elsewhere than after "ftp:".
    for (const char* url : {"ftp:/h/x.zip", "ftp://h", "ftp:", "xftp://h/a.zip", "a//b", "f//h/x.zip"}) {
        EXPECT_FALSE(SplitFtpUrl(url)) << url;
    }
}

}  // namespace
