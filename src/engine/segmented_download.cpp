#include "engine/segmented_download.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <iterator>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "engine/local_file.h"
#include "engine/segment_map.h"
#include "engine/url_parts.h"
#include "net/close_quietly.h"
#include "net/http_status_text.h"
#include "net/internet_exception.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kBlockSize = 256 * 1024;
// An idle connection takes half of the largest segment left only when that
// half is worth a request of its own.
constexpr std::int64_t kLeastStolenHalf = 1024 * 1024;
// How often the fetch looks at its connections when none has news.
constexpr std::chrono::milliseconds kTick{10};
// How long the first connection runs alone, and the connections added last
// run at least, before the rate they brought is set against the rate before
// (a clear rise counts at once). Each round that raised the rate doubles the
// connections, so that a server that holds each connection to a rate fills
// them all within a few rounds.
constexpr std::chrono::milliseconds kSettle{30};
// A first connection that brought nothing for this long has gone quiet.
constexpr std::chrono::milliseconds kQuiet{5};
// A connection is added only while the rest would take longer than this at
// the rate of the last second. Many servers that hold a connection to a
// rate let its first second's worth go at once; over a longer time those
// bursts would make every file look nearly done.
constexpr double kWorthSplittingSeconds = 1.0;
constexpr std::chrono::seconds kRateWindow{1};
// A round is judged as not having raised the rate only after this long, or
// once each of its connections brought more than a first burst (a second's
// worth at the rates servers hold connections to). Within a server's first
// second, each new answer's burst makes the rates of short times jump
// either way; on a busy machine, where the readers lag and the looks come
// late, a round judged on its bursts alone was often found too slow by
// chance, and the file kept one or two connections to the end.
constexpr std::chrono::seconds kNotRaisedAfter = kRateWindow;
constexpr std::int64_t kMoreThanABurst = 4 * 1024 * 1024;
// An added connection must raise the total rate by this factor, or bring
// this share of what each connection brought before.
constexpr double kLeastRaise = 1.05;
constexpr double kLeastShare = 0.75;
// Before kSettle, only a rise by this factor counts.
constexpr double kClearRaise = 1.5;
// How often the spans still missing are noted in the part record.
constexpr std::chrono::milliseconds kRecordInterval{100};
// Connections that fail one after another without bringing a byte.
constexpr int kMostFailures = 3;
constexpr int kMostConnections = 16;

// The connections a host took before it refused more, for the rest of the
// run, and the connections open to it now, those of all files together.
class HostLimits {
public:
    int LimitOf(const std::string& host) {
        std::lock_guard lock(mutex_);
        const auto found = limits_.find(host);
        return found == limits_.end() ? INT_MAX : found->second;
    }
    void Lower(const std::string& host, int limit) {
        std::lock_guard lock(mutex_);
        const auto [entry, added] = limits_.emplace(host, limit);
        if (!added) entry->second = std::min(entry->second, limit);
    }
    // Counts a connection to the host, unless `most` are open and it is not
    // the only one of its file; false when it may not be opened.
    bool Open(const std::string& host, int most, bool onlyOne) {
        std::lock_guard lock(mutex_);
        int& open = open_[host];
        if (!onlyOne && open >= most) return false;
        ++open;
        return true;
    }
    void Close(const std::string& host) {
        std::lock_guard lock(mutex_);
        const auto found = open_.find(host);
        if (found != open_.end() && --found->second <= 0) open_.erase(found);
    }

private:
    std::mutex mutex_;
    std::map<std::string, int> limits_;
    std::map<std::string, int> open_;
};

HostLimits& TheHostLimits() {
    static HostLimits limits;
    return limits;
}

// 8 -> 4 -> 2 -> 1: the largest power of two not above the connections that
// worked.
int SteppedDown(int working) {
    int limit = 1;
    while (limit * 2 <= working) limit *= 2;
    return limit;
}

std::string RangeHeaders(const ByteSpan& span, const std::string& validator) {
    std::string headers =
        "Range: bytes=" + std::to_string(span.first) + "-" + std::to_string(span.end - 1) + "\r\n";
    if (!validator.empty()) headers += "If-Range: " + validator + "\r\n";
    return headers;
}

