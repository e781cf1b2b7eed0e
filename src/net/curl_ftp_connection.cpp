#include "net/curl_ftp_connection.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "net/host_port.h"
#include "net/internet_exception.h"
#include "store/text_utils.h"

namespace {

constexpr int kDefaultFtpPort = 21;
constexpr const char* kUserNameMessage =
    "User names are not supported in FTP addresses: the login is anonymous";
constexpr const char* kInvalidServerMessage = "Invalid FTP server name";

bool IsHostNameCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsAsciiDigit(c) || c == '-' || c == '.' ||
           c == '_' || byte >= 0x80;  // international names are libcurl's to convert
}

bool IsIpv6Character(char c) {
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    }
    return false;
}

// A name that can stand for an entry of the current directory.
bool IsPlainName(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos && !HasControlCharacter(name);
}

// "ftp://host:port" for a server text. Only a host name or address and a
// port may stand there: a user name or a character that would end the host
// in an address ('/', '?', '#' ...) is refused before anything is looked up.
std::string FtpOrigin(std::string_view server) {
    if (server.find('@') != std::string_view::npos) {
        throw InternetException(InternetError::kUnsupportedScheme, kUserNameMessage);
    }
    const InternetException invalid(InternetError::kUnsupportedScheme, kInvalidServerMessage);
    const std::optional<HostPort> split = SplitHostPort(server);
    if (!split || split->host.empty() ||
        !std::all_of(split->host.begin(), split->host.end(),
                     split->bracketed ? IsIpv6Character : IsHostNameCharacter)) {
        throw invalid;
    }
    const std::optional<int> port = split->port ? PortNumber(*split->port) : kDefaultFtpPort;
    if (!port) throw invalid;
    const std::string host(split->host);
    return "ftp://" + (split->bracketed ? "[" + host + "]" : host) + ":" + std::to_string(*port);
}

// The path as it stands in an ftp address, every byte but the unreserved
// ones and the inner '/' percent-encoded, so the server is asked for the
// text as it is. A leading '/' is encoded too: an address's path is relative
// to the login directory, and libcurl reads "%2F" at its start as the root.
std::string AddressPath(std::string_view path) {
    std::string encoded;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsAsciiDigit(c) || c == '-' ||
                          c == '.' || c == '_' || c == '~' || (c == '/' && i > 0);
        encoded += keep ? std::string(1, c) : PercentEscape(c);
    }
    return encoded;
}

// The directory reached from `current` by a change to `directory`.
std::string JoinedDirectory(const std::string& current, const std::string& directory) {
    if (current.empty() || directory.starts_with('/')) return directory;
    if (directory.empty()) return current;
    return current.ends_with('/') ? current + directory : current + "/" + directory;
}

// A line of a name listing (NLST) that stands for the name; some servers
// list names with the directory before them.
bool ListsName(std::string_view line, std::string_view name) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line == name) return true;
    return line.size() > name.size() && line.ends_with(name) && line[line.size() - name.size() - 1] == '/';
}

// libcurl has no connection object: each operation is a transfer of its own
// on the session's multi handle, whose connection cache keeps the logged-in
// control connection for the next one (and logs in again when it was lost).
// The current directory is therefore kept here and named in each address;
// libcurl goes back to the login directory before it changes to it.
class CurlFtpConnection final : public FtpConnection {
public:
    CurlFtpConnection(std::shared_ptr<CurlPump> pump, const CurlTransferSettings& common,
                      std::string_view server)
        : pump_(std::move(pump)), common_(common), origin_(FtpOrigin(server)) {
        Start(FtpRequest::kChangeDirectory, DirectoryAddress(""));
    }

    bool SetCurrentDirectory(const std::string& directory) override {
        ThrowIfClosed();
        if (HasControlCharacter(directory)) return false;
        const std::string reached = JoinedDirectory(directory_, directory);
        if (!UnlessRefused([&] { Start(FtpRequest::kChangeDirectory, DirectoryAddress(reached)); })) {
            return false;
        }
        directory_ = reached;
        return true;
    }

    bool FindFile(const std::string& name) override {
        ThrowIfClosed();
        if (!IsPlainName(name)) return false;
        bool found = false;
        // The listing is read to its end, so the connection stays usable.
        const bool listed = UnlessRefused([&] {
            const std::unique_ptr<CurlTransfer> listing =
                Start(FtpRequest::kListNames, DirectoryAddress(directory_));
            std::string line;
            while (listing->ReadString(line)) found = found || ListsName(line, name);
        });
        return listed && found;
    }

    std::optional<std::int64_t> GetFileSize(const std::string& name) override {
        ThrowIfClosed();
        if (!IsPlainName(name)) return std::nullopt;
        std::optional<std::uint64_t> size;
        UnlessRefused([&] {
            size =
                Start(FtpRequest::kSize, DirectoryAddress(directory_) + AddressPath(name))->ContentLength();
        });
        if (!size) return std::nullopt;
        return static_cast<std::int64_t>(*size);
    }

    std::unique_ptr<InternetFile> OpenFile(const std::string& name, std::int64_t restartAt) override {
        ThrowIfClosed();
        if (!IsPlainName(name)) throw InternetException(InternetError::kRemoteRefused, "Invalid file name");
        return Start(FtpRequest::kRetrieve, DirectoryAddress(directory_) + AddressPath(name), restartAt);
    }

    void Close() override { closed_ = true; }

private:
    // Starts the transfer and waits until its answer has begun (for a change
    // of directory: until it has ended).
    std::unique_ptr<CurlTransfer> Start(FtpRequest request, const std::string& address,
                                        std::int64_t restartAt = 0) {
        CurlTransferSettings settings = common_;
        settings.url = address;
        settings.ftp = request;
        settings.restartAt = restartAt;
        if (request != FtpRequest::kRetrieve) settings.bandwidth.reset();  // only files share the limit
        return std::make_unique<CurlTransfer>(pump_, settings);
    }

    // Runs the request; false when the server refused it, while any other
    // failure is raised.
    template <typename Request>
    static bool UnlessRefused(Request request) {
        try {
            request();
            return true;
        } catch (const InternetException& error) {
            if (error.Error() == InternetError::kRemoteRefused) return false;
            throw;
        }
    }

    std::string DirectoryAddress(const std::string& directory) const {
        return origin_ + "/" + (directory.empty() ? std::string() : AddressPath(directory) + "/");
    }

    void ThrowIfClosed() const {
        if (closed_) throw InternetException(InternetError::kClosed, "The connection is closed");
    }

    std::shared_ptr<CurlPump> pump_;
    const CurlTransferSettings common_;
    const std::string origin_;
    // Relative to the login directory, or absolute; empty: the login directory.
    std::string directory_;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<FtpConnection> ConnectCurlFtp(std::shared_ptr<CurlPump> pump,
                                              const CurlTransferSettings& common, std::string_view server) {
    return std::make_unique<CurlFtpConnection>(std::move(pump), common, server);
}
