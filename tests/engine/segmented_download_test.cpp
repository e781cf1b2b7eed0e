#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/file_digest.h"
#include "engine/part_records.h"
#include "engine/server_logins.h"
#include "net/curl_session.h"
#include "support/file_worker_fixture.h"
#include "support/test_http_server.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
constexpr const char* kTag = "\"v1\"";

std::string Bytes(std::size_t count, int seed) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 7919 + seed * 31 + i / 251) & 0xff);
    return bytes;
}

// Six mebibytes: a connection that stalls early leaves an idle one two
// halves of at least a mebibyte to take, and no third.
const std::string kBody = Bytes(6 * kMiB, 1);

// "bytes=N-M" of a request as the span [N, M + 1); nothing for another form.
std::optional<ByteSpan> RequestedSpan(const TestHttpRequest& request) {
    const std::string range = request.Header("Range");
    const std::size_t dash = range.find('-');
    if (!range.starts_with("bytes=") || dash == std::string::npos || dash + 1 >= range.size())
        return std::nullopt;
    return ByteSpan{std::stoll(range.substr(6, dash - 6)), std::stoll(range.substr(dash + 1)) + 1};
}

// Requested files fetched over several connections by the real
// HttpFileWorker from test servers that treat ranges in every way they may.
class SegmentedDownloadTest : public FileWorkerFixture {
protected:
    SegmentedDownloadTest() {
        sessions = CurlSessionFactory();
        options.connectionsPerFile = 4;
    }
};

// The first request gets a reply that stalls after a little, so that more
// connections are worth adding; every later one gets `later`.
TestHttpServer::Responder FirstStalls(std::function<TestHttpReply(const TestHttpRequest&)> later) {
    auto count = std::make_shared<std::atomic<int>>(0);
    return [=](const TestHttpRequest& request) {
        if (count->fetch_add(1) > 0) return later(request);
        TestHttpReply first = TestHttpReply::Ranged(kBody, kTag);
        first.ending = TestReplyEnding::kStall;
        first.cutAfter = 256 * 1024;
        return first;
    };
}

// The first request that names a range gets `odd`; all others an honest server's reply.
std::function<TestHttpReply(const TestHttpRequest&)> OnceThen(TestHttpReply odd) {
    auto used = std::make_shared<std::atomic<bool>>(false);
    return [=](const TestHttpRequest& request) {
        if (request.HasHeader("If-Range") && !used->exchange(true)) return odd;
        return TestHttpReply::Ranged(kBody, kTag);
    };
}

TEST_F(SegmentedDownloadTest, EveryWayAServerTreatsRangesEndsWithTheWholeFileOnDisk) {
    const auto honest = [](const TestHttpRequest&) { return TestHttpReply::Ranged(kBody, kTag); };
    TestHttpReply wrongOffset = TestHttpReply::Status(206, "Partial Content", kBody.substr(100));
    wrongOffset.headers = {
        "ETag: " + std::string(kTag),
        "Content-Range: bytes 100-" + std::to_string(kBody.size() - 1) + "/" + std::to_string(kBody.size())};
    const std::string changed = Bytes(5 * kMiB, 2);
    TestHttpReply cut = TestHttpReply::Ranged(kBody, kTag);
    cut.ending = TestReplyEnding::kCloseEarly;
    cut.cutAfter = 512 * 1024;
    const std::vector<ByteSpan> missing = {{kMiB, 2 * kMiB}, {3 * kMiB + 5, 6 * kMiB}};

    struct Case {
        const char* name;
        TestHttpServer::Responder responder;
        std::size_t requestsBeforeRelease;  // the connections the server sees before its first reply goes on
        std::string served;
        std::optional<PartRecord> left{};       // a part an earlier run left
        std::optional<std::size_t> requests{};  // all requests, when fixed
        bool releaseStalled = true;
    };
    std::vector<Case> cases = {
        // An idle connection takes the second half of the largest segment, then of the next.
        {"ranges honoured, halves taken", FirstStalls(honest), 3, kBody},
        {"range answered whole",
         [](const TestHttpRequest&) { return TestHttpReply::Ok(kBody); },
         1,
         kBody,
         {},
         1},
        {"wrong Content-Range offset", FirstStalls([=](const TestHttpRequest& request) {
             return request.HasHeader("If-Range") ? wrongOffset : TestHttpReply::Ok(kBody);
         }),
         2, kBody},
        {"another validator mid-way",
         FirstStalls([=](const TestHttpRequest&) { return TestHttpReply::Ranged(changed, "\"v2\""); }), 2,
         changed},
        {"connection cut in a segment", FirstStalls(OnceThen(cut)), 2, kBody},
        {"continued from a segment map", honest, 1, kBody,
         PartRecord{.url = {},
                    .validator = kTag,
                    .size = static_cast<std::int64_t>(kBody.size()),
                    .missing = missing}},
        {"continued from a file written from its start", honest, 1, kBody,
         PartRecord{
             .url = {}, .validator = kTag, .size = static_cast<std::int64_t>(kBody.size()), .missing = {}}},
        // The stalled first answer is never released: its reader, waiting
        // for bytes that now belong to another, is woken to ask for its rest.
        {"stalled connection whose second half is taken", FirstStalls(honest), 1, kBody, {}, {}, false},
        // Last: the host's limit is kept for the rest of the run. How many
        // requests the file takes depends on whether the refused connection
        // came alone or with another of its round, so only the bytes count.
        {"503 on the extra connection", FirstStalls(OnceThen(TestHttpReply::Status(503, "Busy"))), 2, kBody},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestHttpServer server;
        server.RouteBy("/f.zip", c.responder);
        const std::string url = server.Url("/f.zip");
        std::filesystem::create_directories(folder / "Software");
        std::vector<ByteSpan> refetchable = {{0, static_cast<std::int64_t>(kBody.size())}};
        if (c.left) {
            c.left->url = url;
            std::string part = kBody;
            for (const ByteSpan& span : c.left->missing)
                part.replace(span.first, span.Length(), span.Length(), 'W');
            if (c.left->missing.empty()) part.resize(1000);
            folder.Write("Software/f.zip", part);
            SavePartRecord("Software/f.zip", *c.left);
            if (!c.left->missing.empty()) refetchable = c.left->missing;
            if (c.left->missing.empty()) refetchable = {{1000, static_cast<std::int64_t>(kBody.size())}};
        }
        Start(url);
        ASSERT_TRUE(executor.RunUntil([&] { return server.Requests().size() >= c.requestsBeforeRelease; }));
        if (c.releaseStalled) server.ReleaseStalled();
        ASSERT_TRUE(RunUntilDone());

        EXPECT_TRUE(folder.Read("Software/f.zip") == c.served);
        ASSERT_EQ(store.DownloadedFiles.Count(), 1);
        store.DownloadedFiles.RemoveAt(0);
        const std::vector<TestHttpRequest> requests = server.Requests();
        if (c.requests) {
            EXPECT_EQ(requests.size(), *c.requests);
        }
        // Every bounded range is checked against the
        // file's validator, and lies where bytes were missing.
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const std::optional<ByteSpan> span = RequestedSpan(requests[i]);
            if (!span) continue;
            EXPECT_EQ(requests[i].Header("If-Range"), kTag);
            EXPECT_TRUE(std::any_of(refetchable.begin(), refetchable.end(), [&](const ByteSpan& gap) {
                return gap.first <= span->first && span->end <= gap.end;
            })) << requests[i].Header("Range");
        }
    }
}

}  // namespace