// What the answer to one segment's request means.
enum class Verdict {
    kAccepted,  // 206 at its offset, of the same file
    kChanged,   // the whole file came (200) or another one (validator, size): fetch it again whole
    kBadRange,  // a range the server cannot be trusted with
    kBusy,      // 503 or 429: too many connections
};

Verdict JudgeSegment(const HttpFile& answer, std::int64_t offset, const PartRecord& file) {
    const int status = answer.QueryInfoStatusCode();
    if (status == 200) return Verdict::kChanged;
    if (status == 503 || status == 429) return Verdict::kBusy;
    if (status != 206) return Verdict::kBadRange;
    const std::optional<ContentRange> range = AnswerRange(answer);
    if (!range) return Verdict::kBadRange;
    if (PartRecordFor(answer, file.url).validator != file.validator || range->size != file.size) {
        return Verdict::kChanged;
    }
    return range->first == offset ? Verdict::kAccepted : Verdict::kBadRange;
}

void WriteAt(int fd, const char* bytes, std::int64_t count, std::int64_t offset) {
    while (count > 0) {
        const ssize_t written = ::pwrite(fd, bytes, static_cast<std::size_t>(count), offset);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw LocalFileError(std::system_category().message(written < 0 ? errno : EIO));
        bytes += written;
        count -= written;
        offset += written;
    }
}

// The local file, open for writing in place at its full size.
class InPlaceFile {
public:
    InPlaceFile(const std::filesystem::path& path, std::int64_t size, bool fresh) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) throw LocalFileError(std::system_category().message(errno));
        // A file started afresh keeps nothing of an older one of that name.
        // An empty one is not cut to nothing again: some file systems take
        // a file cut to nothing for one being replaced, and write all of
        // it out when it is closed, which holds the end of the download.
        if ((fresh && HasBytes() && ::ftruncate(fd_, 0) != 0) || ::ftruncate(fd_, size) != 0) {
            const int error = errno;
            ::close(fd_);
            throw LocalFileError(std::system_category().message(error));
        }
    }
    ~InPlaceFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    InPlaceFile(const InPlaceFile&) = delete;
    InPlaceFile& operator=(const InPlaceFile&) = delete;

    int Descriptor() const { return fd_; }
    void Close() {
        const int fd = std::exchange(fd_, -1);
        if (fd >= 0 && ::close(fd) != 0) throw LocalFileError(std::system_category().message(errno));
    }

private:
    bool HasBytes() const {
        struct stat status {};
        return ::fstat(fd_, &status) != 0 || status.st_size > 0;
    }

    int fd_ = -1;
};

// How a connection ended.
enum class Outcome { kNoWork, kStopped, kChanged, kBadRange, kBusy, kFailed, kFatal };

struct Connection {
    InternetSession* session = nullptr;
    std::unique_ptr<HttpFile> first;  // the start's answer, for the first connection
    bool extra = false;               // not the worker's own session
    std::atomic<bool> stop{false};
    std::thread thread;
    // Guarded by the fetch's mutex.
    int segment = -1;
    std::int64_t received = 0;
    HttpFile* answer = nullptr;      // the answer being read, while it is
    std::int64_t answerEnd = 0;      // the end of the range it brings
    bool cut = false;                // its reader was woken: the bytes past the segment are another's
    std::atomic<bool> ended{false};  // also read by the coordinator without the mutex
    Outcome outcome = Outcome::kNoWork;
    std::exception_ptr error;
};

class SegmentedDownload {
public:
    SegmentedDownload(const SegmentedFetch& fetch, PartRecord file)
        : fetch_(fetch),
          file_(std::move(file)),
          host_(SameSiteKey(fetch.url).value_or(fetch.url)),
          map_(file_.size, file_.missing) {}

    ~SegmentedDownload() { StopAll(); }
    SegmentedDownload(const SegmentedDownload&) = delete;
    SegmentedDownload& operator=(const SegmentedDownload&) = delete;

