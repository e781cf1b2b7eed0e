#include "support/test_proxy_server.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <string_view>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include "store/text_utils.h"
#include "support/test_http_server.h"

namespace {

constexpr std::size_t kMaxHead = 64 * 1024;

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - at);
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            const auto byte = i < count ? static_cast<unsigned char>(bytes[at + i]) : 0u;
            group = (group << 8) | byte;
        }
        for (std::size_t digit = 0; digit < 4; ++digit) {
            text += digit <= count ? kDigits[(group >> (18 - 6 * digit)) & 0x3f] : '=';
        }
    }
    return text;
}

bool ReceiveExactly(int fd, void* buffer, std::size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t received = ::recv(fd, bytes, size, 0);
        if (received < 0 && errno == EINTR) continue;
        if (received <= 0) return false;
        bytes += received;
        size -= static_cast<std::size_t>(received);
    }
    return true;
}

// The head up to its blank line, and in `rest` what came after it.
bool ReceiveHead(int fd, std::string& head, std::string& rest) {
    std::string received;
    char block[4096];
    while (received.find("\r\n\r\n") == std::string::npos) {
        if (received.size() > kMaxHead) return false;
        const ssize_t count = ::recv(fd, block, sizeof block, 0);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        received.append(block, static_cast<std::size_t>(count));
    }
    const std::size_t end = received.find("\r\n\r\n") + 4;
    head = received.substr(0, end);
    rest = received.substr(end);
    return true;
}

// The port of "host:port" when the host is this machine's loopback; 0 otherwise.
int LoopbackPort(std::string_view authority) {
    const std::size_t colon = authority.rfind(':');
    if (colon == std::string_view::npos) return 0;
    const std::string_view host = authority.substr(0, colon);
    if (host != "127.0.0.1" && host != "localhost") return 0;
    const int port = LeadingNumber(authority.substr(colon + 1));
    return port > 0 && port <= 65535 ? port : 0;
}

}  // namespace

TestProxyServer::TestProxyServer(TestProxyKind kind, std::string user, std::string password)
    : kind_(kind), user_(std::move(user)), password_(std::move(password)) {
    listener_ = ListenOnLoopback(port_);
    wakeup_ = ::eventfd(0, EFD_CLOEXEC);
    acceptThread_ = std::thread([this] {
        AcceptUntilWoken(listener_, wakeup_, [this](int client) {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                ::close(client);
                return false;
            }
            openSockets_.insert(client);
            clientThreads_.emplace_back([this, client] { Serve(client); });
            return true;
        });
    });
}

TestProxyServer::~TestProxyServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int fd : openSockets_) ::shutdown(fd, SHUT_RDWR);
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeup_, &one, sizeof one);
    acceptThread_.join();
    for (std::thread& thread : clientThreads_) thread.join();
    ::close(listener_);
    ::close(wakeup_);
}

std::vector<std::string> TestProxyServer::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void TestProxyServer::Note(std::string line) {
    std::lock_guard lock(mutex_);
    log_.push_back(std::move(line));
}

void TestProxyServer::Serve(int client) {
    if (kind_ == TestProxyKind::kHttp) {
        ServeHttp(client);
    } else {
        ServeSocks(client);
    }
    std::lock_guard lock(mutex_);
    openSockets_.erase(client);
    ::close(client);
}

int TestProxyServer::Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    std::lock_guard lock(mutex_);
    if (stopping_) {
        ::close(fd);
        return -1;
    }
    openSockets_.insert(fd);
    return fd;
}

void TestProxyServer::Relay(int client, int server, const std::string& early) {
    char buffer[16 * 1024];
    bool open = SendAll(server, early);
    while (open) {
        pollfd watched[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int side = 0; side < 2 && open; ++side) {
            if (watched[side].revents == 0) continue;
            const ssize_t received = ::recv(watched[side].fd, buffer, sizeof buffer, 0);
            const int other = side == 0 ? server : client;
            open =
                received > 0 && SendAll(other, std::string_view(buffer, static_cast<std::size_t>(received)));
        }
    }
    std::lock_guard lock(mutex_);
    openSockets_.erase(server);
    ::close(server);
}

