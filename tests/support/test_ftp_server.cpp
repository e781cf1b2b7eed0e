#include "support/test_ftp_server.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>

namespace {

constexpr const char* kPython = "/usr/bin/python3";  // Debian's, which has pyftpdlib
constexpr int kStartBoundMilliseconds = 20000;       // turns a hang into a failure

struct Pipe {
    int read = -1;
    int write = -1;
};

Pipe MakePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    return {fds[0], fds[1]};
}

// The server's standard input: a socket, so that writing to a server that
// has gone fails instead of raising SIGPIPE.
Pipe MakeInputChannel() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        throw std::runtime_error("socketpair failed");
    return {fds[0], fds[1]};
}

// In the child, between fork and exec: only calls that are safe there.
[[noreturn]] void ExecServer(pid_t parent, const Pipe& input, const Pipe& output,
                             const std::vector<char*>& argv, const std::vector<char*>& envp) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);  // the test program has already gone
    ::dup2(input.read, STDIN_FILENO);
    ::dup2(output.write, STDOUT_FILENO);
    ::execve(kPython, argv.data(), envp.data());
    ::_exit(127);
}

// The first line the server writes: its port.
int ReadPort(int fd) {
    std::string line;
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, kStartBoundMilliseconds) <= 0)
            throw std::runtime_error("the FTP server did not start");
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error("the FTP server ended before it listened");
        if (c == '\n') break;
        line += c;
    }
    return std::stoi(line);
}

}  // namespace

TestFtpServer::TestFtpServer(const std::filesystem::path& root, std::optional<std::size_t> holdAfter,
                             std::string_view listingReply, const std::vector<std::string>& refused,
                             std::string_view user) {
    std::vector<std::string> args{kPython, TARRAWICK_FTP_TEST_SERVER, root.string()};
    for (const std::string& command : refused) {
        args.emplace_back("--refuse");
        args.push_back(command);
    }
    if (holdAfter) {
        args.emplace_back("--hold-after");
        args.push_back(std::to_string(*holdAfter));
    }
    if (!listingReply.empty()) {
        args.emplace_back("--listing-reply");
        args.emplace_back(listingReply);
    }
    // The password goes in the server's environment, never in its arguments.
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) environment.emplace_back(*variable);
    if (!user.empty()) {
        const std::size_t colon = user.find(':');
        args.emplace_back("--user");
        args.emplace_back(user.substr(0, colon));
        environment.push_back("FTP_TEST_SERVER_PASSWORD=" +
                              std::string(colon == std::string_view::npos ? "" : user.substr(colon + 1)));
    }
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);

    const Pipe input = MakeInputChannel();
    const Pipe output = MakePipe();
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) ExecServer(parent, input, output, argv, envp);
    if (pid_ > 0) ::setpgid(pid_, pid_);  // as the child does, whichever comes first
    ::close(input.read);
    ::close(output.write);
    input_ = input.write;
    if (pid_ < 0) {
        ::close(output.read);
        ::close(input_);
        throw std::runtime_error("fork failed");
    }
    try {
        port_ = ReadPort(output.read);
    } catch (...) {
        ::close(output.read);
        Stop();
        throw;
    }
    ::close(output.read);
}

TestFtpServer::~TestFtpServer() { Stop(); }

void TestFtpServer::Stop() {
    if (pid_ > 0) {
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);  // in case it had not yet made its group
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
        pid_ = -1;
    }
    if (input_ >= 0) ::close(input_);
    input_ = -1;
}

std::string TestFtpServer::Server() const { return "127.0.0.1:" + std::to_string(port_); }

std::string TestFtpServer::Url(std::string_view path) const {
    return "ftp://" + Server() + std::string(path);
}

void TestFtpServer::Release() {
    const char line = '\n';
    if (::send(input_, &line, 1, MSG_NOSIGNAL) != 1) throw std::runtime_error("the FTP server is gone");
}
