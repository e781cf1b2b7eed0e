#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

// What went wrong in the Internet client, coarse enough for a worker or a
// fake to tell the cases apart.
enum class InternetError : int {
    kOther = 1,
    kUnsupportedScheme,  // not http, https or ftp, or a malformed address
    kNameNotResolved,    // unknown host
    kCannotConnect,      // refused or unreachable
    kTimedOut,
    kConnectionBroken,  // reset, closed early or otherwise cut in mid-transfer
    kTooManyRedirects,
    kHttpStatus,      // the server answered 400 or above
    kRemoteRefused,   // an FTP server refused the directory or file asked for
    kAborted,         // the session was aborted (program exit)
    kClosed,          // a call on a file or session that was already closed
    kRestartRefused,  // an FTP server cannot start the file at the offset asked for
    kProxyRefused,    // the proxy refused the login or the connection asked of it
    kLoginRequired,   // the server answered 401: it wants a login or refused the one sent
};

// An error of the Internet client: a code and a one-line message text of at
// most 199 characters, without a trailing line break (callers use it as it is).
class InternetException : public std::exception {
public:
    static constexpr std::size_t kMaxMessageLength = 199;

    InternetException(InternetError error, std::string_view message);

    InternetError Error() const { return error_; }
    int Code() const { return static_cast<int>(error_); }
    const std::string& Message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    InternetError error_;
    std::string message_;
};
