#include "engine/server_logins.h"

namespace {

// A user who mistyped may try again; one who keeps failing is not held in a loop.
constexpr int kMaxAsksPerServer = 3;

}  // namespace

LoginKey LoginKeyOf(const LoginOrigin& origin) { return {origin.scheme, origin.host, origin.port}; }

LoginOrigin LoginOriginOfKey(const LoginKey& key) { return {key.scheme, key.host, key.port}; }

void WorkerLogins::NoteKnown(const std::string& url) {
    const std::optional<LoginOrigin> origin = LoginOriginOf(url);
    if (!origin) return;
    const LoginTable::Entry* known = context_.store.Logins.Find(LoginKeyOf(*origin));
    if (known == nullptr) return;
    tried_[OriginText(*origin)] = ServerLogin{*origin, known->user, known->password};
}

void WorkerLogins::GiveTo(InternetSession& session) const {
    for (const auto& [origin, login] : tried_) session.AddLogin(login);
}

bool WorkerLogins::AskAfter401(InternetSession& session, const std::string& url, const std::string& realm) {
    const std::optional<LoginOrigin> origin = LoginOriginOf(url);
    if (!origin) return false;
    const std::string server = OriginText(*origin);
    if (declined_.contains(server)) return false;
    std::optional<ServerLogin> next;
    if (!context_.Step([&] { next = NextLogin(*origin, realm); }) || !next) {
        declined_.insert(server);
        return false;
    }
    tried_[server] = *next;
    session.AddLogin(*next);
    return true;
}

std::optional<ServerLogin> WorkerLogins::NextLogin(const LoginOrigin& origin, const std::string& realm) {
    const std::string server = OriginText(origin);
    const auto tried = tried_.find(server);
    LoginTable& table = context_.store.Logins;
    const LoginKey key = LoginKeyOf(origin);
    // Another worker, or the user, may have given one meanwhile.
    if (const LoginTable::Entry* known = table.Find(key)) {
        const ServerLogin stored{origin, known->user, known->password};
        if (tried == tried_.end() || tried->second != stored) return stored;
        table.Erase(key);  // refused: neither kept nor tried again
    }
    if (asked_[server]++ >= kMaxAsksPerServer) return std::nullopt;
    LoginQuestion question;
    question.server = server;
    question.realm = realm;
    question.refused = tried != tried_.end();
    question.user = question.refused ? tried->second.user : std::string();
    question.keptBeyondRun = table.KeepsPasswords();
    const std::optional<LoginAnswer> answer = context_.window.AskLogin(question);
    if (!answer || answer->user.empty() || LoginFieldProblem(answer->user) ||
        LoginFieldProblem(answer->password)) {
        return std::nullopt;
    }
    table.Set(key, {answer->user, answer->password, answer->remember});
    return ServerLogin{origin, answer->user, answer->password};
}

InternetException WorkerLogins::Refusal(const std::string& url, const InternetException& answer) const {
    const std::optional<LoginOrigin> origin = LoginOriginOf(url);
    if (!origin || !tried_.contains(OriginText(*origin))) return answer;
    return InternetException(InternetError::kLoginRequired,
                             "Login refused by " + OriginText(*origin) + ": " + answer.Message());
}
