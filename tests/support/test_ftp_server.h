#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_server.h"

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
    TestFtpServer(const TestFtpServer&) = delete;
    TestFtpServer& operator=(const TestFtpServer&) = delete;

    int Port() const { return server_.Port(); }
    // "127.0.0.1:<port>", as it stands in an address.
    std::string Server() const;
    // "ftp://127.0.0.1:<port>" followed by the path.
    std::string Url(std::string_view path) const;
    // Lets the transfer that is held go on.
    void Release();

private:
    static std::vector<std::string> Arguments(const std::filesystem::path& root,
                                              std::optional<std::size_t> holdAfter,
                                              std::string_view listingReply,
                                              const std::vector<std::string>& refused, std::string_view user);
    // The password of a user ("name:password") for the server's environment.
    static std::vector<std::string> Environment(std::string_view user);

    ChildServer server_;
};
