#include "app/gui/dravenet_app.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSettings>
#include <QSocketNotifier>
#include <sys/socket.h>

#include "app/auto_save.h"
#include "app/default_workers.h"
#include "app/entry_commands.h"
#include "app/finished_part_records.h"
#include "app/gui/bus_probe.h"
#include "app/gui/instance_bus.h"
#include "app/gui/main_frame.h"
#include "app/gui/program_dialogs.h"
#include "app/gui/qt_ui_dispatcher.h"
#include "app/gui/secret_keeper.h"
#include "app/open_file_limit.h"
#include "app/worker_dispatch.h"
#include "net/curl_session.h"
#include "search/query_hosts.h"
#include "store/item_store.h"
#include "store/list_files.h"
#include "ui/dialogs/qt_message_box.h"
#include "workers/app_state.h"
#include "workers/worker_threads.h"

namespace {

// Activation tokens are short; a longer one is not put in the environment.
constexpr qsizetype kMostTokenChars = 1024;

// How long the secret service may take to answer one call. Its calls are
// few (one a remembered login at start, one a login given) and each is
// bounded, since a hung service would otherwise hold the window.
constexpr std::chrono::milliseconds kSecretServiceBound{2000};

// The signal handler writes one byte here; the user-interface thread reads it.
int endSignalPipe[2] = {-1, -1};

void OnEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(endSignalPipe[0], &byte, 1);
}

}  // namespace

CDravenetApp::CDravenetApp(FrameServices services)
    : services_(std::move(services)),
      uiDispatcher_(std::make_unique<QtUiDispatcher>()),
      workers_(std::make_unique<WorkerThreads>(*uiDispatcher_)) {
    // The one place that names the process-wide lists and state.
    if (services_.store == nullptr) services_.store = &TheStore();
    if (services_.state == nullptr) services_.state = &TheAppState();
    WatchEndSignals();
}

CDravenetApp::~CDravenetApp() {
    // The lists outlive the application object; its keeper does not.
    services_.store->Logins.SetKeeper(nullptr);
    QApplication::setQuitOnLastWindowClosed(true);
    // A later application object makes a pair of its own.
    delete signalNotifier_;
    for (int& end : endSignalPipe) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

void CDravenetApp::WatchEndSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, endSignalPipe) != 0) return;
    signalNotifier_ = new QSocketNotifier(endSignalPipe[1], QSocketNotifier::Read, this);
    connect(signalNotifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t ignored = ::read(endSignalPipe[1], &byte, 1);
        EndOnSignal();
    });
    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool CDravenetApp::InitInstance() {
    // Checked before anything is read or shown: a refused host is never sent.
    const SearchHostsReading search = ReadSearchHosts([](const char* name) { return std::getenv(name); });
    if (!search.refusal.empty()) {
        std::cerr << search.refusal << '\n';
        QtMessageBox ownMessages;
        (services_.messages != nullptr ? *services_.messages : ownMessages).ShowMessage(search.refusal);
        return false;
    }
    mainFrame_ = std::make_unique<CMainFrame>(services_);
    if (!mainFrame_->Create()) {
        mainFrame_.reset();
        return false;
    }
    mainFrame_->SetSearchHosts(search.hosts);
    if (services_.downloads == nullptr) {
        CurlSessionSettings sessions;
        sessions.descriptors = std::make_shared<DescriptorBudget>(CurrentOpenFileLimit());
        if (const char* extraCa = std::getenv(kExtraCaFileVariable)) sessions.extraCaFile = extraCa;
        dispatch_ = std::make_unique<WorkerDispatch>(
            *services_.store, *services_.state, mainFrame_->Window(), *workers_,
            DefaultWorkerProcedures(CurlSessionFactory(std::move(sessions)), search.hosts));
        mainFrame_->SetDownloadCommands(dispatch_.get());
    }
    // The window may be closed to the tray, and a message box closed while
    // it is hidden must not end the run: only the window's own close does.
    QApplication::setQuitOnLastWindowClosed(false);
    connect(mainFrame_.get(), &CMainFrame::Closed, this, [this] {
        if (inMainLoop_) QApplication::exit(0);
    });
    OpenSecretKeeper();
    mainFrame_->InitialUpdate();
    mainFrame_->showMaximized();
    mainFrame_->setWindowTitle(QStringLiteral("Tarrawick for software"));
    autoSave_ = std::make_unique<AutoSave>(*services_.store, Messages(), AutoSave::Delays{});
    connect(&autoSaveTimer_, &QTimer::timeout, this, &CDravenetApp::OnAutoSaveTick);
    autoSaveTimer_.start(kAutoSavePollMs);
    if (instance_ != nullptr)
        instance_->SetReceiver([this](const InstanceRequest& request) { OnInstanceRequest(request); });
    return true;
}