    SegmentedEnd Run(InternetSession& session, std::unique_ptr<HttpFile> first, bool fresh) {
        InPlaceFile local(fetch_.localPath, file_.size, fresh);
        fd_ = local.Descriptor();
        if (!SaveRecord()) return SegmentedEnd::kEnding;
        lastAddAt_ = Clock::now();
        doneAtAdd_ = Done();
        startedAt_ = lastAddAt_;
        doneAtStart_ = doneAtAdd_;
        Sample(lastAddAt_, doneAtAdd_);
        idleSessions_.push_back(&session);
        primary_ = &session;
        {
            std::lock_guard lock(mutex_);
            const std::optional<int> segment = map_.TakeIdle();
            Start(segment.value_or(-1), std::move(first));
        }
        try {
            const SegmentedEnd end = Coordinate();
            if (end == SegmentedEnd::kComplete) local.Close();
            return end;
        } catch (...) {
            StopAll();
            SaveRecord();
            throw;
        }
    }

private:
    SegmentedEnd Coordinate() {
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                const Clock::time_point lookAt =
                    std::min(Clock::now() + kTick, std::exchange(quietLookAt_, Clock::time_point::max()));
                changed_.wait_until(lock, lookAt, [&] { return std::exchange(news_, false) || AnyEnded(); });
            }
            if (!fetch_.control.PassGate()) return Stopped(SegmentedEnd::kEnding);
            ReapEnded();
            if (fatal_) std::rethrow_exception(fatal_);
            if (fetchWhole_) return Stopped(SegmentedEnd::kFetchWhole);
            if (failures_ > kMostFailures) {
                if (lastError_) std::rethrow_exception(lastError_);
                throw InternetException(InternetError::kConnectionBroken,
                                        "The connections to the server failed");
            }
            const Clock::time_point now = Clock::now();
            const std::int64_t done = Done();
            if (done == file_.size && Active() == 0) {
                fetch_.report(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(file_.size), 0);
                file_.missing.clear();
                return fetch_.keepRecord(file_) ? SegmentedEnd::kComplete : SegmentedEnd::kEnding;
            }
            fetch_.report(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(file_.size), Active());
            if (now - lastSave_ >= kRecordInterval && done != savedDone_ && !SaveRecord()) {
                return Stopped(SegmentedEnd::kEnding);
            }
            Sample(now, done);
            Rebalance(now, done);
        }
    }

    SegmentedEnd Stopped(SegmentedEnd end) {
        StopAll();
        if (end != SegmentedEnd::kFetchWhole) SaveRecord();
        return end;
    }

    // The connections the file may use now.
    int Limit() const {
        const int wanted = std::clamp(fetch_.maxConnections, 1, kMostConnections);
        return std::min({wanted, TheHostLimits().LimitOf(host_), rangesTrusted_ ? INT_MAX : 1});
    }

    void Rebalance(Clock::time_point now, std::int64_t done) {
        const int limit = Limit();
        // Backing off: the newest extra connections go first.
        for (auto it = connections_.rbegin(); it != connections_.rend() && Active() > limit; ++it) {
            if ((*it)->extra && !(*it)->stop) StopConnection(**it);
        }
        JudgeLastRound(now, done);
        const int active = Active();
        if (active == 0) {
            StartOnWork();  // after a failure: the segments left need a connection
        } else if (active < limit && ShouldGrow(now, done)) {
            AddRound(std::min(active, limit - active), now, done);
        }
    }

    // Judges the round added last once each of its connections has brought
    // its first bytes: a round that did not raise the rate only took its part
    // from the others (those before already filled the line), so its
    // connections go again and no more are added. Judged once, while it
    // starts: the same totals near the end, where connections finish one by
    // one, would say nothing about it.
    void JudgeLastRound(Clock::time_point now, std::int64_t done) {
        if (lastRound_.empty()) return;
        const std::optional<bool> raised = Raised(now, done);
        if (!raised) return;
        if (!*raised) {
            growthStopped_ = true;
            for (const std::shared_ptr<Connection>& added : lastRound_) {
                if (added->extra && !added->ended) StopConnection(*added);
            }
        }
        lastRound_.clear();
    }

    // Adds up to `count` connections at once, as one round judged together.
    void AddRound(int count, Clock::time_point now, std::int64_t done) {
        const int activeBefore = Active();
        std::vector<std::shared_ptr<Connection>> added;
        for (int i = 0; i < count; ++i) {
            std::shared_ptr<Connection> connection = StartOnWork();
            if (!connection) break;
            added.push_back(std::move(connection));
        }
        if (added.empty()) return;
        activeAtAdd_ = activeBefore;
        lastRound_ = std::move(added);
        lastAddAt_ = now;
        doneAtAdd_ = done;
    }

    double RateSince(Clock::time_point now, std::int64_t done) const {
        const double seconds = std::chrono::duration<double>(now - lastAddAt_).count();
        return seconds > 0 ? static_cast<double>(done - doneAtAdd_) / seconds : 0;
    }

    // Notes the bytes done at each look, for the rates of the last second.
    void Sample(Clock::time_point now, std::int64_t done) {
        samples_.emplace_back(now, done);
        // And as long before the round added last as has passed since, for
        // the rate before it.
        const Clock::duration kept = kRateWindow + kNotRaisedAfter;
        while (samples_.size() > 2 && samples_[1].first <= now - kept) samples_.pop_front();
    }

    // The rate over the last `window`, or since the first look when that is later.
    double RateOver(Clock::duration window, Clock::time_point now, std::int64_t done) const {
        auto from = samples_.begin();
        while (from != samples_.end() && std::next(from) != samples_.end() &&
               std::next(from)->first <= now - window) {
            ++from;
        }
        if (from == samples_.end()) return 0;
        const double seconds = std::chrono::duration<double>(now - from->first).count();
        return seconds > 0 ? static_cast<double>(done - from->second) / seconds : 0;
    }

    // Another connection helps when the rest would take a while at the
    // current rate and the connection added last raised that rate.
    bool ShouldGrow(Clock::time_point now, std::int64_t done) {
        // The first connection runs alone for a while, so that the first
        // round has a rate to be judged against, unless it went quiet after
        // its first bytes, as at a server that holds it to a rate. Later
        // rounds follow as soon as the one before is judged.
        if (!rangesTrusted_ || growthStopped_ || !lastRound_.empty()) return false;
        if (NoRoundYet() && now - startedAt_ < kSettle && !WentQuiet(now)) return false;
        const auto remaining = static_cast<double>(file_.size - done);
        // Within the first second, the bytes so far count as that second's:
        // a server that lets the first second's worth of each connection go
        // at once would otherwise make the file look nearly done.
        const double seconds = std::max(std::chrono::duration<double>(now - startedAt_).count(),
                                        std::chrono::duration<double>(kRateWindow).count());
        const double recent =
            std::min(RateOver(kRateWindow, now, done), static_cast<double>(done - doneAtStart_) / seconds);
        return recent <= 0 || remaining / recent > kWorthSplittingSeconds;
    }

    bool NoRoundYet() const { return lastAddAt_ == startedAt_; }

    // Whether the first connection has brought bytes and none for kQuiet;
    // when it may go quiet soon, the fetch looks again then rather than at
    // its next tick, which would hold the first round back by up to kTick.
    bool WentQuiet(Clock::time_point now) {
        std::lock_guard lock(mutex_);
        if (lastBytesAt_ <= lastAddAt_) return false;
        if (now - lastBytesAt_ >= kQuiet) return true;
        quietLookAt_ = lastBytesAt_ + kQuiet;
        return false;
    }

    // Whether the round added last raised the rate: the rate since is
    // higher than over as long just before, or its connections bring at
    // least three quarters of the mean of those that ran before, each
    // (servers that hold connections to a rate send in bursts, which make
    // the totals of short times jump). Nothing until each has brought its
    // first bytes, for a second at most, nor before kSettle unless the rise
    // is clear, nor "not raised" on bursts alone.
    std::optional<bool> Raised(Clock::time_point now, std::int64_t done) {
        std::int64_t brought = 0;
        // What the round's slowest connection brought.
        std::int64_t least = std::numeric_limits<std::int64_t>::max();
        bool allBrought = true;
        {
            std::lock_guard lock(mutex_);
            for (const std::shared_ptr<Connection>& added : lastRound_) {
                brought += added->received;
                least = std::min(least, added->received);
                allBrought = allBrought && (added->received > 0 || added->ended);
            }
        }
        const Clock::duration since = now - lastAddAt_;
        if (!allBrought && since < kRateWindow) return std::nullopt;
        const double seconds = std::chrono::duration<double>(since).count();
        const double own = static_cast<double>(brought) / seconds / static_cast<double>(lastRound_.size());
        const double before = RateBefore(since);
        const double after = RateSince(now, done);
        if (since < kSettle) {
            // A server that sends each new answer's first bytes at once shows
            // a clear rise within milliseconds; a line the connections share
            // needs longer to tell, and the first bytes may be only the start
            // of a burst still coming.
            return after >= before * kClearRaise ? std::optional<bool>(true) : std::nullopt;
        }
        const double meanBefore = before / std::max(activeAtAdd_, 1);
        if (after > before * kLeastRaise || own >= meanBefore * kLeastShare) return true;
        if (since >= kNotRaisedAfter || least > kMoreThanABurst) return false;
        return std::nullopt;
    }

    // The rate over as long a time just before the round was added as has
    // passed since: windows of one length, since a server that sends in
    // bursts makes the rates of unequal short times unlike. A window that
    // reaches back past the start counts no bytes there: cut at the start,
    // it would set the burst of the first answer, over the few
    // milliseconds it took, against a round judged late on a busy machine,
    // and find that round too slow every time.
    double RateBefore(Clock::duration window) const {
        const Clock::time_point from = lastAddAt_ - window;
        auto sample = samples_.begin();
        while (std::next(sample) != samples_.end() && std::next(sample)->first <= from) ++sample;
        if (sample->first > lastAddAt_ || window <= Clock::duration::zero()) return 0;
        const double seconds =
            std::chrono::duration<double>(std::max(lastAddAt_ - sample->first, window)).count();
        return static_cast<double>(doneAtAdd_ - sample->second) / seconds;
    }

    // A connection on a segment nobody fetches, or on half of the largest
    // one; null when there is no such work or no session for it.
    std::shared_ptr<Connection> StartOnWork() {
        std::lock_guard lock(mutex_);
        std::optional<int> segment = map_.TakeIdle();
        if (!segment) segment = map_.Steal(kLeastStolenHalf);
        if (!segment) return nullptr;
        std::shared_ptr<Connection> started = Start(*segment, nullptr);
        if (!started) map_.Release(*segment);
        return started;
    }

    // Called with the mutex held. Null when no session can be had.
    std::shared_ptr<Connection> Start(int segment, std::unique_ptr<HttpFile> first) {
        // Two files from one host together keep to the most connections too.
        if (!TheHostLimits().Open(host_, Limit(), Active() == 0)) return nullptr;
        std::shared_ptr<Connection> started;
        try {
            started = StartCounted(segment, std::move(first));
        } catch (...) {
            TheHostLimits().Close(host_);
            throw;
        }
        if (!started) TheHostLimits().Close(host_);
        return started;
    }

    std::shared_ptr<Connection> StartCounted(int segment, std::unique_ptr<HttpFile> first) {
        auto connection = std::make_shared<Connection>();
        if (!idleSessions_.empty()) {
            connection->session = idleSessions_.back();
            idleSessions_.pop_back();
        } else {
            try {
                std::unique_ptr<InternetSession> companion = primary_->OpenCompanion();
                if (!companion) return nullptr;
                connection->session = companion.get();
                companions_.push_back(std::move(companion));
            } catch (const InternetException&) {
                growthStopped_ = true;  // no descriptors left for another
                return nullptr;
            }
        }
        connection->extra = connection->session != primary_;
        connection->segment = segment;
        connection->first = std::move(first);
        connections_.push_back(connection);
        Connection& started = *connection;
        started.thread = std::thread([this, &started] { Serve(started); });
        return connection;
    }

    // A connection's thread: its segment, then others while there are any.
    void Serve(Connection& connection) {
        std::unique_ptr<HttpFile> answer = std::move(connection.first);
        int segment = SegmentOf(connection);
        // The end of the range the open answer brings.
        std::int64_t answerEnd = segment >= 0 ? Left(segment).end : 0;
        Outcome outcome = Outcome::kNoWork;
        std::exception_ptr error;
        bool opening = false;
        try {
            while (segment >= 0) {
                if (!answer) {
                    const ByteSpan left = Left(segment);
                    opening = true;
                    answer = connection.session->OpenURL(
                        fetch_.url,
                        {.failOnHttpError = false, .headers = RangeHeaders(left, file_.validator)});
                    opening = false;
                    answerEnd = left.end;
                    const Verdict verdict = JudgeSegment(*answer, left.first, file_);
                    if (verdict != Verdict::kAccepted) {
                        outcome = Refusal(verdict, answer->QueryInfoStatusCode(), error);
                        break;
                    }
                }
                Publish(connection, answer.get(), answerEnd);
                const Received received = Receive(connection, *answer, segment, answerEnd);
                if (received == Received::kStopped) {
                    outcome = Outcome::kStopped;
                    break;
                }
                Publish(connection, nullptr, 0);
                CloseQuietly(*answer);
                answer.reset();
                if (received == Received::kWhole) segment = NextSegment(connection, segment);
            }
        } catch (const LocalFileError&) {
            outcome = Outcome::kFatal;
            error = std::current_exception();
        } catch (const InternetException& failure) {
            const bool refused = opening && failure.Error() == InternetError::kCannotConnect;
            outcome = refused ? Outcome::kBusy : Outcome::kFailed;
            error = std::current_exception();
        } catch (...) {
            outcome = Outcome::kFailed;
            error = std::current_exception();
        }
        Publish(connection, nullptr, 0);
        if (answer) CloseQuietly(*answer);
        answer.reset();
        TheHostLimits().Close(host_);
        std::lock_guard lock(mutex_);
        if (connection.segment >= 0) map_.Release(connection.segment);
        connection.segment = -1;
        connection.ended = true;
        connection.outcome = connection.stop ? Outcome::kStopped : outcome;
        connection.error = error;
        changed_.notify_all();
    }

    // The answer the connection reads now, for WakeCutReader.
    void Publish(Connection& connection, HttpFile* answer, std::int64_t answerEnd) {
        std::lock_guard lock(mutex_);
        connection.answer = answer;
        connection.answerEnd = answerEnd;
        connection.cut = false;
    }

    // Called with the mutex held, when the bytes at `offset` have begun to
    // come for another segment: the connection whose answer runs on past
    // that offset drops it now rather than when its next bytes come, which
    // at a server that holds each connection to a rate may be a second away.
    void WakeCutReader(std::int64_t offset, const Connection& taker) {
        for (const std::shared_ptr<Connection>& other : connections_) {
            if (other.get() == &taker || other->answer == nullptr || other->segment < 0 || other->cut)
                continue;
            if (map_.Left(other->segment).end == offset && other->answerEnd > offset) {
                other->cut = true;
                other->answer->Interrupt();
            }
        }
    }

    static Outcome Refusal(Verdict verdict, int status, std::exception_ptr& error) {
        switch (verdict) {
            case Verdict::kChanged: return Outcome::kChanged;
            case Verdict::kBusy:
                error = std::make_exception_ptr(
                    InternetException(InternetError::kHttpStatus, HttpStatusText(status, "")));
                return Outcome::kBusy;
            default: return Outcome::kBadRange;
        }
    }

    enum class Received {
        kWhole,      // the segment is on disk
        kShortened,  // part of it was taken: it is asked for again up to its new end
        kStopped,    // the connection is to stop
    };

    // Writes the answer's body in place until the segment is whole. When
    // an idle connection took the segment's second half and its bytes come,
    // the answer (which runs on to `answerEnd`) is dropped: whatever the
    // server sends past the new end would be sent twice, and at a server
    // that holds each connection to a rate it would hold this one for
    // nothing. While the taker has brought nothing (it may be refused), the
    // answer goes on.
    Received Receive(Connection& connection, HttpFile& answer, int segment, std::int64_t answerEnd) {
        std::vector<char> block(kBlockSize);
        bool begun = false;
        for (;;) {
            if (connection.stop || !fetch_.control.Gate().Pass()) return Received::kStopped;
            std::size_t count = 0;
            try {
                count = answer.Read(block.data(), block.size());
            } catch (const InternetException& failure) {
                if (connection.stop || failure.Error() != InternetError::kAborted || !WasCut(connection))
                    throw;
                return Received::kShortened;
            }
            std::lock_guard lock(mutex_);
            const ByteSpan left = map_.Left(segment);
            if (!begun && count > 0) {
                WakeCutReader(left.first, connection);
                news_ = true;  // the coordinator may judge the round that added it
                changed_.notify_all();
            }
            begun = begun || count > 0;
            if (count > 0) lastBytesAt_ = Clock::now();
            if (count == 0) {
                if (left.Length() == 0) return Received::kWhole;
                throw InternetException(InternetError::kConnectionBroken,
                                        "The connection closed before its part of the file had come");
            }
            // What lies past the segment's end belongs to a segment taken from it.
            const std::int64_t accepted = map_.Accept(segment, static_cast<std::int64_t>(count));
            WriteAt(fd_, block.data(), accepted, left.first);
            map_.Advance(segment, accepted);
            connection.received += accepted;
            if (accepted == left.Length()) return Received::kWhole;
            if (left.end < answerEnd && map_.UnderWayAt(left.end)) return Received::kShortened;
        }
    }

    int NextSegment(Connection& connection, int finished) {
        std::lock_guard lock(mutex_);
        map_.Release(finished);
        std::optional<int> next;
        if (!connection.stop) next = map_.TakeIdle();
        if (!connection.stop && !next) next = map_.Steal(kLeastStolenHalf);
        connection.segment = next.value_or(-1);
        return connection.segment;
    }

    bool WasCut(const Connection& connection) {
        std::lock_guard lock(mutex_);
        return connection.cut;
    }

    int SegmentOf(const Connection& connection) {
        std::lock_guard lock(mutex_);
        return connection.segment;
    }

    ByteSpan Left(int segment) {
        std::lock_guard lock(mutex_);
        return map_.Left(segment);
    }

    std::int64_t Done() {
        std::lock_guard lock(mutex_);
        return file_.size - map_.Remaining();
    }

    bool AnyEnded() const {
        return std::any_of(connections_.begin(), connections_.end(),
                           [](const auto& c) { return c->ended.load(); });
    }

    int Active() const {
        return static_cast<int>(std::count_if(connections_.begin(), connections_.end(), [](const auto& c) {
            return !c->stop.load() && !c->ended.load();
        }));
    }

    // Joins the connections that ended and learns from how they ended.
    void ReapEnded() {
        std::vector<std::shared_ptr<Connection>> ended;
        {
            std::lock_guard lock(mutex_);
            auto split = std::stable_partition(connections_.begin(), connections_.end(),
                                               [](const auto& c) { return !c->ended.load(); });
            std::move(split, connections_.end(), std::back_inserter(ended));
            connections_.erase(split, connections_.end());
        }
        for (const std::shared_ptr<Connection>& connection : ended) {
            connection->thread.join();
            if (!connection->stop) idleSessions_.push_back(connection->session);
            Learn(*connection);
        }
    }

    void Learn(const Connection& connection) {
        const bool others = Active() > 0;
        switch (connection.outcome) {
            case Outcome::kNoWork:
            case Outcome::kStopped: break;
            case Outcome::kChanged: fetchWhole_ = true; break;
            case Outcome::kBadRange:
                // One misfit stops the extra connections; a second, or one
                // on the only connection, gives ranges up.
                if (!rangesTrusted_ || !others) fetchWhole_ = true;
                rangesTrusted_ = false;
                break;
            case Outcome::kBusy:
                if (others && connection.extra) {
                    TheHostLimits().Lower(host_, SteppedDown(Active()));
                    break;
                }
                [[fallthrough]];
            case Outcome::kFailed:
                failures_ = connection.received > 0 ? 1 : failures_ + 1;
                lastError_ = connection.error;
                break;
            case Outcome::kFatal: fatal_ = connection.error; break;
        }
    }

    // Called with the mutex not held.
    void StopConnection(Connection& connection) {
        connection.stop = true;
        connection.session->Abort();
    }

    void StopAll() {
        for (const std::shared_ptr<Connection>& connection : connections_) {
            if (!connection->ended) StopConnection(*connection);
        }
        for (const std::shared_ptr<Connection>& connection : connections_) {
            if (connection->thread.joinable()) connection->thread.join();
        }
        connections_.clear();
        idleSessions_.clear();
    }

    bool SaveRecord() {
        PartRecord record = file_;
        std::int64_t done = 0;
        {
            std::lock_guard lock(mutex_);
            record.missing = map_.Missing();
            done = file_.size - map_.Remaining();
        }
        lastSave_ = Clock::now();
        savedDone_ = done;
        // A file whose spans are all there is one written whole.
        return fetch_.keepRecord(record);
    }

    const SegmentedFetch& fetch_;
    PartRecord file_;
    const std::string host_;
    int fd_ = -1;
    InternetSession* primary_ = nullptr;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool news_ = false;              // guarded by mutex_: an answer brought its first bytes
    Clock::time_point lastBytesAt_;  // guarded by mutex_: when a connection last brought bytes
    // Guarded by mutex_: when the connections may have gone quiet (WentQuiet).
    Clock::time_point quietLookAt_ = Clock::time_point::max();
    SegmentMap map_;  // guarded by mutex_
    // Changed by the coordinator under mutex_; a connection touches only
    // itself, and reads the others' answers (WakeCutReader), under mutex_.
    std::vector<std::shared_ptr<Connection>> connections_;
    std::vector<std::unique_ptr<InternetSession>> companions_;
    std::vector<InternetSession*> idleSessions_;

    bool rangesTrusted_ = true;
    bool fetchWhole_ = false;
    bool growthStopped_ = false;
    std::vector<std::shared_ptr<Connection>> lastRound_;  // kept for their counts after they ended
    int activeAtAdd_ = 1;
    int failures_ = 0;
    std::exception_ptr lastError_;
    std::exception_ptr fatal_;
    Clock::time_point startedAt_;
    std::int64_t doneAtStart_ = 0;
    Clock::time_point lastAddAt_;
    std::int64_t doneAtAdd_ = 0;
    std::deque<std::pair<Clock::time_point, std::int64_t>> samples_;
    Clock::time_point lastSave_;
    std::int64_t savedDone_ = -1;
};

}  // namespace

