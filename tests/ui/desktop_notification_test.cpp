#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include "app/command_ids.h"
#include "app/gui/desktop_notifier.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/main_frame.h"
#include "store/item_store.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"
#include "support/test_http_server.h"
#include "ui/panels/list_panel.h"
#include "ui/scripted_dialogs.h"
#include "workers/app_state.h"

// Stands in for the desktop's notification service.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    std::vector<QStringList> received;  // application, summary, body

public slots:
    uint Notify(const QString& application, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        received.push_back({application, summary, body});
        return static_cast<uint>(received.size());
    }
};

namespace {

class DesktopNotificationTest : public ::testing::Test {
protected:
    void TearDown() override {
        TheStore() = ItemStore();
        TheAppState() = AppState();
    }

    // Downloads the file with the program's own workers while another
    // window is the active one, and waits for the bus's answer.
    bool DownloadInTheBackground(const std::string& url) {
        folder.Write("reqsoft.data", url + "\n");
        CDravenetApp app(FrameServices{&dialogs, &messages, nullptr, [](const QUrl&) {}});
        EXPECT_TRUE(app.InitInstance());
        CMainFrame& window = *app.MainFrame();
        QSignalSpy answered(&window.Notifier(), &DesktopNotifier::Answered);
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QApplication::processEvents();
        EXPECT_FALSE(window.isActiveWindow());
        window.ListPanel().topLevelItem(0)->setSelected(true);
        window.Action(CommandId::kSelectedProjects)->trigger();
        // A bound, not a pause: the answer ends the wait.
        const bool wasAnswered = !answered.isEmpty() || answered.wait(30000);
        EXPECT_EQ(TheStore().RequestedFiles.Count(), 0);  // downloaded
        app.ExitInstance(0);
        TheStore() = ItemStore();
        return wasAnswered && answered.front().front().toBool();
    }

    TempFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
    ScriptedDialogs dialogs;
    FakeMessageBox messages;
};

// Stands in for a session bus that is hung: it takes connections (the
// system queues them on its listening socket) and never answers. Closing
// it drops the connections.
class SilentBus {
public:
    explicit SilentBus(const std::filesystem::path& socketPath) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = socketPath.string();
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        const bool listening =
            ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
            ::listen(listener_, 8) == 0;
        EXPECT_TRUE(listening);
        previous_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray("unix:path=") + QByteArray::fromStdString(path));
    }
    ~SilentBus() {
        Close();
        qputenv("DBUS_SESSION_BUS_ADDRESS", previous_);
    }
    void Close() {
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
    }

private:
    int listener_ = -1;
    QByteArray previous_;
};

// A hung session bus holds up nothing: Notify returns, the window goes on
// with its events while the bus is being reached, and the notification is
// dropped once the bus turns out to be unusable. Runs first, before anything
// in the process has used a bus.
TEST_F(DesktopNotificationTest, AHungSessionBusHoldsUpNeitherNotifyNorTheWindow) {
    SilentBus silent(folder / "bus");
    DesktopNotifier notifier;
    QSignalSpy answered(&notifier, &DesktopNotifier::Answered);
    EXPECT_TRUE(notifier.Notify(QStringLiteral("http://h/a.zip"), QStringLiteral("Success")));
    EXPECT_TRUE(notifier.Notify(QStringLiteral("http://h/b.zip"), QStringLiteral("Success")));
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    QApplication::processEvents();
    EXPECT_TRUE(handled);
    EXPECT_TRUE(answered.isEmpty());

    silent.Close();
    // A bound, not a pause: the end of the connecting ends the wait.
    while (answered.size() < 2 && answered.wait(30000)) {}
    ASSERT_EQ(answered.size(), 2);
    EXPECT_FALSE(answered[0][0].toBool());
    EXPECT_FALSE(answered[1][0].toBool());
}

// With no service on the bus nothing is shown and nothing is reported; with
// one, it hears which entry ended and how.
TEST_F(DesktopNotificationTest, AnEntryEndedInTheBackgroundIsToldToTheService) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        !QDBusConnection::sessionBus().isConnected()) {
        GTEST_SKIP() << "no session bus of the test's own (dbus-run-session)";
    }
    TestHttpServer server;
    server.Route("/tool.zip", TestHttpReply::Ok("zip & more"));
    const std::string url = server.Url("/tool.zip");

    EXPECT_FALSE(DownloadInTheBackground(url));
    EXPECT_TRUE(messages.shown.empty());

    NotificationService service;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "notification service");
    ASSERT_TRUE(
        bus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService("org.freedesktop.Notifications"));
    EXPECT_TRUE(DownloadInTheBackground(url));
    ASSERT_EQ(service.received.size(), 1u);
    EXPECT_EQ(service.received[0], (QStringList{"Tarrawick", QString::fromStdString(url), "Success"}));
    EXPECT_TRUE(messages.shown.empty());
    bus.unregisterService("org.freedesktop.Notifications");
    QDBusConnection::disconnectFromBus("notification service");
}

}  // namespace

#include "desktop_notification_test.moc"
