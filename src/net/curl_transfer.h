#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <curl/curl.h>

#include "net/bandwidth_share.h"
#include "net/curl_pump.h"
#include "net/http_head.h"
#include "net/internet_exception.h"
#include "net/internet_file.h"
#include "net/proxy_options.h"
#include "net/server_login.h"

// What an FTP transfer of the FTP connection asks of the server: only the
// change to the address's directory, the names in that directory (NLST), or
// the file (in binary), or the file's size (SIZE). Such transfers are active
// (the server connects back) unless asked to be passive, and reach the
// directory with one CWD of its whole path. kDefault: libcurl's own way for
// an ftp address opened as a URL.
enum class FtpRequest { kDefault, kChangeDirectory, kListNames, kRetrieve, kSize };

// What one transfer asks for.
struct CurlTransferSettings {
    std::string url;
    std::string agent;
    std::string verb = "GET";
    std::string headers;   // header lines, each ended by "\r\n"
    int maxRedirects = 0;  // 0: redirections are not followed
    bool failOnHttpError = false;
    std::chrono::milliseconds connectTimeout{0};  // 0: libcurl's own
    std::chrono::milliseconds silenceLimit{0};    // 0: none
    // Certificate authorities trusted besides the system's store (a PEM file).
    std::string extraCaFile;
    // A new connection waits for one being made to the same server, to
    // share it when the server multiplexes (HTTP/2), instead of opening
    // another at once.
    bool pipeWait = false;
    FtpRequest ftp = FtpRequest::kDefault;
    bool ftpPassive = false;
    std::int64_t restartAt = 0;  // kRetrieve: REST to this offset first
    // The speed limit (bytes per second) this transfer shares with the
    // others of the share, through its session's group; none without one or
    // with 0.
    std::shared_ptr<BandwidthGroup> bandwidth;
    std::int64_t speedLimit = 0;
    ProxyOptions proxy;
    // The login of the address's own origin, if one was given. libcurl
    // sends it to that origin only: not to a redirection's target on another
    // host, port or scheme.
    std::optional<ServerLogin> login;
};

// One libcurl easy handle on the session's multi handle, read by pulling: the
// body is buffered only a bounded amount ahead of the reader, beyond which
// the transfer is paused until the reader has caught up.
class CurlTransfer final : public HttpFile, private CurlPump::Listener {
public:
    enum class Start { kWaitForAnswer, kAhead };

    // Starts the transfer and waits until its answer has begun; raises
    // InternetException when it cannot begin, or for an answer of 400 or
    // above when the settings say so. kAhead returns once the transfer is
    // on the pump; AwaitAnswer then does the waiting.
    CurlTransfer(std::shared_ptr<CurlPump> pump, const CurlTransferSettings& settings,
                 Start start = Start::kWaitForAnswer);
    ~CurlTransfer() override;

    void SetReadBufferSize(std::size_t bytes) override;
    std::size_t Read(void* buffer, std::size_t maxBytes) override;
    bool ReadString(std::string& line) override;
    void Close() override;
    void Interrupt() override;
    std::optional<std::uint64_t> ContentLength() const override;
    int QueryInfoStatusCode() const override;
    std::string QueryInfoHeader(std::string_view name) const override;
    std::string QueryRedirectTarget() const override;

    // For a transfer started ahead: waits until its answer has begun and
    // raises as the constructor would; the transfer is closed then.
    void AwaitAnswer();
    // For a transfer started ahead: waits until its answer has begun or
    // another transfer of the pump has ended, and says whether it has begun.
    // Raises only when the wait is aborted or silent too long; the transfer
    // is closed then.
    bool AwaitAnswerOrOtherEnd();
    bool AnswerBegun() const { return answerBegun_ || finished_; }
    bool Ended() const { return finished_; }
    // The whole body, when the transfer ended well and none of it was read.
    std::optional<std::string_view> WholeUnreadBody() const;
    std::size_t HeldBytes() const { return Unread(); }

private:
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    std::size_t TakeBody(std::string_view bytes);
    void TakeHeaderLine(std::string_view line);
    void TakeFtpReply(std::string_view line);
    bool AsksAgainWithLogin();
    void OnTransferDone(CURLcode result) override;

    void Configure(const CurlTransferSettings& settings);
    void ConfigureTls(const std::string& extraCaFile);
    void ConfigureFtp(const CurlTransferSettings& settings);
    void ConfigureProxy(const ProxyOptions& proxy, const std::string& extraCaFile);
    void ConfigureLogin(const std::optional<ServerLogin>& login);
    void AddHeaders(std::string_view block);
    void AppendHeader(const std::string& line);
    void JoinBandwidth(const CurlTransferSettings& settings);
    // The transfer's part of the speed limit, as it is now.
    void ApplySpeedLimit();
    void Pace(std::size_t bytes);
    bool TakeLine(std::string& line);
    void WaitForAnswer();
    // Moves the transfer on until `done` holds; raises when nothing at all
    // arrives for the silence limit while it waits.
    void RunUntil(const std::function<bool()>& done);
    void ThrowIfUnreadable() const;
    InternetException Failure() const;
    // The 401 answer as an error naming the address that gave it and its realm.
    LoginRequired LoginWanted() const;
    // True once bytes wait in the buffer; false at the end of the body.
    bool FillBuffer();
    std::size_t Unread() const { return buffer_.size() - head_; }
    void Consume(std::size_t bytes);

    std::shared_ptr<CurlPump> pump_;
    CURL* easy_ = nullptr;
    curl_slist* headerList_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};

    bool ftp_ = false;
    bool followsRedirects_ = false;
    bool failOnHttpError_ = false;
    std::size_t readAhead_;
    std::chrono::milliseconds silenceLimit_{0};
    // The start of the current wait or the last bytes received, whichever is later.
    std::chrono::steady_clock::time_point lastActivity_;

    // The answer being received (the last one, when redirected).
    HttpHead httpHead_;
    bool answerBegun_ = false;
    std::vector<std::pair<std::string, std::string>> answerHeaders_;
    bool rangeRequested_ = false;
    bool loginGiven_ = false;  // an HTTP login, which libcurl sends after a first 401
    bool loginSent_ = false;

    std::shared_ptr<BandwidthGroup> bandwidth_;  // set while joined
    std::int64_t speedLimit_ = 0;
    std::int64_t appliedRate_ = 0;
    // When the bytes handed out so far are due at the part's rate.
    std::chrono::steady_clock::time_point paceClock_{};

    std::string buffer_;
    std::size_t head_ = 0;  // bytes of buffer_ already handed out
    bool paused_ = false;
    bool finished_ = false;
    std::atomic<bool> interrupted_{false};
    CURLcode result_ = CURLE_OK;
    // The proxy's answer to CONNECT (0: none) and its SOCKS failure (CURLproxycode).
    long connectCode_ = 0;
    long proxyError_ = 0;
    std::string errorText_;
    // FTP: the server's last reply line, cut to the length of a message.
    std::string lastReply_;
};
