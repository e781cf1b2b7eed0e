#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/part_records.h"
#include "net/curl_session.h"
#include "support/file_worker_fixture.h"
#include "support/temp_folder.h"
#include "support/test_ftp_server.h"
#include "support/test_http_server.h"

namespace {

std::string Bytes(std::size_t count, int seed = 1) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 7919 + seed * 31 + i / 255) & 0xff);
    return bytes;
}

const std::string kBody = Bytes(40000);
constexpr std::size_t kPartSize = 15000;
constexpr const char* kTag = "\"v1\"";

// Requested files continued by the real HttpFileWorker from what an earlier
// run left, against test servers that answer a range in every way they may.
class HttpResumeTest : public FileWorkerFixture {
protected:
    HttpResumeTest() { sessions = CurlSessionFactory(); }

    // The local file and its record as an earlier run of the address left them.
    void LeavePart(const std::string& url, const std::string& bytes, const std::string& validator = kTag) {
        std::filesystem::create_directory(folder / "Software");
        folder.Write("Software/f.zip", bytes);
        SavePartRecord("Software/f.zip", {url, validator, static_cast<std::int64_t>(kBody.size())});
    }

    std::string Saved() const { return folder.Read("Software/f.zip"); }

    TestHttpServer server;
};

TestHttpReply RangeReply(int status, std::string contentRange, std::string body) {
    TestHttpReply reply =
        TestHttpReply::Status(status, status == 206 ? "Partial Content" : "Other", std::move(body));
    if (!contentRange.empty()) reply.headers.push_back("Content-Range: " + contentRange);
    reply.headers.push_back(std::string("ETag: ") + kTag);
    return reply;
}

// Whatever the server makes of the range, the file ends whole and
// byte-identical, asked for as often as the answers require.
TEST_F(HttpResumeTest, EveryAnswerToARangeEndsWithTheWholeFile) {
    struct Case {
        const char* name;
        std::string part;    // what the earlier run left
        std::string served;  // the file on the server now
        TestHttpServer::Responder responder;
        std::size_t requests;
    };
    const auto honest = [](std::string body, std::string tag, bool chunked) {
        return [=](const TestHttpRequest&) {
            TestHttpReply reply = TestHttpReply::Ranged(body, tag);
            reply.chunked = chunked;
            return reply;
        };
    };
    // Answers a range with its own reply and a plain request with the whole file.
    const auto misbehaving = [](TestHttpReply toRange) {
        return [=](const TestHttpRequest& request) {
            return request.HasHeader("Range") ? toRange : TestHttpReply::Ok(kBody);
        };
    };
    const std::string rest = kBody.substr(kPartSize);
    const std::string changed = Bytes(30000, 2);
    const std::vector<Case> cases = {
        {"continued", kBody.substr(0, kPartSize), kBody, honest(kBody, kTag, false), 1},
        {"chunked", kBody.substr(0, kPartSize), kBody, honest(kBody, kTag, true), 1},
        {"range ignored", kBody.substr(0, kPartSize), kBody, misbehaving(TestHttpReply::Ok(kBody)), 1},
        {"wrong offset", kBody.substr(0, kPartSize), kBody,
         misbehaving(RangeReply(206, "bytes 100-39999/40000", kBody.substr(100))), 2},
        {"416 confirming", kBody, kBody, misbehaving(RangeReply(416, "bytes */40000", "")), 1},
        {"416 of another size", kBody.substr(0, kPartSize), kBody,
         misbehaving(RangeReply(416, "bytes */20000", "")), 2},
        {"416 without range", kBody.substr(0, kPartSize), kBody, misbehaving(RangeReply(416, "", "")), 2},
        {"changed on the server", kBody.substr(0, kPartSize), changed, honest(changed, "\"v2\"", false), 1},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const std::string target = "/case" + std::to_string(i) + "/f.zip";
        server.RouteBy(target, c.responder);
        const std::string url = server.Url(target);
        LeavePart(url, c.part);
        const std::size_t before = server.Requests().size();
        Start(url);
        ASSERT_TRUE(RunUntilDone());

        EXPECT_TRUE(Saved() == c.served) << Saved().size();
        const std::vector<TestHttpRequest> requests = server.Requests();
        ASSERT_EQ(requests.size() - before, c.requests);
        EXPECT_EQ(requests[before].Header("Range"), "bytes=" + std::to_string(c.part.size()) + "-");
        EXPECT_EQ(requests[before].Header("If-Range"), kTag);
        EXPECT_TRUE(c.requests == 1 || !requests.back().HasHeader("Range"));
        ASSERT_EQ(store.DownloadedFiles.Count(), 1);
        EXPECT_EQ(store.DownloadedFiles.GetAt(0)->status, "Success");
        AutoSaveNow();
        EXPECT_FALSE(LoadPartRecord("Software/f.zip"));
        store.DownloadedFiles.RemoveAt(0);
    }
}

