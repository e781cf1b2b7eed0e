#include "support/child_server.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>

namespace {

constexpr const char* kPython = "/usr/bin/python3";  // Debian's, with the servers' modules
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

// The next line the server writes, without its line feed.
std::string ReadLineFrom(int fd, const std::string& what) {
    std::string line;
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, kStartBoundMilliseconds) <= 0)
            throw std::runtime_error(what + " did not answer");
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error(what + " has ended");
        if (c == '\n') return line;
        line += c;
    }
}

}  // namespace

ChildServer::ChildServer(const std::vector<std::string>& args, std::string_view what, bool keepOutput,
                         const std::vector<std::string>& extraEnvironment)
    : what_(what) {
    std::vector<std::string> command{kPython};
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : command) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // Secrets go in the environment, never in the arguments, which every
    // process can read.
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) environment.emplace_back(*variable);
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
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
    output_ = output.read;
    if (pid_ < 0) {
        Stop();
        throw std::runtime_error("fork failed");
    }
    try {
        port_ = std::stoi(ReadLine());
    } catch (...) {
        Stop();
        throw;
    }
    if (!keepOutput) {
        ::close(output_);
        output_ = -1;
    }
}

ChildServer::~ChildServer() { Stop(); }

void ChildServer::Stop() {
    if (pid_ > 0) {
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);  // in case it had not yet made its group
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
        pid_ = -1;
    }
    for (int* fd : {&input_, &output_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void ChildServer::SendLine(std::string_view line) {
    const std::string bytes = std::string(line) + "\n";
    if (::send(input_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) {
        throw std::runtime_error(what_ + " is gone");
    }
}

std::string ChildServer::ReadLine() {
    if (output_ < 0) throw std::runtime_error(what_ + ": its output was not kept");
    return ReadLineFrom(output_, what_);
}
