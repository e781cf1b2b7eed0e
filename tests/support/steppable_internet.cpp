#include "support/steppable_internet.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

class SteppedFile : public HttpFile {
public:
    SteppedFile(const SteppedAnswer& answer, std::shared_ptr<std::atomic<bool>> aborted)
        : answer_(answer), aborted_(std::move(aborted)) {}

    void SetReadBufferSize(std::size_t) override {}

    std::size_t Read(void* buffer, std::size_t maxBytes) override {
        if (answer_.beforeRead) answer_.beforeRead(offset_);
        CheckUsable();
        std::size_t count = std::min(maxBytes, answer_.body.size() - offset_);
        if (readCount_ < answer_.chunks.size()) count = std::min(count, answer_.chunks[readCount_]);
        ++readCount_;
        if (answer_.breakAfter && offset_ + count > *answer_.breakAfter) {
            count = *answer_.breakAfter - offset_;
            if (count == 0) {
                throw InternetException(InternetError::kConnectionBroken,
                                        "Recv failure: Connection reset by peer");
            }
        }
        std::memcpy(buffer, answer_.body.data() + offset_, count);
        offset_ += count;
        return count;
    }

    bool ReadString(std::string& line) override {
        CheckUsable();
        line.clear();
        if (offset_ >= answer_.body.size()) return false;
        const std::size_t end = answer_.body.find('\n', offset_);
        const std::size_t stop = end == std::string::npos ? answer_.body.size() : end;
        line = answer_.body.substr(offset_, stop - offset_);
        offset_ = end == std::string::npos ? stop : end + 1;
        return true;
    }

    void Close() override { closed_ = true; }
    int QueryInfoStatusCode() const override { return 200; }
    std::string QueryInfoHeader(std::string_view) const override { return {}; }
    std::string QueryRedirectTarget() const override { return {}; }

private:
    void CheckUsable() const {
        if (aborted_->load()) throw InternetException(InternetError::kAborted, "Aborted");
        if (closed_) throw InternetException(InternetError::kClosed, "File closed");
    }

    const SteppedAnswer& answer_;
    std::shared_ptr<std::atomic<bool>> aborted_;
    std::size_t offset_ = 0;
    std::size_t readCount_ = 0;
    bool closed_ = false;
};

class SteppedSession : public InternetSession {
public:
    explicit SteppedSession(SteppableInternet& internet) : internet_(internet) {}

    std::unique_ptr<HttpFile> OpenURL(const std::string& url, const OpenUrlOptions&) override {
        if (aborted_->load()) throw InternetException(InternetError::kAborted, "Aborted");
        const SteppedAnswer* answer = internet_.Answer(url);
        if (answer == nullptr) throw UnknownHostError(url);
        if (answer->openError) throw *answer->openError;
        auto file = std::make_unique<SteppedFile>(*answer, aborted_);
        if (answer->afterOpen) answer->afterOpen();
        return file;
    }

    std::unique_ptr<HttpFile> SendRequest(const HttpRequest&) override {
        throw InternetException(InternetError::kOther, "Not scripted");
    }

    std::unique_ptr<FtpConnection> GetFtpConnection(const std::string& server) override {
        throw UnknownHostError(server);
    }

    void SetConnectTimeout(std::chrono::milliseconds) override {}
    void Close() override {}
    void Abort() override { aborted_->store(true); }

private:
    SteppableInternet& internet_;
    std::shared_ptr<std::atomic<bool>> aborted_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace

InternetSessionFactory SteppableInternet::Factory() {
    return [this] { return std::make_unique<SteppedSession>(*this); };
}

std::vector<std::string> SteppableInternet::Opened() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

const SteppedAnswer* SteppableInternet::Answer(const std::string& url) {
    std::lock_guard lock(mutex_);
    opened_.push_back(url);
    const auto it = answers.find(url);
    return it == answers.end() ? nullptr : &it->second;
}
