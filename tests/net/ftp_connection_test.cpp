#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "net/curl_session.h"
#include "net/internet_exception.h"
#include "support/internet_checks.h"
#include "support/temp_folder.h"
#include "support/test_ftp_server.h"

namespace {

// FTP connections over libcurl against a local pyftpdlib server serving
// x.zip, "odd %name.zip" and pub/tools/y.zip.
class FtpConnectionTest : public ::testing::Test {
protected:
    FtpConnectionTest() {
        std::filesystem::create_directories(served / "pub" / "tools");
        served.Write("x.zip", "login directory");
        served.Write("odd %name.zip", "odd");
        served.Write("pub/tools/y.zip", std::string(70000, 'y'));
    }

    std::unique_ptr<FtpConnection> Connect(const std::string& server) {
        return session->GetFtpConnection(server);
    }

    TempFolder served;
    TestFtpServer ftp{served.Path()};
    std::unique_ptr<InternetSession> session = OpenCurlSession();
};

TEST_F(FtpConnectionTest, ChangesDirectoryWhereTheServerAgreesAndFindsNamesThere) {
    const auto connection = Connect(ftp.Server());
    EXPECT_TRUE(connection->FindFile("x.zip"));
    EXPECT_FALSE(connection->FindFile("X.ZIP"));  // letter case counts
    EXPECT_FALSE(connection->SetCurrentDirectory("nowhere"));
    EXPECT_TRUE(connection->FindFile("x.zip"));  // still in the login directory
    EXPECT_TRUE(connection->SetCurrentDirectory("pub"));
    EXPECT_FALSE(connection->FindFile("x.zip"));
    EXPECT_TRUE(connection->SetCurrentDirectory("tools"));  // relative to the current one
    EXPECT_TRUE(connection->FindFile("y.zip"));
    EXPECT_TRUE(ReadToEnd(*connection->OpenFile("y.zip")) == std::string(70000, 'y'));
    EXPECT_EQ(connection->OpenFile("y.zip")->ContentLength(), 70000u);  // the server's SIZE

    EXPECT_FALSE(connection->FindFile("late.zip"));
    served.Write("pub/tools/late.zip", "new");
    EXPECT_TRUE(connection->FindFile("late.zip"));  // asked again, not remembered

    EXPECT_TRUE(connection->SetCurrentDirectory("/"));  // absolute
    EXPECT_TRUE(connection->FindFile("odd %name.zip"));
    EXPECT_EQ(ReadToEnd(*connection->OpenFile("odd %name.zip")), "odd");
}

TEST_F(FtpConnectionTest, FailuresRaiseWithTheServersReply) {
    const auto connection = Connect(ftp.Server());
    const InternetException missing = RaisedBy([&] { connection->OpenFile("missing.zip"); });
    EXPECT_EQ(missing.Error(), InternetError::kRemoteRefused);
    EXPECT_TRUE(missing.Message().starts_with("550 ")) << missing.Message();

    connection->Close();
    EXPECT_EQ(RaisedBy([&] { connection->FindFile("x.zip"); }).Error(), InternetError::kClosed);
}

// Only a host and a port may stand in the server text: what would move the
// rest of the address elsewhere is refused before any look-up (a user name
// too: see the FTP worker's tests).
TEST_F(FtpConnectionTest, ServerTextsThatAreNoHostAndPortAreRefused) {
    for (const std::string server : {"", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:21x",
                                     "a host", "h?x=1", "h#x", "h%41", "[::1", "[]", "[::g]"}) {
        EXPECT_EQ(RaisedBy([&] { Connect(server); }).Message(), "Invalid FTP server name") << server;
    }
}

}  // namespace
