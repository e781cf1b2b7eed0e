#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "net/internet_session.h"
#include "net/server_login.h"
#include "store/logins.h"
#include "workers/worker_context.h"

// The store's key of an origin, and back.
LoginKey LoginKeyOf(const LoginOrigin& origin);
LoginOrigin LoginOriginOfKey(const LoginKey& key);

// The logins one worker uses: the one the store holds for its address, and
// those the user gives when a server answers 401. Each goes to the session
// for its own origin only. Used by the worker's thread; its steps run on the
// user-interface thread.
class WorkerLogins {
public:
    explicit WorkerLogins(WorkerContext& context) : context_(context) {}

    // User-interface thread, in a step of the worker: notes the login the
    // store holds for the address's origin, if any.
    void NoteKnown(const std::string& url);
    // Worker thread: gives the noted logins to the session.
    void GiveTo(InternetSession& session) const;

    // Worker thread: the server of `url` answered 401 naming the realm. Takes
    // a login for it that the store holds and was not tried yet, or asks the
    // user, and gives it to the session; false when there is none to try
    // (the user cancelled, or was asked too often for that server).
    bool AskAfter401(InternetSession& session, const std::string& url, const std::string& realm);

    // Worker thread: the error to report for a 401 no login got past.
    InternetException Refusal(const std::string& url, const InternetException& answer) const;

private:
    // User-interface thread: the login to try next for the origin, or nothing.
    std::optional<ServerLogin> NextLogin(const LoginOrigin& origin, const std::string& realm);

    WorkerContext& context_;
    std::map<std::string, ServerLogin> tried_;  // by origin text
    std::map<std::string, int> asked_;
    std::set<std::string> declined_;
};
