#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>
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
#include "ui/panels/tree_panel.h"
#include "ui/panels/url_opener.h"
#include "ui/scripted_dialogs.h"
#include "workers/app_state.h"

// Stands in for the desktop's notification service; it takes actions when
// told to.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList capabilities{"body"};
    std::vector<QStringList> received;  // application, summary, body
    std::vector<QStringList> actions;
    std::vector<QString> categories;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& application, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& offered, const QVariantMap& hints, int) {
        received.push_back({application, summary, body});
        actions.push_back(offered);
        categories.push_back(hints.value("category").toString());
        return static_cast<uint>(received.size());
    }

signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);
};

// Stands in for the desktop's file manager.
class FileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    std::vector<QStringList> shown;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown.push_back(uris); }
};

// A service of the test's own on the private bus, gone with it.
template <typename Service>
class ServiceOnBus {
public:
    ServiceOnBus(const QString& name, const QString& path) : name_(name) {
        bus_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, name));
        EXPECT_TRUE(bus_->registerObject(
            path, &service, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        EXPECT_TRUE(bus_->registerService(name));
    }
    ~ServiceOnBus() {
        bus_->unregisterService(name_);
        bus_.reset();
        QDBusConnection::disconnectFromBus(name_);
    }

    Service service;

private:
    QString name_;
    std::unique_ptr<QDBusConnection> bus_;
};

bool HaveTestBus() {
    return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
           QDBusConnection::sessionBus().isConnected();
}

namespace {

class DesktopNotificationTest : public ::testing::Test {
protected:
    void TearDown() override {
        TheStore() = ItemStore();
        TheAppState() = AppState();
    }

    // Downloads the file with the program's own workers while another
    // window is the active one, and waits for the bus's answer.
    // Then clicks through the window's notification, when told how.
    bool DownloadInTheBackground(const std::string& url, const std::function<void(CMainFrame&)>& click = {}) {
        folder.Write("reqsoft.data", url + "\n");
        CDravenetApp app(FrameServices{&dialogs, &messages, nullptr,
                                       [this](const QUrl& file) { opened.push_back(file); }});
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
        if (wasAnswered && click) click(window);
        app.ExitInstance(0);
        TheStore() = ItemStore();
        return wasAnswered && answered.front().front().toBool();
    }

