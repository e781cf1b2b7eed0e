#include "app/program_options.h"

#include <string_view>

namespace {

constexpr std::string_view kDataDirOption = "--data-dir";

}  // namespace

ProgramOptions ReadProgramOptions(const std::vector<std::string>& arguments, bool qtOptionsRemoved) {
    ProgramOptions options;
    bool help = false;
    bool version = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "-h" || argument == "--help") {
            help = true;
        } else if (argument == "--version") {
            version = true;
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
    if (options.dataDir && options.dataDir->empty() && options.refusal.empty()) {
        options.refusal = "option '--data-dir' needs a folder";
    }
    if (help) {
        options.action = ProgramOptions::Action::kHelp;
    } else if (version) {
        options.action = ProgramOptions::Action::kVersion;
    } else if (!options.refusal.empty()) {
        options.action = ProgramOptions::Action::kRefuse;
    }
    return options;
}

std::string HelpText() {
    return "Usage: tarrawick [--data-dir DIR]\n"
           "Tarrawick downloads software archives: single files, whole web sites and\n"
           "search results. It keeps its six list files and the \"Software\" folder of\n"
           "downloads in the current directory.\n"
           "\n"
           "  --data-dir DIR  work in DIR instead, created if missing\n"
           "  -h, --help      show this help and end\n"
           "  --version       show the version and end\n"
           "\n"
           "Qt's own options, such as -platform NAME, are understood as well.\n";
}

std::string VersionText() { return "Tarrawick " TARRAWICK_VERSION "\n"; }
