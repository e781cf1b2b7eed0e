#include <chrono>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "net/curl_session.h"
#include "net/internet_exception.h"
#include "support/internet_checks.h"
#include "support/test_http_server.h"

namespace {

class CurlErrorsTest : public ::testing::Test {
protected:
    TestHttpServer server;
    std::unique_ptr<InternetSession> session = OpenCurlSession();
};

TEST_F(CurlErrorsTest, ErrorAnswerRaisesOnOpenUrlWithItsStatusLine) {
    const InternetException missing = RaisedBy([&] { session->OpenURL(server.Url("/gone.zip")); });
    EXPECT_EQ(missing.Error(), InternetError::kHttpStatus);
    EXPECT_EQ(missing.Message(), "404 Not Found");

    server.Route("/teapot.zip", TestHttpReply::Status(500, "", "oops"));
    const InternetException failing = RaisedBy([&] { session->OpenURL(server.Url("/teapot.zip")); });
    EXPECT_EQ(failing.Message(), "500 Internal Server Error");
}

TEST_F(CurlErrorsTest, ErrorAnswerCanBeReadWhenAskedFor) {
    server.Route("/gone.html", TestHttpReply::Status(404, "Not Found", "sorry\n"));
    OpenUrlOptions options;
    options.failOnHttpError = false;
    auto file = session->OpenURL(server.Url("/gone.html"), options);
    EXPECT_EQ(ReadToEnd(*file), "sorry\n");
}

TEST_F(CurlErrorsTest, OpenUrlFollowsRedirections) {
    server.Route("/old.zip", TestHttpReply::Redirect(301, "/moved.zip"));
    server.Route("/moved.zip", TestHttpReply::Redirect(302, server.Url("/new.zip")));
    server.Route("/new.zip", TestHttpReply::Ok("the archive"));
    auto file = session->OpenURL(server.Url("/old.zip"));
    EXPECT_EQ(ReadToEnd(*file), "the archive");
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(CurlErrorsTest, RedirectionToAnErrorRaises) {
    server.Route("/old.zip", TestHttpReply::Redirect(302, "/missing.zip"));
    EXPECT_EQ(RaisedBy([&] { session->OpenURL(server.Url("/old.zip")); }).Message(), "404 Not Found");
}

TEST_F(CurlErrorsTest, EndlessRedirectionsStopAfterTen) {
    server.Route("/loop", TestHttpReply::Redirect(302, "/loop"));
    EXPECT_EQ(RaisedBy([&] { session->OpenURL(server.Url("/loop")); }).Error(),
              InternetError::kTooManyRedirects);
    EXPECT_EQ(server.Requests().size(), 11u);
}

TEST_F(CurlErrorsTest, RequestLeavesRedirectionsAndErrorsToTheCaller) {
    server.Route("/old/", TestHttpReply::Redirect(301, "/new/"));
    server.Route("/tmp/", TestHttpReply::Redirect(302, "/new/"));
    HttpRequest request;
    request.server = "127.0.0.1";
    request.port = server.Port();
    request.object = "/old/";
    EXPECT_EQ(session->SendRequest(request)->QueryInfoStatusCode(), 301);
    request.object = "/tmp/";
    EXPECT_EQ(session->SendRequest(request)->QueryInfoStatusCode(), 302);
    request.object = "/none/";
    EXPECT_EQ(session->SendRequest(request)->QueryInfoStatusCode(), 404);
    EXPECT_EQ(server.Requests().size(), 3u);  // "/new/" was never asked for
}

TEST_F(CurlErrorsTest, RefusedConnectionRaises) {
    const std::string url = "http://127.0.0.1:" + std::to_string(ClosedLocalPort()) + "/x.zip";
    const InternetException refused = RaisedBy([&] { session->OpenURL(url); });
    EXPECT_EQ(refused.Error(), InternetError::kCannotConnect);
    EXPECT_FALSE(refused.Message().empty());
    EXPECT_LE(refused.Message().size(), InternetException::kMaxMessageLength);
}

TEST_F(CurlErrorsTest, UnsupportedSchemesRaise) {
    for (const char* url : {"file:///etc/passwd", "gopher://127.0.0.1/x.zip", "no address"}) {
        EXPECT_EQ(RaisedBy([&] { session->OpenURL(url); }).Error(), InternetError::kUnsupportedScheme) << url;
    }
}

// The bytes that arrived before the break are handed out; the break itself is
// an error, never a normal end.
TEST_F(CurlErrorsTest, TransferBrokenInMidBodyRaises) {
    const std::string body(200 * 1024, 'b');
    server.Route("/reset.zip", TestHttpReply::Cut(TestReplyEnding::kReset, body, 100 * 1024));
    server.Route("/short.zip", TestHttpReply::Cut(TestReplyEnding::kCloseEarly, body, 100 * 1024));
    for (const char* target : {"/reset.zip", "/short.zip"}) {
        std::string received;
        const InternetException broken = RaisedBy([&] {
            auto file = session->OpenURL(server.Url(target));
            char block[255];
            while (const std::size_t got = file->Read(block, sizeof block)) received.append(block, got);
        });
        EXPECT_EQ(broken.Error(), InternetError::kConnectionBroken) << target << ": " << broken.Message();
        EXPECT_LE(received.size(), 100u * 1024) << target;
        EXPECT_EQ(received, body.substr(0, received.size())) << target;
    }
}

TEST_F(CurlErrorsTest, ClosedSessionAndClosedFileRaise) {
    server.Route("/a.zip", TestHttpReply::Ok("abc"));
    auto file = session->OpenURL(server.Url("/a.zip"));
    session->Close();
    EXPECT_EQ(RaisedBy([&] { session->OpenURL(server.Url("/a.zip")); }).Error(), InternetError::kClosed);
    EXPECT_EQ(ReadToEnd(*file), "abc");  // files stay readable after the session is closed
    file->Close();
    file->Close();
    std::string line;
    EXPECT_EQ(RaisedBy([&] { file->ReadString(line); }).Error(), InternetError::kClosed);
}

TEST_F(CurlErrorsTest, AbortFromAnotherThreadEndsAStalledRead) {
    server.Route("/stall.zip", TestHttpReply::Cut(TestReplyEnding::kStall, std::string(4096, 's'), 1000));
    auto file = session->OpenURL(server.Url("/stall.zip"));
    auto reading = std::async(std::launch::async, [&] { return ReadToEnd(*file); });
    server.WaitUntilStalled();
    session->Abort();
    EXPECT_EQ(RaisedBy([&] { reading.get(); }).Error(), InternetError::kAborted);
    char block[255];
    EXPECT_EQ(RaisedBy([&] { file->Read(block, sizeof block); }).Error(), InternetError::kAborted);
    server.ReleaseStalled();
}

// At program exit one switch aborts every session, also one still waiting
// for the answer's headers and one made afterwards.
TEST_F(CurlErrorsTest, SharedAbortEndsEverySessionOfAFactory) {
    server.Route("/slow.zip", TestHttpReply::Cut(TestReplyEnding::kStallBeforeHeaders, "late", 0));
    auto abort = std::make_shared<InternetAbort>();
    CurlSessionSettings settings;
    settings.abort = abort;
    const InternetSessionFactory factory = CurlSessionFactory(settings);

    auto opening = std::async(std::launch::async, [&] { factory()->OpenURL(server.Url("/slow.zip")); });
    server.WaitUntilStalled();
    abort->Abort();
    EXPECT_EQ(RaisedBy([&] { opening.get(); }).Error(), InternetError::kAborted);
    EXPECT_EQ(RaisedBy([&] { factory()->OpenURL(server.Url("/slow.zip")); }).Error(),
              InternetError::kAborted);
    server.ReleaseStalled();
}

TEST_F(CurlErrorsTest, StalledReplyGoesOnWhenReleased) {
    const std::string body(10000, 'r');
    server.Route("/stall.zip", TestHttpReply::Cut(TestReplyEnding::kStall, body, 300));
    auto file = session->OpenURL(server.Url("/stall.zip"));
    auto reading = std::async(std::launch::async, [&] { return ReadToEnd(*file); });
    server.WaitUntilStalled();
    server.ReleaseStalled();
    EXPECT_EQ(reading.get(), body);
}

// A server that accepts and then stays silent, before its headers or in
// mid-body, fails the waiting call once the silence limit has passed.
TEST_F(CurlErrorsTest, SilentServerRaisesATimeoutAfterTheSilenceLimit) {
    server.Route("/mute.zip", TestHttpReply::Cut(TestReplyEnding::kStallBeforeHeaders, "body", 0));
    server.Route("/halfway.zip", TestHttpReply::Cut(TestReplyEnding::kStall, std::string(5000, 'h'), 300));
    CurlSessionSettings settings;
    settings.silenceLimit = std::chrono::milliseconds(200);
    const auto quick = OpenCurlSession(settings);

    const InternetException beforeHeaders = RaisedBy([&] { quick->OpenURL(server.Url("/mute.zip")); });
    EXPECT_EQ(beforeHeaders.Error(), InternetError::kTimedOut);
    EXPECT_EQ(beforeHeaders.Message(), "Timeout: no data received for 200 ms");

    auto file = quick->OpenURL(server.Url("/halfway.zip"));
    const InternetException midBody = RaisedBy([&] { ReadToEnd(*file); });
    EXPECT_EQ(midBody.Error(), InternetError::kTimedOut);
    server.ReleaseStalled();
}

TEST(InternetExceptionTest, MessageIsOneLineOfAtMost199Characters) {
    const InternetException error(InternetError::kOther, "line one\r\nline two" + std::string(300, 'x'));
    EXPECT_EQ(error.Message().size(), InternetException::kMaxMessageLength);
    EXPECT_EQ(error.Message().substr(0, 19), "line one  line twox");
    EXPECT_EQ(InternetException(InternetError::kOther, "ends with a break\r\n").Message(),
              "ends with a break");
    EXPECT_STREQ(error.what(), error.Message().c_str());
}

}  // namespace