    TempFolder folder;
    ScopedCurrentDirectory inFolder{folder.Path()};
    ScriptedDialogs dialogs;
    FakeMessageBox messages;
    std::vector<QUrl> opened;
};

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

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
    EXPECT_TRUE(notifier.Notify({"http://h/a.zip", "Success", kDownloadedFilesList, {}, {}}));
    EXPECT_TRUE(notifier.Notify({"http://h/b.zip", "Success", kDownloadedFilesList, {}, {}}));
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
// one, it hears which entry ended and how, and one that does not take
// actions is offered none.
TEST_F(DesktopNotificationTest, AnEntryEndedInTheBackgroundIsToldToTheService) {
    if (!HaveTestBus()) GTEST_SKIP() << "no session bus of the test's own (dbus-run-session)";
    TestHttpServer server;
    server.Route("/tool.zip", TestHttpReply::Ok("zip & more"));
    const std::string url = server.Url("/tool.zip");

    EXPECT_FALSE(DownloadInTheBackground(url));
    EXPECT_TRUE(messages.shown.empty());

    ServiceOnBus<NotificationService> bus(kNotifications, kNotificationsPath);
    EXPECT_TRUE(DownloadInTheBackground(url));
    ASSERT_EQ(bus.service.received.size(), 1u);
    EXPECT_EQ(bus.service.received[0], (QStringList{"Tarrawick", QString::fromStdString(url), "Success"}));
    EXPECT_EQ(bus.service.actions[0], QStringList());
    EXPECT_EQ(bus.service.categories[0], "transfer.complete");
    EXPECT_TRUE(messages.shown.empty());
}

// A saved file offers Open and Show in Folder, a crawl Show in Folder. Open
// hands the file to the opener; Show in Folder asks the file manager, or
// opens the folder when there is none; a closed notification's actions are
// forgotten.
TEST_F(DesktopNotificationTest, ActionsOpenOrShowWhatTheirNotificationTold) {
    if (!HaveTestBus()) GTEST_SKIP() << "no session bus of the test's own (dbus-run-session)";
    ServiceOnBus<NotificationService> notifications(kNotifications, kNotificationsPath);
    notifications.service.capabilities << "actions";
    DesktopNotifier notifier;
    notifier.SetOpener([this](const QUrl& url) { opened.push_back(url); });
    QSignalSpy answered(&notifier, &DesktopNotifier::Answered);
    QSignalSpy chosen(&notifier, &DesktopNotifier::EntryChosen);
    ASSERT_TRUE(
        notifier.Notify({"http://h/a b.zip", "Success", kDownloadedFilesList, "Software/a b.zip", {}}));
    ASSERT_TRUE(notifier.Notify({"proj", "Some errors occurred", kRequestedSitesList, {}, "Software/proj"}));
    while (answered.size() < 2 && answered.wait(30000)) {}
    EXPECT_EQ(
        notifications.service.actions,
        (std::vector<QStringList>{{"default", "Show", "open", "Open", "show-in-folder", "Show in Folder"},
                                  {"default", "Show", "show-in-folder", "Show in Folder"}}));
    EXPECT_EQ(notifications.service.categories,
              (std::vector<QString>{"transfer.complete", "transfer.error"}));
    const QUrl file = LocalPathUrl("Software/a b.zip");
    const QUrl project = LocalPathUrl("Software/proj");
    const auto invoke = [&](uint id, const char* action, std::size_t openedThen) {
        emit notifications.service.ActionInvoked(id, QString::fromLatin1(action));
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened.size() == openedThen; }, 30000)) << action;
    };
    invoke(1, "open", 1);
    invoke(1, "show-in-folder", 2);
    invoke(2, "show-in-folder", 3);
    EXPECT_EQ(opened, (std::vector<QUrl>{file, LocalPathUrl("Software"), project}));

    {
        ServiceOnBus<FileManager> files("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1");
        emit notifications.service.ActionInvoked(1, "show-in-folder");
        emit notifications.service.ActionInvoked(2, "show-in-folder");
        EXPECT_TRUE(QTest::qWaitFor([&] { return files.service.shown.size() == 2; }, 30000));
        EXPECT_EQ(files.service.shown, (std::vector<QStringList>{{file.toString(QUrl::FullyEncoded)},
                                                                 {project.toString(QUrl::FullyEncoded)}}));
        invoke(1, "open", 4);
        EXPECT_EQ(opened.back(), file);  // no folder opened besides
    }

    emit notifications.service.NotificationClosed(1, 2);
    emit notifications.service.ActionInvoked(1, "open");
    emit notifications.service.ActionInvoked(2, "default");
    ASSERT_TRUE(chosen.wait(30000));
    EXPECT_EQ(chosen[0], (QVariantList{kRequestedSitesList, "proj"}));
    EXPECT_EQ(opened.size(), 4u);
}

// End to end: the file a worker saved is the one Open opens, and a click on
// the notification brings the window up on the file's entry.
TEST_F(DesktopNotificationTest, AClickOnTheNotificationShowsTheEntryItTold) {
    if (!HaveTestBus()) GTEST_SKIP() << "no session bus of the test's own (dbus-run-session)";
    TestHttpServer server;
    server.Route("/tool.zip", TestHttpReply::Ok("zip"));
    const std::string url = server.Url("/tool.zip");
    ServiceOnBus<NotificationService> notifications(kNotifications, kNotificationsPath);
    notifications.service.capabilities << "actions";
    EXPECT_TRUE(DownloadInTheBackground(url, [&](CMainFrame& window) {
        emit notifications.service.ActionInvoked(1, "open");
        emit notifications.service.ActionInvoked(1, "default");
        CListPanel& list = window.ListPanel();
        EXPECT_TRUE(QTest::qWaitFor([&] { return list.SelectedCount() == 1; }, 30000));
        EXPECT_EQ(opened, std::vector<QUrl>{LocalPathUrl("Software/tool.zip")});
        EXPECT_EQ(TheAppState().ShownList, kDownloadedFilesList);
        EXPECT_EQ(window.TreePanel().currentItem()->text(0), "Downloaded Files");
        ASSERT_EQ(list.RowCount(), 1);
        EXPECT_TRUE(list.IsRowSelected(0));
        EXPECT_EQ(list.RowText(0, 0).toStdString(), url);
        EXPECT_TRUE(window.isActiveWindow());
    }));
}

}  // namespace

#include "desktop_notification_test.moc"
