#include "support/fake_internet.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "net/http_status_text.h"

namespace {

std::string_view HostOf(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme != std::string_view::npos) url.remove_prefix(scheme + 3);
    return url.substr(0, url.find_first_of(":/"));
}

class FakeFile final : public HttpFile {
public:
    explicit FakeFile(FakeInternet::Answer answer) : answer_(std::move(answer)) {}

    void SetReadBufferSize(std::size_t) override {}

    std::size_t Read(void* buffer, std::size_t maxBytes) override {
        if (!MoreToRead()) return 0;
        const std::size_t bytes = std::min(maxBytes, answer_.body.size() - position_);
        std::memcpy(buffer, answer_.body.data() + position_, bytes);
        position_ += bytes;
        return bytes;
    }

    bool ReadString(std::string& line) override {
        line.clear();
        if (!MoreToRead()) return false;
        const std::string_view rest = std::string_view(answer_.body).substr(position_, kMaxLineLength + 1);
        const std::size_t feed = rest.find('\n');
        line = rest.substr(0, std::min(feed, kMaxLineLength));
        position_ += feed == std::string_view::npos ? line.size() : feed + 1;
        return true;
    }

    void Close() override { closed_ = true; }
    int QueryInfoStatusCode() const override { return answer_.status; }
    std::string QueryRedirectTarget() const override { return {}; }

private:
    // Raises the scripted error once the bytes before it are read.
    bool MoreToRead() {
        if (closed_) throw InternetException(InternetError::kClosed, "The file is closed");
        if (position_ < answer_.body.size()) return true;
        if (answer_.readError) throw *answer_.readError;
        return false;
    }

    FakeInternet::Answer answer_;
    std::size_t position_ = 0;
    bool closed_ = false;
};

class FakeSession final : public InternetSession {
public:
    explicit FakeSession(FakeInternet& script) : script_(script) { script_.CountSession(); }

    std::unique_ptr<InternetFile> OpenURL(const std::string& url, const OpenUrlOptions& options) override {
        FakeInternet::Answer answer = script_.Open(url);
        if (options.failOnHttpError && answer.status >= 400) {
            throw InternetException(InternetError::kHttpStatus, HttpStatusText(answer.status, ""));
        }
        return std::make_unique<FakeFile>(std::move(answer));
    }

    std::unique_ptr<HttpFile> SendRequest(const HttpRequest& request) override {
        const bool defaultPort = request.port == (request.secure ? 443 : 80);
        const std::string url = (request.secure ? "https://" : "http://") + request.server +
                                (defaultPort ? "" : ":" + std::to_string(request.port)) + request.object;
        return std::make_unique<FakeFile>(script_.Open(url));
    }

    std::unique_ptr<FtpConnection> GetFtpConnection(const std::string& server) override {
        throw UnknownHostError(server);
    }

    void SetConnectTimeout(std::chrono::milliseconds) override {}
    void Close() override {}
    void Abort() override {}

private:
    FakeInternet& script_;
};

}  // namespace

InternetException UnknownHostError(std::string_view host) {
    return InternetException(InternetError::kNameNotResolved, "Could not resolve host: " + std::string(host));
}

void FakeInternet::Serve(const std::string& url, std::string body, int status) {
    std::lock_guard lock(mutex_);
    answers_[url] = Answer{std::move(body), status, std::nullopt, std::nullopt};
}

void FakeInternet::FailOnOpen(const std::string& url, InternetException error) {
    std::lock_guard lock(mutex_);
    answers_[url] = Answer{"", 0, std::move(error), std::nullopt};
}

void FakeInternet::FailWhileReading(const std::string& url, std::string bodyBefore, InternetException error) {
    std::lock_guard lock(mutex_);
    answers_[url] = Answer{std::move(bodyBefore), 200, std::nullopt, std::move(error)};
}

InternetSessionFactory FakeInternet::Factory() {
    return [this] { return std::make_unique<FakeSession>(*this); };
}

std::vector<std::string> FakeInternet::Opened() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

std::size_t FakeInternet::SessionsMade() const {
    std::lock_guard lock(mutex_);
    return sessions_;
}

FakeInternet::Answer FakeInternet::Open(const std::string& url) {
    std::lock_guard lock(mutex_);
    opened_.push_back(url);
    const auto answer = answers_.find(url);
    if (answer == answers_.end()) throw UnknownHostError(HostOf(url));
    if (answer->second.openError) throw *answer->second.openError;
    return answer->second;
}

void FakeInternet::CountSession() {
    std::lock_guard lock(mutex_);
    ++sessions_;
}
