#include "support/tls_test_server.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include "support/temp_folder.h"

namespace {

using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertPtr = std::unique_ptr<X509, decltype(&X509_free)>;

constexpr unsigned char kTlsHandshakeRecord = 0x16;

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("test certificates: ") + what);
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Check(extension != nullptr && X509_add_ext(cert, extension, -1) == 1, "extension");
    X509_EXTENSION_free(extension);
}

// A certificate for the key, named `commonName`, signed by the issuer's key
// (itself when issuer is null); `altNames` makes it a server's certificate.
CertPtr MakeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey,
                        const char* altNames) {
    static long serial = 1;
    CertPtr cert(X509_new(), X509_free);
    Check(cert != nullptr, "certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 30L * 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName),
                               -1, -1, 0);
    X509* signer = issuer != nullptr ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
    AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    if (altNames == nullptr) {
        AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(cert.get(), signer, NID_authority_key_identifier, "keyid");
        AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
        AddExtension(cert.get(), signer, NID_subject_alt_name, altNames);
    }
    Check(X509_sign(cert.get(), issuerKey != nullptr ? issuerKey : key, EVP_sha256()) > 0, "signature");
    return cert;
}

KeyPtr MakeKey() {
    KeyPtr key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    Check(key != nullptr, "key");
    return key;
}

// The test authority, a stranger authority, and one server key with a
// certificate for each TestCertificate.
struct Certificates {
    KeyPtr authorityKey = MakeKey();
    CertPtr authority =
        MakeCertificate(authorityKey.get(), "Tarrawick Test Authority", nullptr, nullptr, nullptr);
    KeyPtr strangerKey = MakeKey();
    CertPtr stranger = MakeCertificate(strangerKey.get(), "Unknown Authority", nullptr, nullptr, nullptr);
    KeyPtr serverKey = MakeKey();
    CertPtr trusted = MakeCertificate(serverKey.get(), "127.0.0.1", authority.get(), authorityKey.get(),
                                      "IP:127.0.0.1,DNS:localhost");
    CertPtr unknownIssuer = MakeCertificate(serverKey.get(), "127.0.0.1", stranger.get(), strangerKey.get(),
                                            "IP:127.0.0.1,DNS:localhost");
    CertPtr otherName = MakeCertificate(serverKey.get(), "elsewhere.test", authority.get(),
                                        authorityKey.get(), "DNS:elsewhere.test");
    TempFolder folder;
    std::string authorityFile = (folder / "authority.pem").string();

    TestServerFiles serverFiles{(folder / "server.pem").string(), (folder / "server-key.pem").string()};

    Certificates() {
        WritePem(authorityFile, [&](std::FILE* file) { return PEM_write_X509(file, authority.get()); });
        WritePem(serverFiles.certificate,
                 [&](std::FILE* file) { return PEM_write_X509(file, trusted.get()); });
        WritePem(serverFiles.key, [&](std::FILE* file) {
            return PEM_write_PrivateKey(file, serverKey.get(), nullptr, nullptr, 0, nullptr, nullptr);
        });
    }

    template <typename Write>
    static void WritePem(const std::string& path, Write write) {
        std::FILE* file = std::fopen(path.c_str(), "w");
        Check(file != nullptr, "certificate file");
        const bool written = write(file) == 1;
        std::fclose(file);
        Check(written, "certificate file");
    }

    X509* For(TestCertificate which) const {
        switch (which) {
            case TestCertificate::kTrusted: return trusted.get();
            case TestCertificate::kUnknownIssuer: return unknownIssuer.get();
            case TestCertificate::kOtherName: return otherName.get();
        }
        return trusted.get();
    }
};

const Certificates& TheCertificates() {
    static const Certificates certificates;
    return certificates;
}

int ConnectToLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// One side of a relayed connection: the client's, plain or under TLS.
class ClientSide {
public:
    ClientSide(int fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}
    ~ClientSide() {
        if (ssl_ != nullptr) {
            SSL_shutdown(ssl_);
            SSL_free(ssl_);
        }
    }
    bool HasPending() const { return ssl_ != nullptr && SSL_pending(ssl_) > 0; }
    // Bytes received; 0 when the client has gone.
    ssize_t Receive(char* buffer, int size) {
        if (ssl_ == nullptr) return ::recv(fd_, buffer, static_cast<std::size_t>(size), 0);
        const int received = SSL_read(ssl_, buffer, size);
        return received > 0 ? received : 0;
    }
    bool Send(const char* bytes, int size) {
        if (ssl_ == nullptr) return SendAll(fd_, std::string_view(bytes, static_cast<std::size_t>(size)));
        return SSL_write(ssl_, bytes, size) == size;
    }

private:
    int fd_;
    SSL* ssl_;
};

}  // namespace

