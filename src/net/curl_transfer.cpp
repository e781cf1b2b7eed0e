#include "net/curl_transfer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "net/curl_error.h"
#include "net/http_head.h"
#include "net/http_status_text.h"
#include "net/internet_exception.h"
#include "store/text_utils.h"

namespace {

// The body fetched ahead of the reader: enough to keep the connection busy,
// small enough that a stalled reader holds little memory.
constexpr std::size_t kDefaultReadAhead = 1024 * 1024;
constexpr std::size_t kMaxReadAhead = 4 * 1024 * 1024;
// libcurl's receive block.
constexpr long kReceiveBufferSize = 256 * 1024;
constexpr long kMinReceiveBufferSize = 1024;  // libcurl's smallest
// Headers kept of one answer; a server that sends more is not listened to.
constexpr std::size_t kMaxKeptHeaders = 100;
// What all transfers of the process together may hold fetched ahead of their
// readers. Past it each transfer pauses at its least read-ahead, so that
// hundreds of fast transfers whose readers lag (a busy disk) cannot take
// gigabytes between them.
constexpr std::size_t kSharedReadAhead = 64 * 1024 * 1024;
constexpr std::size_t kLeastReadAhead = 64 * 1024;
std::atomic<std::size_t> bufferedByAllTransfers{0};

// libcurl reads at most this much per receive. Under a speed limit it forgets
// what a receive took beyond the limit each few seconds, so a transfer may
// overshoot by about one block per period: a block of a sixteenth of a
// second's share keeps that small, and the waits between receives short.
long ReceiveBufferFor(std::int64_t rate) {
    return static_cast<long>(std::clamp<std::int64_t>(rate / 16, kMinReceiveBufferSize, kReceiveBufferSize));
}

// "Timeout: no data received for 60 s"; limits below a second (tests) in ms.
InternetException SilenceError(std::chrono::milliseconds limit) {
    const long long count = limit.count();
    const std::string span =
        count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
    return InternetException(InternetError::kTimedOut, "Timeout: no data received for " + span);
}

}  // namespace

CurlTransfer::CurlTransfer(std::shared_ptr<CurlPump> pump, const CurlTransferSettings& settings, Start start)
    : pump_(std::move(pump)), readAhead_(kDefaultReadAhead) {
    pump_->ThrowIfAborted();
    easy_ = curl_easy_init();
    if (easy_ == nullptr) throw std::bad_alloc();
    try {
        Configure(settings);
        const CURLMcode added = curl_multi_add_handle(pump_->Multi(), easy_);
        if (added != CURLM_OK) throw InternetException(InternetError::kOther, curl_multi_strerror(added));
        if (start == Start::kWaitForAnswer) WaitForAnswer();
    } catch (...) {
        Close();
        throw;
    }
}

std::optional<std::string_view> CurlTransfer::WholeUnreadBody() const {
    if (easy_ == nullptr || !finished_ || result_ != CURLE_OK || head_ != 0) return std::nullopt;
    return std::string_view(buffer_);
}

void CurlTransfer::AwaitAnswer() {
    try {
        ThrowIfUnreadable();
        WaitForAnswer();
    } catch (...) {
        Close();
        throw;
    }
}

bool CurlTransfer::AwaitAnswerOrOtherEnd() {
    const std::uint64_t ended = pump_->EndedTransfers();
    try {
        RunUntil([&] { return AnswerBegun() || pump_->EndedTransfers() != ended; });
    } catch (...) {
        Close();
        throw;
    }
    return AnswerBegun();
}

CurlTransfer::~CurlTransfer() { Close(); }

void CurlTransfer::Configure(const CurlTransferSettings& settings) {
    ftp_ = StartsWithNoCase(settings.url, "ftp://");
    followsRedirects_ = settings.maxRedirects > 0;
    failOnHttpError_ = settings.failOnHttpError;
    silenceLimit_ = settings.silenceLimit;

    curl_easy_setopt(easy_, CURLOPT_PRIVATE, static_cast<CurlPump::Listener*>(this));
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_URL, settings.url.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(easy_, CURLOPT_USERAGENT, settings.agent.c_str());
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlTransfer::OnBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    if (settings.pipeWait) curl_easy_setopt(easy_, CURLOPT_PIPEWAIT, 1L);
    if (followsRedirects_) {
        curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, static_cast<long>(settings.maxRedirects));
        curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }
    ConfigureTls(settings.extraCaFile);
    ConfigureProxy(settings.proxy, settings.extraCaFile);
    ConfigureLogin(settings.login);
    if (settings.connectTimeout.count() > 0) {
        curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(settings.connectTimeout.count()));
    }
    if (settings.verb == "HEAD") {
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    } else if (settings.verb != "GET") {
        curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, settings.verb.c_str());
    }
    AddHeaders(settings.headers);
    ConfigureFtp(settings);
    JoinBandwidth(settings);
}