SegmentedStart PlanSegmentedStart(const std::filesystem::path& localPath, std::string_view url) {
    SegmentedStart start;
    const std::optional<PartRecord> record = LoadPartRecord(localPath);
    if (record && record->url == url && !record->validator.empty() && !record->missing.empty() &&
        LocalFileSize(localPath) == record->size) {
        start.record = *record;
        start.plan.offset = record->missing.front().first;
        start.plan.headers = RangeHeaders(record->missing.front(), record->validator);
        start.plan.inPlace = true;
        return start;
    }
    start.plan = PlanHttpResume(localPath, url);
    start.record.url = url;
    if (start.plan.offset == 0) {
        start.plan.headers = "Range: bytes=0-\r\n";
    } else {
        start.record.validator = record->validator;
        start.record.size = record->size;
    }
    return start;
}

bool AllowsSegments(const HttpFile& answer, const SegmentedStart& start) {
    if (answer.QueryInfoStatusCode() != 206) return false;
    const std::optional<ContentRange> range = AnswerRange(answer);
    const PartRecord answered = PartRecordFor(answer, start.record.url);
    if (!range || range->first != start.plan.offset || range->size <= start.plan.offset) return false;
    if (answered.validator.empty()) return false;
    if (!start.record.validator.empty() && answered.validator != start.record.validator) return false;
    return start.record.size < 0 || start.record.size == range->size;
}

SegmentedEnd FetchInSegments(InternetSession& session, std::unique_ptr<HttpFile> first,
                             const SegmentedStart& start, const SegmentedFetch& fetch) {
    const PartRecord answered = PartRecordFor(*first, fetch.url);
    PartRecord file = start.record;
    file.validator = answered.validator;
    file.size = answered.size;
    const bool fresh = start.record.validator.empty();
    if (file.missing.empty()) file.missing = {{start.plan.offset, file.size}};
    SegmentedDownload download(fetch, std::move(file));
    return download.Run(session, std::move(first), fresh);
}
