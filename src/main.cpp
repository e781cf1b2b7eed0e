#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <QApplication>
#include <QDir>

#include "app/data_folder.h"
#include "app/folder_instance.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/instance_bus.h"
#include "app/open_file_limit.h"
#include "app/program_options.h"
#include "ui/dialogs/qt_message_box.h"

namespace {

std::vector<std::string> ArgumentsAfterName(int argc, char* argv[]) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

// --help, --version or arguments that make no sense: no window at all.
int EndWithoutRunning(const ProgramOptions& options) {
    switch (options.action) {
        case ProgramOptions::Action::kHelp: std::fputs(HelpText().c_str(), stdout); return 0;
        case ProgramOptions::Action::kVersion: std::fputs(VersionText().c_str(), stdout); return 0;
        case ProgramOptions::Action::kBusName: {
            std::error_code unresolved;
            std::filesystem::path folder = std::filesystem::weakly_canonical(
                std::filesystem::absolute(options.dataDir.value_or("."), unresolved), unresolved);
            if (!folder.has_filename()) folder = folder.parent_path();  // "dir/" of a folder not made yet
            std::printf("%s\n", InstanceBusName(folder).c_str());
            return 0;
        }
        default:
            std::fprintf(stderr, "tarrawick: %s\nTry 'tarrawick --help'.\n", options.refusal.c_str());
            return 2;
    }
}

// Names each argument that is not an address; none of them adds anything.
void NameRefusedAddresses(const ProgramOptions& options) {
    for (const std::string& refused : options.refusedAddresses)
        std::fprintf(stderr, "tarrawick: '%s' is not an address and was not added\n", refused.c_str());
}

InstanceRequest RequestOf(const ProgramOptions& options, const QString& startFolder) {
    InstanceRequest request;
    request.addresses = options.addresses;
    request.site = options.site;
    request.cwd = startFolder;
    request.platformData = StartPlatformData();
    return request;
}

int EndAsSecondStart(FolderInstance::Role role, const FolderInstance& instance,
                     const std::filesystem::path& folder) {
    if (role == FolderInstance::Role::kHandedOver) return 0;
    std::string message;
    if (role == FolderInstance::Role::kLocked) {
        message = "Tarrawick is already running in the data folder '" + folder.string() +
                  "'. Use that window, or start with another --data-dir.";
        std::fprintf(stderr, "tarrawick: %s\n", message.c_str());
        QtMessageBox().ShowMessage(message);
    } else {
        message = "The Tarrawick running in '" + folder.string() +
                  "' did not answer: " + instance.Failure().toStdString();
        std::fprintf(stderr, "tarrawick: %s\n", message.c_str());
    }
    return 1;
}

// Qt waits for its bus thread when the process ends, for ever if the bus
// accepted the connection and never answered; the lists are saved by then.
int End(const FolderInstance& instance, int exitCode) {
    if (instance.BusStillConnecting()) {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}

}  // namespace

int main(int argc, char* argv[]) {
    // --help and --version need no display, so they come before Qt starts.
    ProgramOptions options = ReadProgramOptions(ArgumentsAfterName(argc, argv), false);
    if (options.action != ProgramOptions::Action::kRun) return EndWithoutRunning(options);
    const OpenFileLimit openFiles = RaiseOpenFileLimit();
    if (!openFiles.shortfall.empty()) std::fprintf(stderr, "tarrawick: %s\n", openFiles.shortfall.c_str());

    QApplication application(argc, argv);  // takes Qt's own options out of argv
    QApplication::setApplicationName(QStringLiteral("Dravenet"));
    QGuiApplication::setDesktopFileName(QStringLiteral(TARRAWICK_APP_ID));
    options = ReadProgramOptions(ArgumentsAfterName(argc, argv), true);
    if (options.action != ProgramOptions::Action::kRun) return EndWithoutRunning(options);
    NameRefusedAddresses(options);
    const QString startFolder = QDir::currentPath();
    if (options.dataDir) {
        const std::string failure = EnterDataFolder(*options.dataDir);
        if (!failure.empty()) {
            std::fprintf(stderr, "tarrawick: %s\n", failure.c_str());
            QtMessageBox().ShowMessage(failure);
            return 1;
        }
    }

    // One program per data folder: decided before any list is read.
    std::error_code unresolved;
    std::filesystem::path folder = std::filesystem::canonical(std::filesystem::current_path(), unresolved);
    if (unresolved) folder = std::filesystem::current_path();
    InstanceService service;
    FolderInstance instance(folder, service);
    const InstanceRequest request = RequestOf(options, startFolder);
    const FolderInstance::Role role = instance.Claim(request);
    if (role != FolderInstance::Role::kFirst) return End(instance, EndAsSecondStart(role, instance, folder));
    if (!request.addresses.empty()) service.Deliver(request);

    FrameServices services;
    if (!instance.BusAnswered()) services.trayAvailable = [] { return false; };
    CDravenetApp app(services);
    app.TakeRequestsFrom(service);
    if (!app.InitInstance()) return End(instance, 1);
    return End(instance, app.ExitInstance(app.Run()));
}