// Certificates are always verified, host name included. An extra file adds
// its authorities to the system's: libcurl then reads the file in place of
// the system's bundle, and the system's certificate folder still holds every
// authority of that bundle.
void CurlTransfer::ConfigureTls(const std::string& extraCaFile) {
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, 2L);
    if (extraCaFile.empty()) return;
    curl_easy_setopt(easy_, CURLOPT_CAINFO, extraCaFile.c_str());
    const curl_version_info_data* version = curl_version_info(CURLVERSION_NOW);
    if (version->capath != nullptr) curl_easy_setopt(easy_, CURLOPT_CAPATH, version->capath);
}

// Without a proxy address of its own libcurl reads the environment's; an
// empty one turns every proxy off. The login goes in options of its own, so
// that it is never part of an address libcurl might write in a message.
void CurlTransfer::ConfigureProxy(const ProxyOptions& proxy, const std::string& extraCaFile) {
    // A proxy's answer to CONNECT, whichever mode chose the proxy, is no
    // answer of the server: its headers would pass for the server's, and
    // the proxy's 200 for the file's status.
    curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (proxy.mode == ProxyMode::kEnvironment) return;
    if (proxy.mode == ProxyMode::kNone) {
        curl_easy_setopt(easy_, CURLOPT_PROXY, "");
        return;
    }
    const std::string address = ProxyAddress(proxy);
    curl_easy_setopt(easy_, CURLOPT_PROXY, address.c_str());
    curl_easy_setopt(easy_, CURLOPT_NOPROXY, proxy.bypass.c_str());
    if (!proxy.user.empty()) {
        curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, proxy.user.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, proxy.password.c_str());
    }
    // An HTTP proxy would fetch an ftp address itself, answering as HTTP; a
    // tunnel keeps the FTP dialogue, data connections included, ours.
    const bool httpProxy = proxy.scheme == ProxyScheme::kHttp || proxy.scheme == ProxyScheme::kHttps;
    if (ftp_ && httpProxy) curl_easy_setopt(easy_, CURLOPT_HTTPPROXYTUNNEL, 1L);
    if (proxy.scheme == ProxyScheme::kHttps && !extraCaFile.empty()) {
        curl_easy_setopt(easy_, CURLOPT_PROXY_CAINFO, extraCaFile.c_str());
        const curl_version_info_data* version = curl_version_info(CURLVERSION_NOW);
        if (version->capath != nullptr) curl_easy_setopt(easy_, CURLOPT_PROXY_CAPATH, version->capath);
    }
}

