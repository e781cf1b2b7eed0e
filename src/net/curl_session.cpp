#include "net/curl_session.h"

#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include <curl/curl.h>

#include "net/curl_ftp_connection.h"
#include "net/curl_pump.h"
#include "net/curl_transfer.h"
#include "net/internet_exception.h"
#include "net/server_login.h"
#include "store/text_utils.h"

namespace {

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            throw std::runtime_error("The Internet client could not be initialised");
        }
    });
}

// "http://server:port/object", with an IPv6 address in brackets.
std::string RequestUrl(const HttpRequest& request) {
    const bool ipv6 = request.server.find(':') != std::string::npos;
    std::string url = request.secure ? "https://" : "http://";
    url += ipv6 ? "[" + request.server + "]" : request.server;
    url += ":" + std::to_string(request.port);
    if (request.object.empty() || request.object.front() != '/') url += '/';
    url += request.object;
    return url;
}

class CurlAnswerAhead final : public AnswerAhead {
public:
    explicit CurlAnswerAhead(std::unique_ptr<CurlTransfer> transfer) : transfer_(std::move(transfer)) {}

    bool HasBegun() const override { return transfer_->AnswerBegun(); }
    bool HasEnded() const override { return transfer_->Ended(); }
    std::unique_ptr<HttpFile> Take() override {
        transfer_->AwaitAnswer();
        return std::move(transfer_);
    }
    bool AwaitBeginOrOtherEnd() override { return transfer_->AwaitAnswerOrOtherEnd(); }
    std::optional<std::string_view> ArrivedBodyOf200() const override {
        if (transfer_->QueryInfoStatusCode() != 200) return std::nullopt;
        return transfer_->WholeUnreadBody();
    }
    std::size_t HeldBytes() const override { return transfer_->HeldBytes(); }
    int EndedStatus() const override { return transfer_->Ended() ? transfer_->QueryInfoStatusCode() : 0; }
    std::string Header(std::string_view name) const override { return transfer_->QueryInfoHeader(name); }

private:
    std::unique_ptr<CurlTransfer> transfer_;
};

class CurlSession final : public InternetSession {
public:
    explicit CurlSession(const CurlSessionSettings& settings,
                         std::shared_ptr<BandwidthGroup> bandwidth = nullptr)
        : settings_(settings),
          budget_(settings.descriptors),
          descriptors_(settings.descriptors),
          agent_(settings.agent),
          extraCaFile_(settings.extraCaFile),
          silenceLimit_(settings.silenceLimit),
          pump_(std::make_shared<CurlPump>(settings.abort)),
          bandwidth_(bandwidth            ? std::move(bandwidth)
                     : settings.bandwidth ? std::make_shared<BandwidthGroup>(settings.bandwidth)
                                          : nullptr) {}

    std::unique_ptr<HttpFile> OpenURL(const std::string& url, const OpenUrlOptions& options) override {
        CurlTransferSettings transfer = CommonSettings();
        transfer.url = url;
        transfer.headers = options.headers;
        transfer.maxRedirects = options.maxRedirects;
        transfer.failOnHttpError = options.failOnHttpError;
        transfer.login = LoginFor(url);
        return std::make_unique<CurlTransfer>(pump_, transfer);
    }

    std::unique_ptr<HttpFile> SendRequest(const HttpRequest& request) override {
        CurlTransferSettings transfer = CommonSettings();
        transfer.url = RequestUrl(request);
        transfer.verb = request.verb;
        transfer.headers = request.headers;
        transfer.login = LoginFor(transfer.url);
        transfer.pipeWait = PipeWait(request);
        return std::make_unique<CurlTransfer>(pump_, transfer);
    }

    std::unique_ptr<AnswerAhead> SendRequestAhead(const HttpRequest& request) override {
        CurlTransferSettings transfer = CommonSettings();
        transfer.url = RequestUrl(request);
        transfer.verb = request.verb;
        transfer.headers = request.headers;
        transfer.pipeWait = PipeWait(request);
        return std::make_unique<CurlAnswerAhead>(
            std::make_unique<CurlTransfer>(pump_, transfer, CurlTransfer::Start::kAhead));
    }

    // The first connection is in the session's own share.
    void SetRequestsAtOnce(int count) override {
        extraConnections_.reset();
        if (count > 1) extraConnections_.emplace(budget_, static_cast<std::uint64_t>(count - 1));
        pump_->LimitHostConnections(count);
        pipeWait_ = count > 1;
    }