const std::string& TestAuthorityFile() { return TheCertificates().authorityFile; }

const TestServerFiles& TrustedServerFiles() { return TheCertificates().serverFiles; }

struct TlsTestServer::Tls {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context{SSL_CTX_new(TLS_server_method()), SSL_CTX_free};
};

TlsTestServer::TlsTestServer(TestCertificate certificate, int relayPort)
    : tls_(std::make_unique<Tls>()), relayPort_(relayPort) {
    // OpenSSL writes to the socket without MSG_NOSIGNAL: a client that
    // leaves (one refusing the certificate) must not end the test program.
    std::signal(SIGPIPE, SIG_IGN);
    const Certificates& certificates = TheCertificates();
    SSL_CTX* context = tls_->context.get();
    Check(context != nullptr && SSL_CTX_use_certificate(context, certificates.For(certificate)) == 1 &&
              SSL_CTX_use_PrivateKey(context, certificates.serverKey.get()) == 1,
          "server context");
    listener_ = ListenOnLoopback(port_);
    wakeup_ = ::eventfd(0, EFD_CLOEXEC);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TlsTestServer::~TlsTestServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int fd : openSockets_) ::shutdown(fd, SHUT_RDWR);
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeup_, &one, sizeof one);
    acceptThread_.join();
    for (std::thread& thread : relayThreads_) thread.join();
    ::close(listener_);
    ::close(wakeup_);
}

std::string TlsTestServer::HttpsUrl(std::string_view target) const {
    return "https://127.0.0.1:" + std::to_string(port_) + std::string(target);
}

std::string TlsTestServer::HttpUrl(std::string_view target) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(target);
}

std::size_t TlsTestServer::SecureConnections() const {
    std::lock_guard lock(mutex_);
    return secureConnections_;
}

void TlsTestServer::AcceptLoop() {
    AcceptUntilWoken(listener_, wakeup_, [this](int client) {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(client);
            return false;
        }
        openSockets_.insert(client);
        relayThreads_.emplace_back([this, client] { Relay(client); });
        return true;
    });
}

// Takes the client's first byte as the sign of a TLS handshake, then passes
// bytes both ways between the client and the plain server until either ends.
void TlsTestServer::Relay(int client) {
    unsigned char first = 0;
    SSL* ssl = nullptr;
    bool relayed = ::recv(client, &first, 1, MSG_PEEK) == 1;
    if (relayed && first == kTlsHandshakeRecord) {
        ssl = SSL_new(tls_->context.get());
        SSL_set_fd(ssl, client);
        relayed = SSL_accept(ssl) == 1;
        if (!relayed) {
            SSL_free(ssl);
            ssl = nullptr;
        }
    }
    int server = -1;
    if (relayed) {
        server = ConnectToLoopback(relayPort_ != 0 ? relayPort_ : backend.Port());
        std::lock_guard lock(mutex_);
        if (ssl != nullptr) ++secureConnections_;
        if (server >= 0) openSockets_.insert(server);
    }
    {
        ClientSide side(client, ssl);
        char buffer[16 * 1024];
        while (server >= 0) {
            pollfd watched[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (!side.HasPending() && ::poll(watched, 2, -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (side.HasPending() || watched[0].revents != 0) {
                const ssize_t received = side.Receive(buffer, sizeof buffer);
                if (received <= 0 ||
                    !SendAll(server, std::string_view(buffer, static_cast<std::size_t>(received))))
                    break;
            }
            if (watched[1].revents != 0) {
                const ssize_t received = ::recv(server, buffer, sizeof buffer, 0);
                if (received <= 0 || !side.Send(buffer, static_cast<int>(received))) break;
            }
        }
    }
    std::lock_guard lock(mutex_);
    openSockets_.erase(client);
    ::close(client);
    if (server >= 0) {
        openSockets_.erase(server);
        ::close(server);
    }
}
