#include "engine/http_file_worker.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "engine/archive_name.h"
#include "engine/file_worker_steps.h"
#include "engine/http_resume.h"
#include "engine/local_file.h"
#include "engine/local_paths.h"
#include "engine/part_records.h"
#include "engine/segmented_download.h"
#include "engine/server_logins.h"
#include "engine/worker_session.h"
#include "net/internet_exception.h"

namespace {

constexpr std::size_t kReadBufferSize = 2048;

// One run of the worker for one requested file.
class HttpFileDownload : private FileWorkerSteps {
public:
    HttpFileDownload(WorkerContext& context, const InternetSessionFactory& sessions,
                     std::chrono::nanoseconds progressInterval)
        : FileWorkerSteps(context, {.progressInEntry = true, .errorInAnyStatusLine = false}),
          sessions_(sessions),
          progressInterval_(progressInterval),
          logins_(context) {}

    // Whatever goes wrong, an Internet error, a local file that cannot be
    // written or the system running out of memory or descriptors, ends in
    // the error path with its message; nothing leaves the worker's thread.
    void Run() {
        try {
            Fetch();
        } catch (...) {
            ErrorPath(std::current_exception());
        }
    }

private:
    void Fetch() {
        std::unique_ptr<InternetSession> session = OpenSession(sessions_);
        const ScopedWorkerSession registered(*context_.control, *session);
        std::error_code ignored;
        std::filesystem::create_directory(DownloadFolder(), ignored);

        const std::string name(LocalFileName(url_));
        const std::string localPath = DownloadFolder().string() + "/" + name;
        if (!IsArchiveName(localPath)) {
            RefusalPath();
        } else {
            Download(*session, name);
        }
        CloseQuietly(*session);
    }

    void Download(InternetSession& session, const std::string& name) {
        if (!Step([this] {
                StartAnimationIfStopped();
                NoteExpectedChecksum();
                logins_.NoteKnown(url_);
            })) {
            return;
        }
        logins_.GiveTo(session);
        if (!Transfer(session, name)) return;
        LookUpPublishedDigest(session);
        const std::filesystem::path saved = LocalPath(name);
        if (PassesChecksum(saved)) {
            Step([this, &saved] { EndOfTransfer(saved); });
        } else {
            MismatchPath();
        }
    }

    // False when the program ends during the transfer. A file an earlier
    // run left unfinished is continued when the server agrees; while a
    // transfer runs, its part record says what to continue next time, and
    // it stays until the entry's move to the downloaded files is saved.
    bool Transfer(InternetSession& session, const std::string& name) {
        const std::filesystem::path localPath = LocalPath(name);
        const bool split = context_.options.connectionsPerFile > 1;
        const SegmentedStart start = split ? PlanSegmentedStart(localPath, url_) : SegmentedStart{};
        HttpResumePlan plan = split ? start.plan : PlanHttpResume(localPath, url_);
        std::unique_ptr<HttpFile> remote = Open(session, plan);
        if (split && AllowsSegments(*remote, start)) {
            const std::optional<bool> done = InSegments(session, std::move(remote), start, localPath);
            if (done) return *done;
            // The file changed on the server: fetched whole, on a session
            // of its own, since the first may have been aborted.
            std::unique_ptr<InternetSession> fresh = OpenSession(sessions_);
            const ScopedWorkerSession registered(*context_.control, *fresh);
            logins_.GiveTo(*fresh);
            const bool received = Transfer(*fresh, name, {});
            CloseQuietly(*fresh);
            return received;
        }
        return Transfer(session, name, std::move(remote), plan);
    }

    bool Transfer(InternetSession& session, const std::string& name, const HttpResumePlan& plan) {
        return Transfer(session, name, Open(session, plan), plan);
    }