// The login goes in options of its own, never in the address, so that no
// message or log naming the address can show it. Without one FTP stays
// anonymous. A redirection's target gets it only when libcurl's own rule
// allows (same host, port and scheme): the unrestricted switch stays off.
void CurlTransfer::ConfigureLogin(const std::optional<ServerLogin>& login) {
    curl_easy_setopt(easy_, CURLOPT_UNRESTRICTED_AUTH, 0L);
    if (!login) return;
    loginGiven_ = !ftp_;
    curl_easy_setopt(easy_, CURLOPT_USERNAME, login->user.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, login->password.c_str());
    if (!ftp_) curl_easy_setopt(easy_, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
}

void CurlTransfer::ConfigureFtp(const CurlTransferSettings& settings) {
    const FtpRequest request = settings.ftp;
    if (request == FtpRequest::kDefault) return;
    // Active: the address of the control connection. libcurl's own default is passive.
    if (!settings.ftpPassive) curl_easy_setopt(easy_, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(easy_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (request == FtpRequest::kChangeDirectory || request == FtpRequest::kSize) {
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    }
    if (request == FtpRequest::kListNames) curl_easy_setopt(easy_, CURLOPT_DIRLISTONLY, 1L);
    if (request == FtpRequest::kRetrieve && settings.restartAt > 0) {
        curl_easy_setopt(easy_, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(settings.restartAt));
    }
}

void CurlTransfer::JoinBandwidth(const CurlTransferSettings& settings) {
    if (!settings.bandwidth || settings.speedLimit <= 0) return;
    bandwidth_ = settings.bandwidth;
    speedLimit_ = settings.speedLimit;
    bandwidth_->Join();
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, ReceiveBufferFor(bandwidth_->PartOf(speedLimit_)));
    ApplySpeedLimit();
}

// Called before each wait and each paced read, so the part follows the
// transfers as they start and end; libcurl reads the limit afresh at each receive. Its limiter keeps
// the network near the part, but in bursts of a few seconds; the reader is
// held to the part exactly (Pace), and libcurl gets a little more so that
// the reader never waits for it.
void CurlTransfer::ApplySpeedLimit() {
    if (!bandwidth_ || easy_ == nullptr) return;
    const std::int64_t rate = bandwidth_->PartOf(speedLimit_);
    if (rate == appliedRate_) return;
    appliedRate_ = rate;
    curl_easy_setopt(easy_, CURLOPT_MAX_RECV_SPEED_LARGE, static_cast<curl_off_t>(rate + rate / 4));
}

// Holds the reader to the transfer's part of the limit: the bytes handed out
// may run ahead of the part by a tenth of a second at most. While the reader
// waits, libcurl goes on receiving into the read-ahead buffer, which pauses
// the transfer when full.
void CurlTransfer::Pace(std::size_t bytes) {
    using Clock = std::chrono::steady_clock;
    if (!bandwidth_) return;
    ApplySpeedLimit();
    constexpr std::chrono::milliseconds kAhead{100};
    const Clock::time_point now = Clock::now();
    const auto spent = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(bytes) / static_cast<double>(appliedRate_)));
    paceClock_ = std::max(paceClock_, now) + spent;
    if (paceClock_ - now > kAhead) pump_->RunUntil([] { return false; }, paceClock_ - kAhead);
}

// A header block holds lines ended by "\r\n" (or a bare "\n"); libcurl wants
// them one by one, without their ends. No Accept header is sent unless the
// block has one.
void CurlTransfer::AddHeaders(std::string_view block) {
    bool hasAccept = false;
    while (!block.empty()) {
        const std::size_t end = block.find('\n');
        const std::string line(TrimLineEnd(block.substr(0, end)));
        block.remove_prefix(end == std::string_view::npos ? block.size() : end + 1);
        if (line.empty()) continue;
        hasAccept = hasAccept || StartsWithNoCase(line, "Accept:");
        rangeRequested_ = rangeRequested_ || StartsWithNoCase(line, "Range:");
        AppendHeader(line);
    }
    if (!hasAccept) AppendHeader("Accept:");  // an empty value drops libcurl's own
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
}

void CurlTransfer::AppendHeader(const std::string& line) {
    curl_slist* grown = curl_slist_append(headerList_, line.c_str());
    if (grown == nullptr) throw std::bad_alloc();
    headerList_ = grown;
}

void CurlTransfer::WaitForAnswer() {
    RunUntil([this] { return answerBegun_ || finished_; });
    // A proxy that wants a login answers in the server's place: that answer
    // is never the file, whoever asked to read error pages.
    if (answerBegun_ && httpHead_.statusCode == 407) {
        throw InternetException(InternetError::kProxyRefused, HttpStatusText(407, httpHead_.reason));
    }
    // A 401 that libcurl did not answer with a login may end with no body;
    // a transfer that failed after a first 401 fails for its own reason.
    const bool answered = answerBegun_ || (finished_ && result_ == CURLE_OK);
    if (answered && failOnHttpError_ && httpHead_.statusCode == 401) throw LoginWanted();
    const bool rangeNotSatisfiable = httpHead_.statusCode == 416 && rangeRequested_;
    if (answerBegun_ && failOnHttpError_ && httpHead_.statusCode >= 400 && !rangeNotSatisfiable) {
        throw InternetException(InternetError::kHttpStatus,
                                HttpStatusText(httpHead_.statusCode, httpHead_.reason));
    }
    // A failure after the answer has begun comes to the reader after the
    // bytes that arrived before it, so none of them is lost.
    if (!answerBegun_ && finished_ && result_ != CURLE_OK) throw Failure();
}

