#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line asks of the program. The arguments are read twice:
// once before Qt starts, since --help and --version need no display, and
// once after Qt has taken its own options (-platform, -style, -session, ...)
// out, when an argument nobody knows is refused.
struct ProgramOptions {
    enum class Action { kRun, kHelp, kVersion, kBusName, kRefuse };
    Action action = Action::kRun;
    // --data-dir DIR: the folder to work in instead of the current directory.
    std::optional<std::string> dataDir;
    // --site: each address opens Add Web Site instead of going to Files.
    bool site = false;
    // The arguments that are addresses, in their order, as a drop adds them.
    std::vector<std::string> addresses;
    // The arguments that are neither options nor addresses; they add nothing.
    std::vector<std::string> refusedAddresses;
    // For kRefuse: what is wrong, for the terminal.
    std::string refusal;
};

// Reads the arguments after the program's name. --help and --version win
// over everything else, so they work whatever else is given. Unknown
// arguments are passed over while Qt's options may still be among them.
// An argument that does not start with '-' (or any after "--") is an
// address, one per argument.
ProgramOptions ReadProgramOptions(const std::vector<std::string>& arguments, bool qtOptionsRemoved);

// The texts of --help and --version, each ending with a newline.
std::string HelpText();
std::string VersionText();
