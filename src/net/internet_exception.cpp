#include "net/internet_exception.h"

namespace {

// The message as one line of at most kMaxMessageLength characters: a line
// break or other control character from a server becomes a space, and
// trailing blanks go.
std::string OneLineMessage(std::string_view text) {
    std::string message(text.substr(0, InternetException::kMaxMessageLength));
    for (char& c : message) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    }
    while (!message.empty() && message.back() == ' ') message.pop_back();
    return message;
}

}  // namespace

InternetException::InternetException(InternetError error, std::string_view message)
    : error_(error), message_(OneLineMessage(message)) {}
