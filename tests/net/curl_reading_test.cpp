#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/curl_session.h"
#include "net/internet_exception.h"
#include "support/internet_checks.h"
#include "support/test_http_server.h"

namespace {

std::string ReadAllInBlocks(InternetFile& file, std::size_t blockSize) {
    std::string body;
    std::vector<char> block(blockSize);
    while (const std::size_t got = file.Read(block.data(), block.size())) {
        EXPECT_LE(got, blockSize);
        body.append(block.data(), got);
    }
    return body;
}

std::vector<std::string> ReadAllLines(InternetFile& file) {
    std::vector<std::string> lines;
    std::string line;
    while (file.ReadString(line)) lines.push_back(line);
    EXPECT_TRUE(line.empty());
    return lines;
}

// The ways a body can reach the reader: whole, in sends of a few bytes (the
// head too), and in small chunks of chunked encoding, which libcurl hands
// over one by one. Lines must come out the same whichever way, also where a
// line or its "\r\n" is split between two chunks.
std::vector<TestHttpReply> Deliveries(const std::string& body) {
    return {TestHttpReply::Ok(body),
            TestHttpReply::InPieces(body, 1),
            TestHttpReply::InPieces(body, 5),
            TestHttpReply::InPieces(body, 1, true),
            TestHttpReply::InPieces(body, 3, true),
            TestHttpReply::InPieces(body, 7, true)};
}

class CurlReadingTest : public ::testing::Test {
protected:
    TestHttpServer server;
    std::unique_ptr<InternetSession> session = OpenCurlSession();
};

// Larger than the read-ahead, so the transfer pauses and resumes many times.
TEST_F(CurlReadingTest, BodyArrivesByteIdenticalIn255ByteReads) {
    const std::string body = PatternedBytes(3 * 1024 * 1024 + 77);
    server.Route("/big.zip", TestHttpReply::Ok(body));
    TestHttpReply unannounced = TestHttpReply::Ok(body);
    unannounced.sendLength = false;  // the end is the close of the connection
    server.Route("/unannounced.zip", unannounced);

    for (const char* target : {"/big.zip", "/unannounced.zip"}) {
        auto file = session->OpenURL(server.Url(target));
        file->SetReadBufferSize(2048);
        const std::string received = ReadAllInBlocks(*file, 255);
        ASSERT_EQ(received.size(), body.size()) << target;
        EXPECT_TRUE(received == body) << target;
        EXPECT_EQ(file->Read(nullptr, 0), 0u);
        file->Close();
    }
}

// Two files of one session share its connection machinery: reading one moves
// the other on too, which must then hold back rather than lose bytes.
TEST_F(CurlReadingTest, TwoFilesOfOneSessionReadInTurnsStayIntact) {
    const std::string first = PatternedBytes(3 * 1024 * 1024);
    const std::string second = first.substr(1000) + "tail";
    server.Route("/first.zip", TestHttpReply::Ok(first));
    server.Route("/second.zip", TestHttpReply::Ok(second));
    auto a = session->OpenURL(server.Url("/first.zip"));
    auto b = session->OpenURL(server.Url("/second.zip"));
    std::string gotA;
    std::string gotB;
    char block[255];
    bool aOpen = true;
    bool bOpen = true;
    while (aOpen || bOpen) {
        if (aOpen) {
            const std::size_t got = a->Read(block, sizeof block);
            gotA.append(block, got);
            aOpen = got > 0;
        }
        for (int i = 0; bOpen && i < 3; ++i) {  // at another pace than the first
            const std::size_t got = b->Read(block, sizeof block);
            gotB.append(block, got);
            bOpen = got > 0;
        }
    }
    EXPECT_TRUE(gotA == first);
    EXPECT_TRUE(gotB == second);
}

TEST_F(CurlReadingTest, EmptyBodyEndsAtOnce) {
    server.Route("/empty.zip", TestHttpReply::Ok(""));
    auto file = session->OpenURL(server.Url("/empty.zip"));
    char block[255];
    EXPECT_EQ(file->Read(block, sizeof block), 0u);
    std::string line = "left over";
    EXPECT_FALSE(file->ReadString(line));
    EXPECT_TRUE(line.empty());
}

// The size comes from the answer's Content-Length; without one it is unknown.
TEST_F(CurlReadingTest, TheAnnouncedSizeIsKnownOnlyWhenTheServerSentIt) {
    server.Route("/sized.zip", TestHttpReply::Ok(std::string(70000, 's')));
    TestHttpReply unsized = TestHttpReply::Ok("abc");
    unsized.sendLength = false;
    server.Route("/unsized.zip", unsized);
    EXPECT_EQ(session->OpenURL(server.Url("/sized.zip"))->ContentLength(), 70000u);
    EXPECT_EQ(session->OpenURL(server.Url("/unsized.zip"))->ContentLength(), std::nullopt);
}

TEST_F(CurlReadingTest, ReadStringSplitsAtLineFeedsAndKeepsCarriageReturns) {
    for (const TestHttpReply& reply : Deliveries("first\r\nsecond\n\n<a href=x.zip>\r\nlast")) {
        SCOPED_TRACE(testing::Message() << "piece size " << reply.pieceSize << ", chunked " << reply.chunked);
        server.Route("/page.html", reply);
        auto file = session->OpenURL(server.Url("/page.html"));
        EXPECT_EQ(ReadAllLines(*file),
                  (std::vector<std::string>{"first\r", "second", "", "<a href=x.zip>\r", "last"}));
    }
}

TEST_F(CurlReadingTest, OverlongLineComesInPiecesOfTheLongestLength) {
    constexpr std::size_t kMax = InternetFile::kMaxLineLength;
    const std::string longLine = std::string(2 * kMax, 'x') + "tail";
    const std::string exactLine(kMax, 'e');
    for (const TestHttpReply& reply : Deliveries("before\n" + longLine + "\n" + exactLine + "\nafter")) {
        SCOPED_TRACE(testing::Message() << "piece size " << reply.pieceSize << ", chunked " << reply.chunked);
        server.Route("/long.html", reply);
        auto file = session->OpenURL(server.Url("/long.html"));
        EXPECT_EQ(ReadAllLines(*file),
                  (std::vector<std::string>{"before", std::string(kMax, 'x'), std::string(kMax, 'x'), "tail",
                                            exactLine, "after"}));
    }
}

// Each call returns after a bounded part of the body, even when the page is
// one line that never ends.
TEST_F(CurlReadingTest, EndlessLineStillGivesLines) {
    server.Route("/endless.html", TestHttpReply::Endless("<a href=x.zip>"));
    auto file = session->OpenURL(server.Url("/endless.html"));
    std::string line;
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(file->ReadString(line));
        ASSERT_EQ(line.size(), InternetFile::kMaxLineLength);
    }
}

