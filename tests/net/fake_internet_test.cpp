#include "support/fake_internet.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/curl_session.h"
#include "support/test_http_server.h"

namespace {

std::vector<std::string> LinesOf(InternetFile& file) {
    std::vector<std::string> lines;
    std::string line;
    while (file.ReadString(line)) lines.push_back(line);
    return lines;
}

// Tests of the workers rely on the fake reading exactly like the real client.
TEST(FakeInternetTest, ReadsLinesLikeTheRealClient) {
    constexpr std::size_t kMax = InternetFile::kMaxLineLength;
    const std::string body =
        "one\r\ntwo\n\n" + std::string(2 * kMax + 9, 'x') + "\n" + std::string(kMax, 'e') + "\n\nlast";
    TestHttpServer server;
    server.Route("/page.html", TestHttpReply::Ok(body));
    FakeInternet fake;
    fake.Serve("http://fake/page.html", body);

    const auto real = OpenCurlSession()->OpenURL(server.Url("/page.html"));
    const auto scripted = fake.Factory()()->OpenURL("http://fake/page.html");
    EXPECT_EQ(LinesOf(*scripted), LinesOf(*real));
}

TEST(FakeInternetTest, RaisesWhatItWasToldAndUnknownHostOtherwise) {
    FakeInternet fake;
    fake.Serve("http://host/gone.zip", "error page", 404);
    fake.FailWhileReading("http://host/cut.zip", "abc",
                          InternetException(InternetError::kConnectionBroken, "reset"));
    auto session = fake.Factory()();

    try {
        session->OpenURL("http://nowhere.invalid/x.zip");
        FAIL() << "no error";
    } catch (const InternetException& error) {
        EXPECT_EQ(error.Error(), InternetError::kNameNotResolved);
        EXPECT_EQ(error.Message(), "Could not resolve host: nowhere.invalid");
    }
    EXPECT_THROW(session->OpenURL("http://host/gone.zip"), InternetException);

    auto file = session->OpenURL("http://host/cut.zip");
    char block[255];
    EXPECT_EQ(file->Read(block, sizeof block), 3u);
    EXPECT_THROW(file->Read(block, sizeof block), InternetException);
    EXPECT_EQ(fake.Opened(), (std::vector<std::string>{"http://nowhere.invalid/x.zip", "http://host/gone.zip",
                                                       "http://host/cut.zip"}));
}

}  // namespace
