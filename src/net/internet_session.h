#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "net/ftp_connection.h"
#include "net/internet_file.h"
#include "net/proxy_options.h"
#include "net/server_login.h"

// How OpenURL treats the answer.
struct OpenUrlOptions {
    // Redirections followed before the answer counts as the final one.
    int maxRedirects = 10;
    // An answer of 400 or above raises InternetException (kHttpStatus) with a
    // message naming it, e.g. "404 Not Found", instead of handing out the
    // server's error page as the file's body.
    bool failOnHttpError = true;
    // Added header lines, each ended by "\r\n". With a Range header, a 416
    // answer is handed out like a success: it tells about the range, not the
    // file.
    std::string headers;
};

// What the user's options ask of the transfers of a session.
struct TransferOptions {
    // Bytes per second for all limited transfers together, shared fairly
    // among those running; 0: none.
    std::int64_t speedLimit = 0;
    // FTP data connections made by the client instead of the server.
    bool ftpPassive = false;
    // The way to the servers; a manual proxy also makes FTP data
    // connections passive, since no server can connect back through it.
    ProxyOptions proxy{};
};

// One HTTP request sent as it stands: no redirection is followed and the
// status code is left to the caller.
struct HttpRequest {
    std::string server;  // host name or address, no port
    int port = 80;
    bool secure = false;  // https
    std::string verb = "GET";
    std::string object = "/";  // path with any query, starting with '/'
    // Added header lines, each ended by "\r\n", e.g.
    // "Accept: text/*\r\nUser-Agent: Tarrawick\r\n"; a header named here
    // replaces the client's own of that name.
    std::string headers;
};

// A request sent ahead of its reader (InternetSession::SendRequestAhead):
// its answer arrives while the session's other transfers are waited for and
// read, held in memory only up to the transfer's read-ahead bound. Dropping
// it aborts the request. Used by the session's thread.
class AnswerAhead {
public:
    virtual ~AnswerAhead() = default;
    AnswerAhead(const AnswerAhead&) = delete;
    AnswerAhead& operator=(const AnswerAhead&) = delete;

    // Whether the answer's headers have arrived, or the request failed, so far.
    virtual bool HasBegun() const = 0;
    // Whether the whole answer has arrived, or the request failed: it then
    // holds no connection any more.
    virtual bool HasEnded() const = 0;
    // Waits for the answer's headers and hands the answer out, raising as
    // SendRequest does. Called once.
    virtual std::unique_ptr<HttpFile> Take() = 0;
    // Before Take: waits until the answer has begun or another answer of
    // the session has ended, and says whether this one has begun, so that
    // the waiter can send more meanwhile. An error waits for Take.
    virtual bool AwaitBeginOrOtherEnd() { return true; }
    // Before Take: the whole body of a 200 answer once all of it has
    // arrived and is held, for a look at it that leaves it unread; nothing
    // otherwise. Valid until the next call on the session.
    virtual std::optional<std::string_view> ArrivedBodyOf200() const { return std::nullopt; }
    // Bytes of the answer held in memory.
    virtual std::size_t HeldBytes() const { return 0; }
    // Before Take: the answer's status once the whole answer has arrived;
    // 0 before, or when the request failed.
    virtual int EndedStatus() const { return 0; }
    // Before Take: the value of the answer's header of that name (case
    // ignored) once its headers have arrived; "" before or when absent.
    virtual std::string Header(std::string_view /*name*/) const { return {}; }

protected:
    AnswerAhead() = default;
};

// A connection to the Internet for one use by one thread: it opens addresses
// and sends requests. Every call raises InternetException on failure, except
// Abort, which never fails.
class InternetSession {
public:
    virtual ~InternetSession() = default;
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // Opens an http, https or ftp address for reading and returns once the
    // answer has begun (for HTTP: its headers have arrived).
    virtual std::unique_ptr<HttpFile> OpenURL(const std::string& url, const OpenUrlOptions& options = {}) = 0;

    // Sends the request and returns once the answer's headers have arrived.
    virtual std::unique_ptr<HttpFile> SendRequest(const HttpRequest& request) = 0;

    // Sends the request and returns at once. A session that cannot overlap
    // requests (a stand-in of the tests) sends it when the answer is taken.
    virtual std::unique_ptr<AnswerAhead> SendRequestAhead(const HttpRequest& request);

    // Up to `count` requests of this session may be in flight together: at
    // most that many connections to one host over HTTP/1.1, and one shared
    // connection where an https server multiplexes them (HTTP/2). Raises
    // InternetException when the descriptors of the extra connections are
    // not to be had. A session that cannot overlap requests ignores it.
    virtual void SetRequestsAtOnce(int /*count*/) {}

    // Connects to an FTP server and logs in, anonymously unless a login was
    // given for it (AddLogin). The server is a host
    // name or address (an IPv6 one in brackets), optionally followed by
    // ":port" (21 without); transfers are active (the server connects back)
    // unless the transfer options ask for passive ones.
    // A server text holding a user name ('@') not of the server's login, or
    // other characters that cannot stand in a host name, is refused before
    // any look-up.
    virtual std::unique_ptr<FtpConnection> GetFtpConnection(const std::string& server) = 0;

    // A login for the requests and FTP connections started from now on, sent
    // only to its own origin; it replaces one given before for that origin.
    // With a login for an FTP server, an address may name its user
    // ("user@host"); the user must be the login's. A session that cannot log
    // in (a stand-in of the tests) ignores it. Called by the thread that
    // uses the session.
    virtual void AddLogin(const ServerLogin& /*login*/) {}

    // Bound on setting up a connection, for the calls that follow.
    virtual void SetConnectTimeout(std::chrono::milliseconds timeout) = 0;

    // For the transfers started from now on. A session that cannot limit
    // or choose (a stand-in of the tests) ignores them.
    virtual void SetTransferOptions(const TransferOptions& /*options*/) {}

    // While held (its worker is halted), the session's transfers leave the
    // speed limit's share, so that those running get it all; released, they
    // take their part again. A session without a limit ignores it. Called by
    // the thread that uses the session.
    virtual void SetHeld(bool /*held*/) {}

    // Any thread, while no other call changes the session's options: a
    // session for another thread that fetches other parts of
    // the same file. It has this session's transfer options and connect
    // bound, and its transfers share this session's part of the speed limit,
    // in which all of them count as one; it takes a descriptor share of its
    // own. Null when the session cannot make one (a stand-in of the tests).
    virtual std::unique_ptr<InternetSession> OpenCompanion() { return nullptr; }

    // Ends the session; later calls raise. Files already open stay readable.
    virtual void Close() = 0;

    // Called from any thread while the session lives: every blocked or later
    // call on this session and on its files raises InternetException
    // (kAborted) promptly. To abort sessions whose lifetime another thread
    // owns, share an InternetAbort through the factory instead.
    virtual void Abort() = 0;

protected:
    InternetSession() = default;
};

// How a worker gets its sessions, so that tests can hand in fakes.
using InternetSessionFactory = std::function<std::unique_ptr<InternetSession>()>;
