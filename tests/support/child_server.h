#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

// A test server that is a program of its own: Debian's python3 running a
// script, in a process group of its own that is killed with this object, and
// with the test program should that die first. The first line it writes is
// the port it listens on.
class ChildServer {
public:
    // `args` follow the interpreter (the script first). With
    // `keepOutput` its output after the port can be read (ReadLine); else
    // it is closed. `extraEnvironment` ("NAME=value") is added to the
    // test's own. Throws std::runtime_error, naming `what`, when it does
    // not start.
    ChildServer(const std::vector<std::string>& args, std::string_view what, bool keepOutput = false,
                const std::vector<std::string>& extraEnvironment = {});
    ~ChildServer();
    ChildServer(const ChildServer&) = delete;
    ChildServer& operator=(const ChildServer&) = delete;

    int Port() const { return port_; }
    // Writes the line and its line feed to the server's standard input;
    // throws std::runtime_error when the server has gone.
    void SendLine(std::string_view line = {});
    // The server's next line of output, without its line feed.
    std::string ReadLine();

private:
    void Stop();

    std::string what_;
    pid_t pid_ = -1;
    int input_ = -1;   // the server's standard input
    int output_ = -1;  // its standard output
    int port_ = 0;
};
