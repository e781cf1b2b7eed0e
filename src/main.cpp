#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>

#include "app/data_folder.h"
#include "app/gui/dravenet_app.h"
#include "app/gui/qt_message_box.h"
#include "app/open_file_limit.h"
#include "app/program_options.h"

namespace {

std::vector<std::string> ArgumentsAfterName(int argc, char* argv[]) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

// --help, --version or arguments that make no sense: no window at all.
int EndWithoutRunning(const ProgramOptions& options) {
    switch (options.action) {
        case ProgramOptions::Action::kHelp: std::fputs(HelpText().c_str(), stdout); return 0;
        case ProgramOptions::Action::kVersion: std::fputs(VersionText().c_str(), stdout); return 0;
        default:
            std::fprintf(stderr, "tarrawick: %s\nTry 'tarrawick --help'.\n", options.refusal.c_str());
            return 2;
    }
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
    if (options.dataDir) {
        const std::string failure = EnterDataFolder(*options.dataDir);
        if (!failure.empty()) {
            std::fprintf(stderr, "tarrawick: %s\n", failure.c_str());
            QtMessageBox().ShowMessage(failure);
            return 1;
        }
    }

    CDravenetApp app;
    if (!app.InitInstance()) return 1;
    return app.ExitInstance(app.Run());
}
