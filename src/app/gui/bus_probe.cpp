#include "app/gui/bus_probe.h"

#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>

#include <QList>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

// The socket of the address's first Unix entry; false when it has none.
bool UnixSocketOf(const QByteArray& address, sockaddr_un& socketAddress, socklen_t& length) {
    for (const QByteArray& entry : address.split(';')) {
        if (!entry.startsWith("unix:")) continue;
        for (const QByteArray& pair : entry.mid(5).split(',')) {
            const bool abstract = pair.startsWith("abstract=");
            if (!abstract && !pair.startsWith("path=")) continue;
            const QByteArray path = QByteArray::fromPercentEncoding(pair.mid(pair.indexOf('=') + 1));
            // The abstract name goes after a zero byte.
            const std::size_t offset = abstract ? 1 : 0;
            if (path.isEmpty() ||
                offset + static_cast<std::size_t>(path.size()) >= sizeof(socketAddress.sun_path))
                return false;
            socketAddress = {};
            socketAddress.sun_family = AF_UNIX;
            std::memcpy(socketAddress.sun_path + offset, path.constData(),
                        static_cast<std::size_t>(path.size()));
            length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                            static_cast<std::size_t>(path.size()) + (abstract ? 0 : 1));
            return true;
        }
        return false;
    }
    return false;
}

// A zero byte, then the request to authenticate by the peer's credentials,
// with the user id as hexadecimal digits of its decimal text.
std::string GreetingOpening() {
    const std::string uid = std::to_string(::getuid());
    std::string hex;
    for (const char digit : uid) {
        constexpr const char* kDigits = "0123456789abcdef";
        hex += kDigits[static_cast<unsigned char>(digit) >> 4];
        hex += kDigits[static_cast<unsigned char>(digit) & 0xf];
    }
    return std::string(1, '\0') + "AUTH EXTERNAL " + hex + "\r\n";
}

}  // namespace

bool BusAnswers(const QByteArray& address, std::chrono::milliseconds bound) {
    sockaddr_un socketAddress{};
    socklen_t length = 0;
    if (!UnixSocketOf(address, socketAddress, length)) return !address.startsWith("unix:");
    const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (client < 0) return false;
    const std::string greeting = GreetingOpening();
    bool answered = ::connect(client, reinterpret_cast<const sockaddr*>(&socketAddress), length) == 0 &&
                    ::send(client, greeting.data(), greeting.size(), MSG_NOSIGNAL) ==
                        static_cast<ssize_t>(greeting.size());
    if (answered) {
        pollfd reply{client, POLLIN, 0};
        char byte = 0;
        answered =
            ::poll(&reply, 1, static_cast<int>(bound.count())) == 1 && ::recv(client, &byte, 1, 0) == 1;
    }
    ::close(client);
    return answered;
}