// Only a part the program wrote for this very address is continued.
TEST_F(HttpResumeTest, AFileNotLeftByAnEarlierRunOfTheAddressIsFetchedWhole) {
    server.Route("/f.zip", TestHttpReply::Ranged(kBody, kTag));
    const std::string url = server.Url("/f.zip");
    const std::vector<std::optional<std::string>> owners = {std::nullopt, server.Url("/other/f.zip"), url};
    for (const std::optional<std::string>& owner : owners) {
        LeavePart(owner.value_or(url), kBody.substr(0, kPartSize), owner == url ? "" : kTag);
        if (!owner) ForgetPartRecord("Software/f.zip");
        const std::size_t before = server.Requests().size();
        Start(url);
        ASSERT_TRUE(RunUntilDone());
        EXPECT_TRUE(Saved() == kBody);
        EXPECT_FALSE(server.Requests().at(before).HasHeader("Range"));
    }
}

// A transfer cut in mid-file leaves its part; the next start asks for the
// rest only, and the file ends byte-identical.
TEST_F(HttpResumeTest, ATransferCutShortContinuesWhereItStoppedOnTheNextStart) {
    TestHttpReply cut = TestHttpReply::Ranged(kBody, kTag);
    cut.ending = TestReplyEnding::kCloseEarly;
    cut.cutAfter = 25000;
    server.Route("/f.zip", cut);
    Start(server.Url("/f.zip"));
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(store.RequestedFiles.Count(), 1);
    const std::int64_t kept = LocalFileSize("Software/f.zip");
    EXPECT_EQ(kept, 25000);

    // The progress counts the part kept: the bar stands at its share at once.
    TestHttpReply rest = TestHttpReply::Ranged(kBody, kTag);
    rest.ending = TestReplyEnding::kStall;
    rest.cutAfter = 5000;
    server.Route("/f.zip", rest);
    window.Select({0});
    StartSelected();
    ASSERT_TRUE(executor.RunUntil([&] { return window.transfer && window.transfer->bytes == 30000; }));
    EXPECT_EQ(window.transfer->size, kBody.size());
    server.ReleaseStalled();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(Saved() == kBody);
    EXPECT_EQ(server.Requests().back().Header("Range"), "bytes=" + std::to_string(kept) + "-");
    EXPECT_EQ(store.DownloadedFiles.Count(), 1);
}

// Killed after a file was finished and before the lists were saved, the
// program finds the entry still requested. The part record kept until the
// save makes the next start count the file complete instead of fetching it
// again, over HTTP (a 416) and FTP (SIZE); the save then forgets the record.
TEST_F(HttpResumeTest, AFileFinishedJustBeforeAKillIsNotFetchedAgain) {
    TempFolder served;
    served.Write("f.zip", kBody);
    const TestFtpServer ftp(served.Path());
    server.Route("/f.zip", TestHttpReply::Ranged(kBody, kTag));
    const std::string other(kBody.size(), 'W');  // of the same size, so a file fetched again shows
    for (const std::string& url : {server.Url("/f.zip"), ftp.Url("/f.zip")}) {
        SCOPED_TRACE(url);
        Start(url);
        ASSERT_TRUE(RunUntilDone());
        ASSERT_EQ(store.DownloadedFiles.Count(), 1);
        // What the lists on disk still say after the kill.
        store.DownloadedFiles.RemoveAt(0);
        store.FinishedSinceSave.clear();
        folder.Write("Software/f.zip", other);

        Start(url);
        ASSERT_TRUE(RunUntilDone());
        EXPECT_TRUE(Saved() == other);
        ASSERT_EQ(store.DownloadedFiles.Count(), 1);
        EXPECT_EQ(store.DownloadedFiles.GetAt(0)->status, "Success");
        EXPECT_TRUE(LoadPartRecord("Software/f.zip"));
        AutoSaveNow();
        EXPECT_FALSE(LoadPartRecord("Software/f.zip"));
        store.DownloadedFiles.RemoveAt(0);
    }
}

}  // namespace