void CDravenetApp::OnInstanceRequest(const InstanceRequest& request) {
    // Qt's Wayland plugin takes the token from the environment when the
    // window asks for the focus. Workers read the environment too (libcurl's
    // proxy variables), so it is changed only while none runs; otherwise the
    // desktop may mark the window instead of raising it.
    const QString token = request.platformData.value(QStringLiteral("activation-token")).toString();
    if (!token.isEmpty() && token.size() <= kMostTokenChars && workers_->Count() == 0)
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    mainFrame_->ShowAndRaise();
    if (!request.addresses.empty()) mainFrame_->Commands().AddAddresses(request.addresses, request.site);
}

// Before the lists are read: the passwords of remembered logins come from
// the secret service as their user names are read.
void CDravenetApp::OpenSecretKeeper() {
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    secrets_ = std::make_unique<SecretKeeper>(!bus.isEmpty() && BusAnswers(bus, kSecretServiceBound),
                                              kSecretServiceBound);
    services_.store->Logins.SetKeeper(secrets_.get());
}

MessageBoxPort& CDravenetApp::Messages() {
    if (services_.messages != nullptr) return *services_.messages;
    if (!ownMessages_) ownMessages_ = std::make_unique<QtMessageBox>(mainFrame_.get());
    return *ownMessages_;
}

void CDravenetApp::OnAutoSaveTick() {
    // A step is a unit: saving in the middle of one (while a message box of
    // its own is open) could write an entry to two lists, or to none.
    if (uiDispatcher_->RunningStep()) return;
    autoSave_->Poll(AutoSave::Clock::now());
}

void CDravenetApp::EndOnSignal() {
    endRequested_ = true;
    // Open dialogs are dismissed as cancelled; done() rather than reject(),
    // since the About box answers reject() by opening a page and staying.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog != nullptr && dialog->isVisible()) dialog->done(QDialog::Rejected);
    }
    // Before the main loop has started (the start-up chooser was open), the
    // flag keeps Run() from entering it.
    if (inMainLoop_) QApplication::exit(0);
}

int CDravenetApp::Run() {
    if (endRequested_) return 0;
    inMainLoop_ = true;
    const int exitCode = QApplication::exec();
    inMainLoop_ = false;
    return exitCode;
}

int CDravenetApp::ExitInstance(int exitCode) {
    // Nothing may change the lists while they are saved: a save-error message
    // runs an event loop, in which a scheduler tick could start workers, an
    // auto-save tick could save again, and a worker's finishing step could
    // move an entry between two lists half-way through the save. Closing the
    // hand-over releases waiting workers; their steps never run.
    if (mainFrame_) mainFrame_->StopScheduler();
    autoSaveTimer_.stop();
    if (instance_ != nullptr) instance_->SetReceiver({});
    workers_->Ui()->Close();
    const FinishedPartRecords finished(*services_.store);
    if (SaveLists(*services_.store, Messages())) finished.Forget();
    services_.state->ClearHandOverSlots();
    // Halted or transferring workers end within the bound.
    workers_->EndAll();
    return exitCode;
}
