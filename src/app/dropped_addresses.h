#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a drop or a paste holds: addresses one a line, as a list of URIs
// (whose comment lines start with '#') or as plain text. A line is an
// address when it is one token naming an HTTP, HTTPS or FTP server, or a
// host name with a dot followed by a path, to which Add File(s) puts
// "http://" in front, and when it fits a file entry whole.
struct DroppedAddresses {
    std::vector<std::string> addresses;
    std::vector<std::string> refused;  // the other lines, without their blanks at the ends
};

DroppedAddresses SplitDroppedText(std::string_view text);
// The same for a command line or a bus call: one address per argument, so
// an argument holding a line break is refused whole.
DroppedAddresses SplitArguments(const std::vector<std::string>& arguments);

// The message that names the refused lines (the first few, each cut short).
std::string RefusalMessage(const std::vector<std::string>& refused);