    bool Transfer(InternetSession& session, const std::string& name, std::unique_ptr<HttpFile> remote,
                  HttpResumePlan plan) {
        const std::filesystem::path localPath = LocalPath(name);
        ResumeAnswer answer = JudgeResumeAnswer(*remote, plan);
        if (answer == ResumeAnswer::kAskAgain) {
            CloseQuietly(*remote);
            plan = {};
            remote = Open(session, plan);
            answer = ResumeAnswer::kWriteWhole;
        }
        StartDigest(remote.get());
        if (answer == ResumeAnswer::kComplete) {
            CloseQuietly(*remote);
            HashEarlierPart(localPath, plan.offset);
            return true;
        }
        if (answer == ResumeAnswer::kWriteWhole && !KeepPartRecord(localPath, PartRecordFor(*remote, url_))) {
            return false;
        }
        remote->SetReadBufferSize(kReadBufferSize);
        const std::int64_t appendAt = answer == ResumeAnswer::kAppend ? plan.offset : 0;
        return Receive(*remote, name, progressInterval_, appendAt);
    }

    // The file over several connections: true when it is whole, false when
    // the program ends meanwhile, nothing when it is to be fetched whole.
    std::optional<bool> InSegments(InternetSession& session, std::unique_ptr<HttpFile> first,
                                   const SegmentedStart& start, const std::filesystem::path& localPath) {
        StartDigest(first.get());
        auto connections = std::make_shared<std::atomic<int>>(1);
        const std::optional<ContentRange> range = AnswerRange(*first);
        const std::optional<std::uint64_t> size = static_cast<std::uint64_t>(range ? range->size : 0);
        CoalescedProgress progress(*context_.ui, MakeProgressReport(size, connections), progressInterval_);
        const SegmentedFetch fetch{
            .url = url_,
            .localPath = localPath,
            .maxConnections = context_.options.connectionsPerFile,
            .control = *context_.control,
            .keepRecord =
                [this, &localPath](const PartRecord& record) { return KeepPartRecord(localPath, record); },
            .report =
                [&](std::uint64_t bytes, std::uint64_t, int used) {
                    connections->store(std::max(used, 1));
                    progress.Report(bytes);
                },
        };
        switch (FetchInSegments(session, std::move(first), start, fetch)) {
            case SegmentedEnd::kComplete: HashEarlierPart(localPath, LocalFileSize(localPath)); return true;
            case SegmentedEnd::kEnding: return false;
            case SegmentedEnd::kFetchWhole: break;
        }
        return std::nullopt;
    }

    // A 401 of the address's own server asks for a login and tries again;
    // one of a redirection's target on another server cannot be answered,
    // since no login is sent there.
    std::unique_ptr<HttpFile> Open(InternetSession& session, const HttpResumePlan& plan) {
        OpenUrlOptions options;
        options.headers = plan.headers;
        for (;;) {
            try {
                return session.OpenURL(url_, options);
            } catch (const LoginRequired& answer) {
                if (LoginOriginOf(answer.Url()) != LoginOriginOf(url_) ||
                    !logins_.AskAfter401(session, url_, answer.Realm())) {
                    throw logins_.Refusal(url_, answer);
                }
            }
        }
    }

    // Runs on the user-interface thread.
    void EndOfTransfer(const std::filesystem::path& saved) {
        if (MoveToDownloadedFiles(saved)) StopAnimationIfRunning();
        EndTransfer();
        context_.RemoveActiveRecord();
    }

    const InternetSessionFactory& sessions_;
    const std::chrono::nanoseconds progressInterval_;
    WorkerLogins logins_;
};

}  // namespace

void HttpFileWorker(WorkerContext& context, const InternetSessionFactory& sessions,
                    std::chrono::nanoseconds progressInterval) {
    HttpFileDownload(context, sessions, progressInterval).Run();
}

std::string_view LocalFileName(std::string_view url) {
    const std::size_t slash = url.rfind('/');
    return slash == std::string_view::npos ? url : url.substr(slash + 1);
}

void ForgetPartRecordOf(std::string_view url) {
    const std::string name(LocalFileName(url));
    if (!IsSafePathComponent(name)) return;
    const std::filesystem::path localPath = DownloadFolder() / name;
    const std::optional<PartRecord> record = LoadPartRecord(localPath);
    // Another address of the same name may own the record.
    if (record && record->url == url) ForgetPartRecord(localPath);
}