namespace {

// Segments arrive out of order; the checksum the user gave is still checked,
// against the file read back once whole.
TEST_F(SegmentedDownloadTest, TheChecksumIsCheckedOnTheFileOnceAllSegmentsAreIn) {
    FileDigest digest(DigestKind::kSha256);
    digest.Update(kBody.data(), kBody.size());
    const std::string right = digest.FinishHex();
    const std::string wrong(right.size(), '0');
    for (const std::string& hex : {right, wrong}) {
        SCOPED_TRACE(hex);
        TestHttpServer server;
        server.RouteBy(
            "/f.zip", FirstStalls([](const TestHttpRequest&) { return TestHttpReply::Ranged(kBody, kTag); }));
        const std::string url = server.Url("/f.zip");
        store.Checksums.Set(url, {DigestKind::kSha256, hex});
        const int downloaded = store.DownloadedFiles.Count();
        Start(url);
        ASSERT_TRUE(executor.RunUntil([&] { return server.Requests().size() >= 2; }));
        server.ReleaseStalled();
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(store.DownloadedFiles.Count() - downloaded, hex == right ? 1 : 0);
        EXPECT_EQ(folder.Exists("Software/f.zip.corrupt"), hex == wrong);
    }
}

// The login given for the server goes with every connection of the file,
// not only the first: a range asked without it would be refused.
TEST_F(SegmentedDownloadTest, EveryConnectionCarriesTheServersLogin) {
    TestHttpServer server;
    const TestHttpServer::Responder ranged =
        FirstStalls([](const TestHttpRequest&) { return TestHttpReply::Ranged(kBody, kTag); });
    server.RouteBy("/f.zip", [&](const TestHttpRequest& request) {
        if (!request.HasHeader("Authorization")) {
            TestHttpReply refused = TestHttpReply::Status(401, "Unauthorized", "login first");
            refused.headers.push_back("WWW-Authenticate: Basic realm=\"files\"");
            return refused;
        }
        return ranged(request);
    });
    const std::string url = server.Url("/f.zip");
    store.Logins.Set(LoginKeyOf(*LoginOriginOf(url)), {"ann", "secret", true});
    Start(url);
    const auto rangesWithLogin = [&] {
        const std::vector<TestHttpRequest> requests = server.Requests();
        return std::count_if(requests.begin(), requests.end(), [](const TestHttpRequest& request) {
            return request.HasHeader("If-Range") && request.HasHeader("Authorization");
        });
    };
    ASSERT_TRUE(executor.RunUntil([&] { return rangesWithLogin() >= 1; }));
    server.ReleaseStalled();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(folder.Read("Software/f.zip") == kBody);
}

}  // namespace
