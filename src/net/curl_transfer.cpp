#include "net/curl_transfer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <utility>

#include "net/curl_error.h"
#include "net/http_status_text.h"
#include "net/internet_exception.h"

namespace {

// The body fetched ahead of the reader: enough to keep the connection busy,
// small enough that a stalled reader holds little memory.
constexpr std::size_t kDefaultReadAhead = 1024 * 1024;
constexpr std::size_t kMaxReadAhead = 4 * 1024 * 1024;
// libcurl's receive block.
constexpr long kReceiveBufferSize = 256 * 1024;
// What all transfers of the process together may hold fetched ahead of their
// readers. Past it each transfer pauses at its least read-ahead, so that
// hundreds of fast transfers whose readers lag (a busy disk) cannot take
// gigabytes between them.
constexpr std::size_t kSharedReadAhead = 64 * 1024 * 1024;
constexpr std::size_t kLeastReadAhead = 64 * 1024;
std::atomic<std::size_t> bufferedByAllTransfers{0};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(prefix[i])) return false;
    }
    return true;
}

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

// "HTTP/1.1 404 Not Found" gives 404 and "Not Found"; "HTTP/2 404" no reason.
void ParseStatusLine(std::string_view line, int& code, std::string& reason) {
    code = 0;
    reason.clear();
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return;
    std::string_view rest = line.substr(space + 1);
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 3 && rest[digits] >= '0' && rest[digits] <= '9') {
        code = code * 10 + (rest[digits] - '0');
        ++digits;
    }
    if (digits != 3) {
        code = 0;
        return;
    }
    rest.remove_prefix(digits);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    reason = std::string(rest);
}

// "Timeout: no data received for 60 s"; limits below a second (tests) in ms.
InternetException SilenceError(std::chrono::milliseconds limit) {
    const long long count = limit.count();
    const std::string span =
        count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
    return InternetException(InternetError::kTimedOut, "Timeout: no data received for " + span);
}

}  // namespace

CurlTransfer::CurlTransfer(std::shared_ptr<CurlPump> pump, const CurlTransferSettings& settings)
    : pump_(std::move(pump)), readAhead_(kDefaultReadAhead) {
    pump_->ThrowIfAborted();
    easy_ = curl_easy_init();
    if (easy_ == nullptr) throw std::bad_alloc();
    try {
        Configure(settings);
        const CURLMcode added = curl_multi_add_handle(pump_->Multi(), easy_);
        if (added != CURLM_OK) throw InternetException(InternetError::kOther, curl_multi_strerror(added));
        WaitForAnswer();
    } catch (...) {
        Close();
        throw;
    }
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
    if (followsRedirects_) {
        curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, static_cast<long>(settings.maxRedirects));
        curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }
    ConfigureTls(settings.extraCaFile);
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
    ConfigureFtp(settings.ftp);
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

void CurlTransfer::ConfigureFtp(FtpRequest request) {
    if (request == FtpRequest::kDefault) return;
    curl_easy_setopt(easy_, CURLOPT_FTPPORT, "-");  // active: the address of the control connection
    curl_easy_setopt(easy_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (request == FtpRequest::kChangeDirectory) curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    if (request == FtpRequest::kListNames) curl_easy_setopt(easy_, CURLOPT_DIRLISTONLY, 1L);
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
    if (answerBegun_ && failOnHttpError_ && statusCode_ >= 400) {
        throw InternetException(InternetError::kHttpStatus, HttpStatusText(statusCode_, reason_));
    }
    if (finished_ && result_ != CURLE_OK) throw Failure();
}

// Only the time spent waiting counts as silence: while the reader is busy
// elsewhere nobody drives the transfer, and what the server sent meanwhile
// waits in the socket.
void CurlTransfer::RunUntil(const std::function<bool()>& done) {
    using Clock = std::chrono::steady_clock;
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

// Each answer (one per redirection, and an interim 1xx one) starts with its
// status line and ends with an empty line. The answer has begun once the
// headers of one end that libcurl will not go past.
void CurlTransfer::TakeHeaderLine(std::string_view line) {
    lastActivity_ = std::chrono::steady_clock::now();
    if (ftp_) {
        TakeFtpReply(line);
        return;
    }
    if (StartsWithNoCase(line, "HTTP/")) {
        ParseStatusLine(TrimLineEnd(line), statusCode_, reason_);
        hasLocation_ = false;
        return;
    }
    if (StartsWithNoCase(line, "Location:")) {
        hasLocation_ = true;
        return;
    }
    if (!TrimLineEnd(line).empty() || statusCode_ == 0) return;
    const bool interim = statusCode_ >= 100 && statusCode_ < 200;
    const bool followed =
        followsRedirects_ && hasLocation_ && statusCode_ >= 300 && statusCode_ < 400 && statusCode_ != 304;
    if (!interim && !followed) answerBegun_ = true;
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
}

InternetException CurlTransfer::Failure() const {
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
        RunUntil([this] { return Unread() > 0 || finished_ || paused_; });
    }
    return true;
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
    return bytes;
}

bool CurlTransfer::ReadString(std::string& line) {
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
    curl_slist_free_all(headerList_);
    headerList_ = nullptr;
    Consume(Unread());
    buffer_.clear();
    head_ = 0;
}

int CurlTransfer::QueryInfoStatusCode() const { return statusCode_; }

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