LoginRequired CurlTransfer::LoginWanted() const {
    char* answered = nullptr;
    curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &answered);
    return LoginRequired(answered == nullptr ? std::string() : std::string(answered),
                         ChallengeRealm(QueryInfoHeader("WWW-Authenticate")),
                         HttpStatusText(401, httpHead_.reason));
}

// Only the time spent waiting counts as silence: while the reader is busy
// elsewhere nobody drives the transfer, and what the server sent meanwhile
// waits in the socket.
void CurlTransfer::RunUntil(const std::function<bool()>& done) {
    using Clock = std::chrono::steady_clock;
    ApplySpeedLimit();
    lastActivity_ = Clock::now();
    if (silenceLimit_.count() <= 0) {
        pump_->RunUntil(done, Clock::time_point::max());
        return;
    }
    while (!pump_->RunUntil(done, lastActivity_ + silenceLimit_)) {
        if (Clock::now() - lastActivity_ >= silenceLimit_) throw SilenceError(silenceLimit_);
    }
}

// No exception may cross libcurl: running out of memory fails the transfer.
std::size_t CurlTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    try {
        return static_cast<CurlTransfer*>(self)->TakeBody({data, size * count});
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

std::size_t CurlTransfer::TakeBody(std::string_view bytes) {
    lastActivity_ = std::chrono::steady_clock::now();
    const bool sharedReadAheadFull =
        bufferedByAllTransfers.load(std::memory_order_relaxed) >= kSharedReadAhead;
    if (Unread() >= readAhead_ || (sharedReadAheadFull && Unread() >= kLeastReadAhead)) {
        paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (head_ == buffer_.size()) {
        buffer_.clear();
        head_ = 0;
    } else if (head_ >= buffer_.size() / 2) {
        buffer_.erase(0, head_);
        head_ = 0;
    }
    buffer_.append(bytes);
    bufferedByAllTransfers.fetch_add(bytes.size(), std::memory_order_relaxed);
    answerBegun_ = true;
    return bytes.size();
}

std::size_t CurlTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    try {
        static_cast<CurlTransfer*>(self)->TakeHeaderLine({data, size * count});
        return size * count;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// The answer has begun once the headers of one end that libcurl will not go
// past.
void CurlTransfer::TakeHeaderLine(std::string_view line) {
    lastActivity_ = std::chrono::steady_clock::now();
    if (ftp_) {
        TakeFtpReply(line);
        return;
    }
    if (StartsWithNoCase(line, "HTTP/")) {
        answerHeaders_.clear();  // each answer of a redirection or an interim one has its own
    } else if (const std::size_t colon = line.find(':');
               colon != std::string_view::npos && colon > 0 && answerHeaders_.size() < kMaxKeptHeaders) {
        answerHeaders_.emplace_back(line.substr(0, colon), TrimBlanks(TrimLineEnd(line.substr(colon + 1))));
    }
    if (httpHead_.TakeLine(line, followsRedirects_) && !AsksAgainWithLogin()) answerBegun_ = true;
}

// Given a login, libcurl first asks without one, to learn which kind the
// server wants, and asks again with it after the server's first 401; that
// 401 is not the answer (libcurl ignores its body).
bool CurlTransfer::AsksAgainWithLogin() {
    if (!loginGiven_ || loginSent_ || httpHead_.statusCode != 401) return false;
    loginSent_ = true;
    return true;
}

// For FTP libcurl hands over the server's replies as header lines; the
// lines that start with a reply code are kept, the last one standing.
void CurlTransfer::TakeFtpReply(std::string_view line) {
    const auto digit = [&](std::size_t i) { return i < line.size() && line[i] >= '0' && line[i] <= '9'; };
    if (!digit(0) || !digit(1) || !digit(2)) return;
    lastReply_.assign(TrimLineEnd(line).substr(0, InternetException::kMaxMessageLength));
}

void CurlTransfer::OnTransferDone(CURLcode result) {
    finished_ = true;
    result_ = result;
    errorText_ = std::string(errorBuffer_, ::strnlen(errorBuffer_, sizeof errorBuffer_));
    curl_easy_getinfo(easy_, CURLINFO_HTTP_CONNECTCODE, &connectCode_);
    curl_easy_getinfo(easy_, CURLINFO_PROXY_ERROR, &proxyError_);
}

InternetException CurlTransfer::Failure() const {
    if (std::optional<InternetException> refusal = CurlProxyError(result_, connectCode_, proxyError_)) {
        return *refusal;
    }
    return ftp_ ? CurlFtpError(result_, lastReply_) : CurlTransferError(result_, errorText_);
}

void CurlTransfer::SetReadBufferSize(std::size_t bytes) {
    readAhead_ = std::clamp(bytes, kDefaultReadAhead, kMaxReadAhead);
}

void CurlTransfer::ThrowIfUnreadable() const {
    if (easy_ == nullptr) throw InternetException(InternetError::kClosed, "The file is closed");
    pump_->ThrowIfAborted();
}

bool CurlTransfer::FillBuffer() {
    while (Unread() == 0) {
        if (finished_) {
            if (result_ != CURLE_OK) throw Failure();
            return false;
        }
        if (paused_) {
            paused_ = false;
            // Hands the held-back block to OnBody at once, which may pause again.
            const CURLcode resumed = curl_easy_pause(easy_, CURLPAUSE_CONT);
            if (resumed != CURLE_OK) throw CurlTransferError(resumed, "");
            continue;
        }
        if (interrupted_.load(std::memory_order_acquire)) {
            throw InternetException(InternetError::kAborted, "The operation was canceled");
        }
        RunUntil([this] {
            return Unread() > 0 || finished_ || paused_ || interrupted_.load(std::memory_order_acquire);
        });
    }
    return true;
}

void CurlTransfer::Interrupt() {
    interrupted_.store(true, std::memory_order_release);
    curl_multi_wakeup(pump_->Multi());
}

void CurlTransfer::Consume(std::size_t bytes) {
    head_ += bytes;
    bufferedByAllTransfers.fetch_sub(bytes, std::memory_order_relaxed);
}

std::size_t CurlTransfer::Read(void* buffer, std::size_t maxBytes) {
    ThrowIfUnreadable();
    if (maxBytes == 0 || !FillBuffer()) return 0;
    const std::size_t bytes = std::min(maxBytes, Unread());
    std::memcpy(buffer, buffer_.data() + head_, bytes);
    Consume(bytes);
    Pace(bytes);
    return bytes;
}

bool CurlTransfer::ReadString(std::string& line) {
    const bool read = TakeLine(line);
    Pace(line.size());
    return read;
}

bool CurlTransfer::TakeLine(std::string& line) {
    ThrowIfUnreadable();
    line.clear();
    bool anyByte = false;
    while (FillBuffer()) {
        anyByte = true;
        const std::string_view waiting(buffer_.data() + head_, Unread());
        const std::size_t room = kMaxLineLength - line.size();
        // A line feed right after a line of the longest length still ends it.
        const std::size_t feed = waiting.substr(0, room + 1).find('\n');
        if (feed != std::string_view::npos) {
            line.append(waiting.substr(0, feed));
            Consume(feed + 1);
            return true;
        }
        const std::string_view piece = waiting.substr(0, room);
        line.append(piece);
        Consume(piece.size());
        if (line.size() == kMaxLineLength && Unread() > 0) return true;
    }
    return anyByte;
}

void CurlTransfer::Close() {
    if (easy_ == nullptr) return;
    curl_multi_remove_handle(pump_->Multi(), easy_);
    curl_easy_cleanup(easy_);
    easy_ = nullptr;
    if (bandwidth_) bandwidth_->Leave();
    bandwidth_.reset();
    curl_slist_free_all(headerList_);
    headerList_ = nullptr;
    Consume(Unread());
    buffer_.clear();
    head_ = 0;
}

int CurlTransfer::QueryInfoStatusCode() const { return httpHead_.statusCode; }

std::string CurlTransfer::QueryInfoHeader(std::string_view name) const {
    for (const auto& [header, value] : answerHeaders_) {
        if (EqualsNoCase(header, name)) return value;
    }
    return {};
}

std::string CurlTransfer::QueryRedirectTarget() const {
    char* target = nullptr;
    if (easy_ == nullptr || curl_easy_getinfo(easy_, CURLINFO_REDIRECT_URL, &target) != CURLE_OK ||
        target == nullptr) {
        return {};
    }
    return target;
}

std::optional<std::uint64_t> CurlTransfer::ContentLength() const {
    curl_off_t length = -1;
    if (easy_ == nullptr ||
        curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(length);
}
