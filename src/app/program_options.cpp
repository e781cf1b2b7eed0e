#include "app/program_options.h"

#include <string_view>

#include "app/dropped_addresses.h"

namespace {

constexpr std::string_view kDataDirOption = "--data-dir";

}  // namespace

ProgramOptions ReadProgramOptions(const std::vector<std::string>& arguments, bool qtOptionsRemoved) {
    ProgramOptions options;
    bool help = false;
    bool version = false;
    bool busName = false;
    bool optionsEnded = false;
    std::vector<std::string> addressArguments;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (optionsEnded || !argument.starts_with('-')) {
            // Qt's option values (-platform NAME) are not addresses.
            if (qtOptionsRemoved) addressArguments.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--site") {
            options.site = true;
        } else if (argument == "-h" || argument == "--help") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument == "--bus-name") {
            busName = true;
        } else if (argument == kDataDirOption) {
            if (index + 1 < arguments.size()) {
                options.dataDir = arguments[++index];
            } else if (options.refusal.empty()) {
                options.refusal = "option '--data-dir' needs a folder";
            }
        } else if (argument.starts_with(std::string(kDataDirOption) + "=")) {
            options.dataDir = argument.substr(kDataDirOption.size() + 1);
        } else if (qtOptionsRemoved && options.refusal.empty()) {
            options.refusal = "unknown argument '" + argument + "'";
        }
    }
    DroppedAddresses split = SplitArguments(addressArguments);
    options.addresses = std::move(split.addresses);
    options.refusedAddresses = std::move(split.refused);
    if (options.dataDir && options.dataDir->empty() && options.refusal.empty()) {
        options.refusal = "option '--data-dir' needs a folder";
    }
    if (help) {
        options.action = ProgramOptions::Action::kHelp;
    } else if (version) {
        options.action = ProgramOptions::Action::kVersion;
    } else if (!options.refusal.empty()) {
        options.action = ProgramOptions::Action::kRefuse;
    } else if (busName) {
        options.action = ProgramOptions::Action::kBusName;
    }
    return options;
}

std::string HelpText() {
    return "Usage: tarrawick [--data-dir DIR] [--site] [URL...]\n"
           "Tarrawick downloads software archives: single files, whole web sites and\n"
           "search results. It keeps its six list files and the \"Software\" folder of\n"
           "downloads in the current directory.\n"
           "\n"
           "Each URL (http://, https://, ftp://, or host.example/path) is added to the\n"
           "Requested Files list, as a dropped address is; anything else is named on\n"
           "standard error and adds nothing. One program runs per data folder: when\n"
           "one already runs there, the addresses go to it, its window is raised, and\n"
           "this start ends at once.\n"
           "\n"
           "  --data-dir DIR  work in DIR instead, created if missing\n"
           "  --site          open Add Web Site with each URL instead\n"
           "  --              take every argument after it as a URL\n"
           "  --bus-name      show the session bus name of the program in the data\n"
           "                  folder and end\n"
           "  -h, --help      show this help and end\n"
           "  --version       show the version and end\n"
           "\n"
           "Qt's own options, such as -platform NAME, are understood as well.\n";
}

std::string VersionText() { return "Tarrawick " TARRAWICK_VERSION "\n"; }
