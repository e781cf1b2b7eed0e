#include "app/gui/secret_keeper.h"

#include <chrono>
#include <optional>
#include <string>

#include <QDBusConnection>
#include <QProcess>
#include <gtest/gtest.h>

#include "store/logins.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

// The stand-in secret service on the test's own bus, for as long as it lives.
class FakeSecretService {
public:
    FakeSecretService() {
        process_.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(TARRAWICK_FAKE_SECRET_SERVICE)});
        ready_ = process_.waitForReadyRead(20000) && process_.readLine().trimmed() == "ready";
    }
    ~FakeSecretService() {
        process_.closeWriteChannel();  // it ends when its input closes
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished();
    }
    FakeSecretService(const FakeSecretService&) = delete;
    FakeSecretService& operator=(const FakeSecretService&) = delete;

    bool Ready() const { return ready_; }

private:
    QProcess process_;
    bool ready_ = false;
};

// A remembered login's password goes to the secret service and comes back
// with its user name at the next start; it is filed under scheme, host, port
// and user, so no other server or user finds it, and forgetting the login
// takes it out. Never in the logins file.
TEST(SecretKeeperTest, ARememberedPasswordComesBackForItsServerAndUserOnly) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        !QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus of the test's own (dbus-run-session)";
    const FakeSecretService service;
    ASSERT_TRUE(service.Ready());
    TempFolder folder;
    FakeMessageBox messages;
    const LoginKey key{"https", "host.example", 8443};
    const LoginKey samePortElsewhere{"https", "other.example", 8443};
    {
        SecretKeeper keeper(true, 10s);
        ASSERT_TRUE(keeper.Durable());
        LoginTable table;
        table.SetKeeper(&keeper);
        table.Set(key, {"ann", "first-pw", true});
        table.Set(key, {"ann", "second-pw", true});
        table.Set(samePortElsewhere, {"ann", "run-only-pw", false});
        ASSERT_TRUE(SaveLogins(table, messages, folder.Path()));
    }
    SecretKeeper keeper(true, 10s);
    LoginTable table;
    table.SetKeeper(&keeper);
    LoadLogins(table, folder.Path());
    ASSERT_NE(table.Find(key), nullptr);
    EXPECT_EQ(table.Find(key)->password, "second-pw");
    EXPECT_EQ(table.Find(samePortElsewhere), nullptr);
    const struct {
        LoginKey key;
        std::string user;
    } others[] = {
        {{"http", "host.example", 8443}, "ann"},
        {{"https", "host.example", 443}, "ann"},
        {samePortElsewhere, "ann"},
        {key, "bob"},
    };
    for (const auto& other : others) {
        EXPECT_EQ(keeper.Find(other.key, other.user), std::nullopt) << other.key.scheme << other.key.port;
    }
    table.Erase(key);
    EXPECT_EQ(keeper.Find(key, "ann"), std::nullopt);
    EXPECT_EQ(folder.Read("logins.data"), "https host.example 8443 ann\n");
}

}  // namespace