// The request line and the headers are passed on, the proxy's own headers
// dropped; an absolute address becomes the path alone.
void TestProxyServer::ServeHttp(int client) {
    std::string head;
    std::string rest;
    if (!ReceiveHead(client, head, rest)) return;
    const std::size_t lineEnd = head.find("\r\n");
    const std::string_view line = std::string_view(head).substr(0, lineEnd);
    const std::size_t space = line.find(' ');
    const std::size_t secondSpace = line.find(' ', space + 1);
    if (space == std::string_view::npos || secondSpace == std::string_view::npos) return;
    const std::string_view method = line.substr(0, space);
    const std::string_view target = line.substr(space + 1, secondSpace - space - 1);

    std::string headers;
    std::string authorization;
    std::string_view lines = std::string_view(head).substr(lineEnd + 2);
    while (!lines.empty() && !lines.starts_with("\r\n")) {
        const std::size_t end = lines.find("\r\n");
        const std::string_view header = lines.substr(0, end);
        lines.remove_prefix(end + 2);
        if (StartsWithNoCase(header, "Proxy-Authorization:")) {
            authorization = TrimBlanks(header.substr(20));
        } else if (!StartsWithNoCase(header, "Proxy-Connection:")) {
            headers.append(header).append("\r\n");
        }
    }
    if (!user_.empty() && authorization != "Basic " + Base64(user_ + ":" + password_)) {
        Note("407");
        SendAll(client,
                "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"test\"\r\n"
                "Content-Length: 0\r\nConnection: close\r\n\r\n");
        return;
    }
    if (method == "CONNECT") {
        const int server = Connect(LoopbackPort(target));
        Note("CONNECT " + std::string(target));
        if (server < 0) {
            SendAll(client, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
            return;
        }
        if (SendAll(client, "HTTP/1.1 200 Connection established\r\n\r\n")) Relay(client, server, rest);
        return;
    }
    if (!target.starts_with("http://")) return;
    const std::string_view address = target.substr(7);
    const std::size_t slash = address.find('/');
    const std::string_view authority = address.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? "/" : address.substr(slash);
    Note(std::string(method) + " " + std::string(target));
    const int server = Connect(LoopbackPort(authority));
    if (server < 0) {
        SendAll(client, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
        return;
    }
    Relay(client, server,
          std::string(method) + " " + std::string(path) + " HTTP/1.1\r\n" + headers + "\r\n" + rest);
}

void TestProxyServer::ServeSocks(int client) {
    unsigned char greeting[2];
    unsigned char methods[255];
    if (!ReceiveExactly(client, greeting, 2) || greeting[0] != 5 ||
        !ReceiveExactly(client, methods, greeting[1])) {
        return;
    }
    const unsigned char wanted = user_.empty() ? 0 : 2;
    bool offered = false;
    for (int i = 0; i < greeting[1]; ++i) offered = offered || methods[i] == wanted;
    if (!offered) {
        Note("SOCKS no method");
        SendAll(client, std::string("\x05\xff", 2));
        return;
    }
    if (!SendAll(client, std::string{'\x05', static_cast<char>(wanted)})) return;
    if (wanted == 2) {
        unsigned char length = 0;
        std::string user;
        std::string password;
        unsigned char version = 0;
        if (!ReceiveExactly(client, &version, 1) || !ReceiveExactly(client, &length, 1)) return;
        user.resize(length);
        if (!ReceiveExactly(client, user.data(), length) || !ReceiveExactly(client, &length, 1)) return;
        password.resize(length);
        if (!ReceiveExactly(client, password.data(), length)) return;
        const bool accepted = user == user_ && password == password_;
        // Noted before the answer, which lets the test read the log at once.
        if (!accepted) Note("SOCKS login refused");
        SendAll(client, std::string{'\x01', accepted ? '\x00' : '\x01'});
        if (!accepted) return;
    }
    unsigned char request[4];
    if (!ReceiveExactly(client, request, 4) || request[0] != 5 || request[1] != 1) return;
    std::string host;
    std::string note = "SOCKS ";
    if (request[3] == 1) {
        unsigned char address[4];
        if (!ReceiveExactly(client, address, 4)) return;
        for (int i = 0; i < 4; ++i) host += (i > 0 ? "." : "") + std::to_string(address[i]);
    } else if (request[3] == 3) {
        unsigned char length = 0;
        if (!ReceiveExactly(client, &length, 1)) return;
        host.resize(length);
        if (!ReceiveExactly(client, host.data(), length)) return;
        note += "name ";
    } else {
        return;
    }
    unsigned char portBytes[2];
    if (!ReceiveExactly(client, portBytes, 2)) return;
    const std::string authority = host + ":" + std::to_string(portBytes[0] * 256 + portBytes[1]);
    Note(note + authority);
    const int server = Connect(LoopbackPort(authority));
    // Reply 5 (connection refused) or 0 (succeeded), bound to 0.0.0.0:0.
    const char status = server < 0 ? '\x05' : '\x00';
    const std::string reply{'\x05', status, '\x00', '\x01', '\x00', '\x00', '\x00', '\x00', '\x00', '\x00'};
    if (SendAll(client, reply) && server >= 0) {
        Relay(client, server, "");
    } else if (server >= 0) {
        std::lock_guard lock(mutex_);
        openSockets_.erase(server);
        ::close(server);
    }
}