    std::unique_ptr<FtpConnection> GetFtpConnection(const std::string& server) override {
        CurlTransferSettings common = CommonSettings();
        const std::string host = WithoutLoginUser(server);
        common.login = LoginFor("ftp://" + host);
        return ConnectCurlFtp(pump_, common, host);
    }

    void AddLogin(const ServerLogin& login) override {
        std::erase_if(logins_, [&](const ServerLogin& known) { return known.origin == login.origin; });
        logins_.push_back(login);
    }

    void SetConnectTimeout(std::chrono::milliseconds timeout) override { connectTimeout_ = timeout; }

    void SetTransferOptions(const TransferOptions& options) override { options_ = options; }

    std::unique_ptr<InternetSession> OpenCompanion() override {
        if (bandwidth_) bandwidth_->CountAsOne();
        auto companion = std::make_unique<CurlSession>(settings_, bandwidth_);
        companion->options_ = options_;
        companion->logins_ = logins_;  // each still goes only to its own server
        companion->connectTimeout_ = connectTimeout_;
        return companion;
    }

    void Close() override { closed_ = true; }

    void Abort() override { pump_->Abort(); }

    void SetHeld(bool held) override {
        if (bandwidth_) bandwidth_->SetHeld(held);
    }

private:
    // A request beside others waits for a connection that may carry them
    // all. Only TLS tells (ALPN) whether a server multiplexes: over plain
    // http a transfer would wait for nothing.
    bool PipeWait(const HttpRequest& request) const { return pipeWait_ && request.secure; }

    std::optional<ServerLogin> LoginFor(const std::string& url) const {
        const std::optional<LoginOrigin> origin = LoginOriginOf(url);
        const ServerLogin* login = origin ? FindLogin(logins_, *origin) : nullptr;
        if (login == nullptr) return std::nullopt;
        return *login;
    }

    // "user@host:port" without "user@" when the server's login is that
    // user's; otherwise as it stands, for the connection to refuse.
    std::string WithoutLoginUser(const std::string& server) const {
        const std::size_t at = server.rfind('@');
        if (at == std::string::npos) return server;
        const std::string host = server.substr(at + 1);
        const std::optional<ServerLogin> login = LoginFor("ftp://" + host);
        return login && login->user == PercentDecoded(server.substr(0, at)) ? host : server;
    }

    CurlTransferSettings CommonSettings() const {
        if (closed_) throw InternetException(InternetError::kClosed, "The session is closed");
        pump_->ThrowIfAborted();
        CurlTransferSettings transfer;
        transfer.agent = agent_;
        transfer.connectTimeout = connectTimeout_;
        transfer.silenceLimit = silenceLimit_;
        transfer.ftpPassive = options_.ftpPassive || options_.proxy.mode == ProxyMode::kManual;
        transfer.proxy = options_.proxy;
        if (bandwidth_ && options_.speedLimit > 0) {
            transfer.bandwidth = bandwidth_;
            transfer.speedLimit = options_.speedLimit;
        }
        transfer.extraCaFile = extraCaFile_;
        return transfer;
    }

    const CurlSessionSettings settings_;
    std::shared_ptr<DescriptorBudget> budget_;
    DescriptorShare descriptors_;  // taken before the multi handle opens its wake-up pair
    std::optional<DescriptorShare> extraConnections_;
    std::string agent_;
    std::string extraCaFile_;
    std::chrono::milliseconds silenceLimit_;
    std::shared_ptr<CurlPump> pump_;
    std::shared_ptr<BandwidthGroup> bandwidth_;
    TransferOptions options_;
    std::vector<ServerLogin> logins_;
    std::chrono::milliseconds connectTimeout_{0};
    bool closed_ = false;
    bool pipeWait_ = false;
};

}  // namespace

std::unique_ptr<InternetSession> OpenCurlSession(const CurlSessionSettings& settings) {
    InitialiseCurlOnce();
    return std::make_unique<CurlSession>(settings);
}

InternetSessionFactory CurlSessionFactory(CurlSessionSettings settings) {
    if (!settings.bandwidth) settings.bandwidth = std::make_shared<BandwidthShare>();
    return [settings = std::move(settings)] { return OpenCurlSession(settings); };
}