// Lines and blocks may be mixed on one file; neither loses bytes of the other.
TEST_F(CurlReadingTest, LinesThenBlocksContinueWhereTheOtherStopped) {
    for (const TestHttpReply& reply : Deliveries("head line\nrest of the body")) {
        SCOPED_TRACE(testing::Message() << "piece size " << reply.pieceSize << ", chunked " << reply.chunked);
        server.Route("/mixed", reply);
        auto file = session->OpenURL(server.Url("/mixed"));
        std::string line;
        ASSERT_TRUE(file->ReadString(line));
        EXPECT_EQ(line, "head line");
        EXPECT_EQ(ReadAllInBlocks(*file, 4), "rest of the body");
    }
}

// A reader that stops reading an endless page holds little memory, and
// closing it ends the transfer.
TEST_F(CurlReadingTest, EndlessPageCanBeReadForAWhileAndClosed) {
    server.Route("/endless", TestHttpReply::Endless("0123456789abcdef"));
    auto file = session->OpenURL(server.Url("/endless"));
    std::string received;
    char block[255];
    while (received.size() < 8 * 1024 * 1024) {
        const std::size_t got = file->Read(block, sizeof block);
        ASSERT_GT(got, 0u);
        received.append(block, got);
    }
    for (std::size_t i = 0; i < received.size(); i += 4099) {
        ASSERT_EQ(received[i], "0123456789abcdef"[i % 16]) << i;
    }
    file->Close();
    EXPECT_THROW(file->Read(block, sizeof block), InternetException);
}

TEST_F(CurlReadingTest, OpenUrlSendsTheAgentAndNoAcceptHeader) {
    server.Route("/x.zip", TestHttpReply::Ok("z"));
    session->OpenURL(server.Url("/x.zip"))->Close();
    const std::vector<TestHttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/x.zip");
    // The program, its version and where to read about it.
    const std::string agent = requests[0].Header("User-Agent");
    EXPECT_TRUE(agent.starts_with("Tarrawick/0.")) << agent;
    EXPECT_TRUE(agent.ends_with(" (+https://www.tarrawick.example/)")) << agent;
    EXPECT_FALSE(requests[0].HasHeader("Accept"));
}

TEST_F(CurlReadingTest, RequestSendsItsVerbAndHeaderBlock) {
    server.Route("/dir/page.html?q=1", TestHttpReply::Ok("<html>\n"));
    HttpRequest request;
    request.server = "127.0.0.1";
    request.port = server.Port();
    request.object = "/dir/page.html?q=1";
    request.headers = "Accept: text/*\r\nUser-Agent: Tarrawick\r\n";
    auto file = session->SendRequest(request);
    EXPECT_EQ(file->QueryInfoStatusCode(), 200);
    std::string line;
    ASSERT_TRUE(file->ReadString(line));
    EXPECT_EQ(line, "<html>");

    request.verb = "HEAD";
    EXPECT_EQ(session->SendRequest(request)->QueryInfoStatusCode(), 200);

    const std::vector<TestHttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/dir/page.html?q=1");
    EXPECT_EQ(requests[0].Header("Accept"), "text/*");
    EXPECT_EQ(requests[0].Header("User-Agent"), "Tarrawick");
    EXPECT_EQ(requests[1].method, "HEAD");
}

}  // namespace
