#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

// A real FTP server for tests: Debian's pyftpdlib serving a folder to
// anonymous users, read-only, with active transfers allowed, on a free port
// of 127.0.0.1 (tests/support/ftp_test_server.py). It runs in a process group
// of its own that is killed with this object, and with the test program
// should that die first.
class TestFtpServer {
public:
    // With holdAfter, every file transfer stops after that many bytes until
    // Release() lets it go on. With a listing reply, every name listing
    // (NLST) is answered with that reply line and lists nothing. Each of
    // `refused` (REST, PORT ...) is answered with 502, as by a server that
    // lacks the command. With a user ("name:password"), only that user may
    // log in, and not anonymously. Throws std::runtime_error when the server
    // does not start.
    explicit TestFtpServer(const std::filesystem::path& root,
                           std::optional<std::size_t> holdAfter = std::nullopt,
                           std::string_view listingReply = {}, const std::vector<std::string>& refused = {},
                           std::string_view user = {});
    ~TestFtpServer();
    TestFtpServer(const TestFtpServer&) = delete;
    TestFtpServer& operator=(const TestFtpServer&) = delete;

    int Port() const { return port_; }
    // "127.0.0.1:<port>", as it stands in an address.
    std::string Server() const;
    // "ftp://127.0.0.1:<port>" followed by the path.
    std::string Url(std::string_view path) const;
    // Lets the transfer that is held go on.
    void Release();

private:
    void Stop();

    pid_t pid_ = -1;
    int input_ = -1;  // the server's standard input
    int port_ = 0;
};
