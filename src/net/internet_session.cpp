#include "net/internet_session.h"

namespace {

// The request of a session that cannot overlap requests: sent only when its
// answer is taken.
class DeferredAnswer final : public AnswerAhead {
public:
    DeferredAnswer(InternetSession& session, HttpRequest request)
        : session_(session), request_(std::move(request)) {}

    bool HasBegun() const override { return false; }
    bool HasEnded() const override { return false; }
    std::unique_ptr<HttpFile> Take() override { return session_.SendRequest(request_); }

private:
    InternetSession& session_;
    HttpRequest request_;
};

}  // namespace

std::unique_ptr<AnswerAhead> InternetSession::SendRequestAhead(const HttpRequest& request) {
    return std::make_unique<DeferredAnswer>(*this, request);
}
