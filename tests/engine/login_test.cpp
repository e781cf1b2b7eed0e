#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/server_logins.h"
#include "net/curl_session.h"
#include "store/list_files.h"
#include "support/fake_message_box.h"
#include "support/file_worker_fixture.h"
#include "support/temp_folder.h"
#include "support/test_ftp_server.h"
#include "support/test_http_server.h"

namespace {

constexpr const char* kUser = "ann";
constexpr const char* kPassword = "s3cret-Pa55";

void Empty(ItemList<FileEntry>& list) {
    while (list.Count() > 0) list.RemoveAt(0);
}

// Requested files behind logins, fetched by the real file workers from the
// test servers; the user's answers to the login dialog are scripted.
class LoginTest : public FileWorkerFixture {
protected:
    LoginTest() { sessions = CurlSessionFactory(); }

    // The dialog's answers in turn; nothing (Cancel) once they run out.
    void Answer(std::vector<std::optional<LoginAnswer>> answers) {
        window.onLogin = [answers = std::move(answers), next = std::size_t{0}](const LoginQuestion&) mutable {
            return next < answers.size() ? answers[next++] : std::nullopt;
        };
    }

    void GiveLogin(const std::string& url, const std::string& user, const std::string& password) {
        store.Logins.Set(LoginKeyOf(*LoginOriginOf(url)), {user, password, true});
    }

    std::string Status() const { return store.RequestedFiles.GetAt(0)->status.Str(); }
};

// The dialog names the server and realm; a right login fetches the file, a
// refused one is asked again and, once the user gives up, ends in an error
// that says so, with nothing written.
TEST_F(LoginTest, AServerAnswering401GetsTheLoginTheUserGivesInTheDialog) {
    TestHttpServer server;
    server.RouteBy("/a.zip",
                   BasicLoginRequired(kUser, kPassword, "Staff <b>only</b>", TestHttpReply::Ok("zip!")));
    const std::string serverText = "http://127.0.0.1:" + std::to_string(server.Port());
    const struct {
        std::vector<std::optional<LoginAnswer>> answers;
        std::vector<bool> refusedAsked;  // one per question
        bool saved;
    } cases[] = {
        {{LoginAnswer{kUser, kPassword, false}}, {false}, true},
        {{LoginAnswer{kUser, "wrong", false}, std::nullopt}, {false, true}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved);
        store.Logins = {};
        window.loginQuestions.clear();
        Answer(c.answers);
        Start(server.Url("/a.zip"));
        ASSERT_TRUE(RunUntilDone());

        ASSERT_EQ(window.loginQuestions.size(), c.refusedAsked.size());
        for (std::size_t i = 0; i < c.refusedAsked.size(); ++i) {
            EXPECT_EQ(window.loginQuestions[i].server, serverText);
            EXPECT_EQ(window.loginQuestions[i].realm, "Staff <b>only</b>");
            EXPECT_EQ(window.loginQuestions[i].refused, c.refusedAsked[i]);
            EXPECT_FALSE(window.loginQuestions[i].keptBeyondRun);  // no keeper here
        }
        EXPECT_EQ(folder.Exists("Software/a.zip"), c.saved);
        if (c.saved) {
            EXPECT_EQ(folder.Read("Software/a.zip"), "zip!");
            EXPECT_EQ(store.DownloadedFiles.Count(), 1);
            Empty(store.DownloadedFiles);
            std::filesystem::remove(folder.Path() / "Software/a.zip");
        } else {
            EXPECT_EQ(Status(), "Login refused by " + serverText + ": 401 Unauthorized");
            EXPECT_EQ(store.Logins.Entries().size(), 0u);  // a refused login is not kept
            Empty(store.RequestedFiles);
        }
    }
    // Never sent in the address, only after the server asked.
    for (const TestHttpRequest& request : server.Requests()) {
        EXPECT_EQ(request.target, "/a.zip");
    }
}

// The login goes to its own server only: a redirection to another one (here
// another port, as a different host or scheme would be) carries none, both
// when libcurl follows it for a file and when the crawl follows it itself.
TEST_F(LoginTest, ALoginNeverFollowsARedirectionToAnotherServer) {
    TestHttpServer origin;
    TestHttpServer elsewhere;
    origin.RouteBy("/a.zip", BasicLoginRequired(kUser, kPassword, "r",
                                                TestHttpReply::Redirect(302, elsewhere.Url("/a.zip"))));
    elsewhere.Route("/a.zip", TestHttpReply::Ok("moved"));
    GiveLogin(origin.Url("/"), kUser, kPassword);

    Start(origin.Url("/a.zip"));
    ASSERT_TRUE(RunUntilDone());

    EXPECT_EQ(folder.Read("Software/a.zip"), "moved");
    EXPECT_TRUE(window.loginQuestions.empty());  // the store's login was taken
    ASSERT_FALSE(origin.Requests().empty());
    EXPECT_TRUE(origin.Requests().back().HasHeader("Authorization"));
    ASSERT_EQ(elsewhere.Requests().size(), 1u);
    EXPECT_FALSE(elsewhere.Requests()[0].HasHeader("Authorization"));
}

// With a login for its server, FTP logs in as that user, also when the
// address names the user; without one it stays anonymous, and an address
// naming a user is refused. A login lives in the logins file by its user
// name only, never its password.
TEST_F(LoginTest, FtpLogsInWithTheLoginGivenForItsServer) {
    TempFolder served;
    served.Write("x.zip", "ftp bytes");
    TestFtpServer ftp(served.Path(), std::nullopt, {}, {}, std::string(kUser) + ":" + kPassword);
    const std::string withUser = "ftp://" + std::string(kUser) + "@" + ftp.Server() + "/x.zip";
    const struct {
        std::string url;
        std::string user;
        std::string password;
        std::string status;  // "" when downloaded
    } cases[] = {
        {withUser, "", "", "User names are not supported in FTP addresses: the login is anonymous"},
        {ftp.Url("/x.zip"), "", "", "530 Anonymous access not allowed."},
        {ftp.Url("/x.zip"), kUser, "wrong", "530 Authentication failed."},
        {ftp.Url("/x.zip"), kUser, kPassword, ""},
        {withUser, kUser, kPassword, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " " + c.user + ":" + c.password);
        store.Logins = {};
        if (!c.user.empty()) GiveLogin(c.url, c.user, c.password);
        Start(c.url);
        ASSERT_TRUE(RunUntilDone());
        if (c.status.empty()) {
            EXPECT_EQ(folder.Read("Software/x.zip"), "ftp bytes");
            ASSERT_EQ(store.DownloadedFiles.Count(), 1);
            Empty(store.DownloadedFiles);
        } else {
            EXPECT_EQ(Status(), c.status);
            EXPECT_FALSE(folder.Exists("Software/x.zip"));
            Empty(store.RequestedFiles);
        }
        std::filesystem::remove(folder.Path() / "Software/x.zip");
    }

    FakeMessageBox messages;
    ASSERT_TRUE(SaveLists(store, messages, folder.Path()));
    store.Logins = {};
    LoadLists(store, folder.Path());
    const LoginTable::Entry* back = store.Logins.Find(LoginKeyOf(*LoginOriginOf(withUser)));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->user, kUser);
    EXPECT_EQ(back->password, "");
    EXPECT_EQ(folder.Read("logins.data"), "ftp 127.0.0.1 " + std::to_string(ftp.Port()) + " ann\n");
}

}  // namespace
