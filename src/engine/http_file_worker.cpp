#include "engine/http_file_worker.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

#include "engine/archive_name.h"
#include "engine/file_worker_steps.h"
#include "engine/local_file.h"
#include "engine/local_paths.h"
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
          progressInterval_(progressInterval) {}

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
        std::unique_ptr<InternetSession> session = sessions_();
        ScopedAbort abort(*context_.control, [raw = session.get()] { raw->Abort(); });
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
        if (!Step([this] { StartAnimationIfStopped(); })) return;
        if (Transfer(session, name)) Step([this] { EndOfTransfer(); });
    }

    // False when the program ends during the transfer.
    bool Transfer(InternetSession& session, const std::string& name) {
        std::unique_ptr<InternetFile> remote = session.OpenURL(url_);
        remote->SetReadBufferSize(kReadBufferSize);
        return Receive(*remote, name, progressInterval_);
    }

    // Runs on the user-interface thread.
    void EndOfTransfer() {
        if (MoveToDownloadedFiles()) StopAnimationIfRunning();
        EndTransfer();
        context_.RemoveActiveRecord();
    }

    const InternetSessionFactory& sessions_;
    const std::chrono::nanoseconds progressInterval_;
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
