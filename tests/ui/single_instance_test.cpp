#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include "app/folder_instance.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/instance_bus.h"
#include "app/gui/main_frame.h"
#include "store/item_store.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"
#include "ui/process_events_until.h"
#include "ui/scripted_dialogs.h"
#include "workers/app_state.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> RequestedUrls() {
    std::vector<std::string> urls;
    for (int at = 0; at < TheStore().RequestedFiles.Count(); ++at)
        urls.emplace_back(TheStore().RequestedFiles.GetAt(at)->url);
    return urls;
}

std::vector<std::string> FileNamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

QString Text(const fs::path& path) { return QString::fromStdString(path.string()); }

// The program itself, started as a user would, while the test's event loop runs.
class ProgramRun {
public:
    explicit ProgramRun(const QStringList& arguments, const QProcessEnvironment& extra = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(extra);
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(TARRAWICK_PROGRAM), arguments);
    }
    ~ProgramRun() {
        if (process_.state() != QProcess::NotRunning) process_.kill();
        process_.waitForFinished();
    }

    // The exit status, or -1 when it crashed or did not end within the bound.
    int Ended() {
        ProcessEventsUntil([this] { return process_.state() == QProcess::NotRunning; });
        return process_.state() == QProcess::NotRunning && process_.exitStatus() == QProcess::NormalExit
                   ? process_.exitCode()
                   : -1;
    }
    QString Errors() {
        errors_ += QString::fromUtf8(process_.readAllStandardError());
        return errors_;
    }
    QProcess& Process() { return process_; }

private:
    QProcess process_;
    QString errors_;
};

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("TARRAWICK_TEST_PRIVATE_BUS") ||
            !QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus of the test's own (dbus-run-session)";
        fs::create_directories(folder / "a");
        fs::create_directories(folder / "b");
        a = fs::canonical(folder / "a");
        b = fs::canonical(folder / "b");
    }
    void TearDown() override {
        TheStore() = ItemStore();
        TheAppState() = AppState();
    }

    TempFolder folder;
    fs::path a;
    fs::path b;
    ScriptedDialogs dialogs;
    FakeMessageBox messages;
};

// The first program is this process, working in folder a; later starts are
// the real program.
TEST_F(SingleInstanceTest, LaterStartsHandTheirAddressesToTheFirstInOrderAndEnd) {
    ScopedCurrentDirectory inA(a);
    InstanceService service;
    FolderInstance first(a, service);
    ASSERT_EQ(first.Claim({}), FolderInstance::Role::kFirst);
    ASSERT_TRUE(first.OwnsBusName());
    CDravenetApp app(FrameServices{&dialogs, &messages, nullptr, [](const QUrl&) {}});
    app.TakeRequestsFrom(service);
    ASSERT_TRUE(app.InitInstance());

    {
        ProgramRun second({"--data-dir", Text(a), "http://h/1.zip", "no address", "ftp://h/2.zip"});
        EXPECT_EQ(second.Ended(), 0);
        EXPECT_TRUE(second.Errors().contains("'no address' is not an address"))
            << second.Errors().toStdString();
    }
    EXPECT_TRUE(ProcessEventsUntil([] { return TheStore().RequestedFiles.Count() == 2; }));
    EXPECT_EQ(RequestedUrls(), (std::vector<std::string>{"http://h/1.zip", "ftp://h/2.zip"}));

    // Without addresses, the window comes back from the tray with the
    // desktop's permission to take the focus.
    app.MainFrame()->hide();
    QProcessEnvironment activation;
    activation.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("token-of-the-second"));
    qunsetenv("XDG_ACTIVATION_TOKEN");
    {
        ProgramRun second({"--data-dir", Text(a)}, activation);
        EXPECT_EQ(second.Ended(), 0);
    }
    EXPECT_TRUE(ProcessEventsUntil([&] { return app.MainFrame()->isVisible(); }));
    EXPECT_EQ(qgetenv("XDG_ACTIVATION_TOKEN"), "token-of-the-second");
    qunsetenv("XDG_ACTIVATION_TOKEN");

    // A script's call: what is no address is refused by name, the rest added.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromStdString(InstanceBusName(a)), InstanceService::kObjectPath, InstanceService::kInterface,
        QStringLiteral("AddUrls"));
    call << QStringList{"http://h/3.zip", "javascript:alert(1)"} << QStringLiteral("/") << QVariantMap();
    QDBusConnection caller = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "script");
    QDBusPendingCallWatcher answer(caller.asyncCall(call));
    EXPECT_TRUE(ProcessEventsUntil([&] { return answer.isFinished(); }));
    EXPECT_EQ(answer.error().type(), QDBusError::InvalidArgs);
    EXPECT_TRUE(answer.error().message().contains("javascript:alert(1)"));
    EXPECT_TRUE(ProcessEventsUntil([] { return TheStore().RequestedFiles.Count() == 3; }));
    QDBusConnection::disconnectFromBus("script");

    EXPECT_EQ(FileNamesIn(a), std::vector<std::string>{FolderLock::kFileName});  // nobody wrote a list
    EXPECT_TRUE(messages.shown.empty());
    app.ExitInstance(0);
    EXPECT_EQ(folder.Read("a/reqsoft.data"), "http://h/1.zip\nftp://h/2.zip\nhttp://h/3.zip\n");
}

TEST_F(SingleInstanceTest, AnotherFolderRunsOnItsOwnAndALockedFolderOutOfReachOfTheBusIsRefused) {
    InstanceService service;
    std::vector<InstanceRequest> toFirst;
    service.SetReceiver([&](const InstanceRequest& request) { toFirst.push_back(request); });
    FolderInstance first(a, service);
    ASSERT_EQ(first.Claim({}), FolderInstance::Role::kFirst);

    ProgramRun elsewhere({"--data-dir", Text(b), "http://h/4.zip"});
    const QString nameOfB = QString::fromStdString(InstanceBusName(b));
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    ASSERT_TRUE(ProcessEventsUntil([&] { return bus->isServiceRegistered(nameOfB).value(); }));
    // Its answer means it is in its event loop (the start-up chooser's),
    // where an end signal ends the run as Exit does.
    const QDBusMessage activated = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(nameOfB, InstanceService::kObjectPath, InstanceService::kInterface,
                                       QStringLiteral("Activate"))
        << QVariantMap());
    EXPECT_EQ(activated.type(), QDBusMessage::ReplyMessage) << activated.errorMessage().toStdString();
    elsewhere.Process().terminate();
    EXPECT_EQ(elsewhere.Ended(), 0);
    EXPECT_EQ(folder.Read("b/reqsoft.data"), "http://h/4.zip\n");

    // Without a bus only the lock file tells; the start ends without a list.
    QProcessEnvironment noBus;
    noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), "unix:path=" + Text(folder / "no-bus"));
    ProgramRun locked({"--data-dir", Text(a), "http://h/5.zip"}, noBus);
    const QString refusal = "already running in the data folder '" + Text(a) + "'";
    EXPECT_TRUE(ProcessEventsUntil([&] { return locked.Errors().contains(refusal); }))
        << locked.Errors().toStdString();
    locked.Process().kill();  // its message box waits for a click
    locked.Ended();
    EXPECT_EQ(FileNamesIn(a), std::vector<std::string>{FolderLock::kFileName});
    QCoreApplication::processEvents();
    EXPECT_TRUE(toFirst.empty());
}

}  // namespace
