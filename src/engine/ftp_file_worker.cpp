#include "engine/ftp_file_worker.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

#include "engine/archive_name.h"
#include "engine/local_paths.h"
#include "engine/part_records.h"
#include "engine/server_logins.h"
#include "net/ftp_connection.h"
#include "net/internet_exception.h"
#include "store/text_utils.h"
#include "workers/app_state.h"
#include "workers/exception_message.h"

namespace {

constexpr std::size_t kReadBufferSize = 2048;

constexpr const char* kParseErrorMessage = "Error parsing url";
constexpr const char* kNotFoundMessage = "Error finding file";
constexpr const char* kInProgressText = "Downloading in progress...";

// A part of an address that, once decoded, would be more than one name or
// break the command it is sent in.
bool IsUnsafeDecodedPart(std::string_view part) {
    return part.find_first_of(std::string_view("/\r\n\0", 4)) != std::string_view::npos;
}

// The directory and the file name as the server knows them: every part
// between slashes percent-decoded, as the address stores them escaped.
// Nothing when a decoded part holds a '/', a line break or a NUL.
std::optional<FtpUrlParts> DecodedForServer(const FtpUrlParts& parts) {
    FtpUrlParts decoded{parts.server, {}, PercentDecoded(parts.fileName)};
    if (IsUnsafeDecodedPart(decoded.fileName)) return std::nullopt;
    std::string_view directory = parts.directory;
    for (;;) {
        const std::size_t slash = directory.find('/');
        const std::string part = PercentDecoded(directory.substr(0, slash));
        if (IsUnsafeDecodedPart(part)) return std::nullopt;
        decoded.directory += part;
        if (slash == std::string_view::npos) return decoded;
        decoded.directory += '/';
        directory.remove_prefix(slash + 1);
    }
}

// One run of the worker for one requested file.
class FtpFileDownload : private FileWorkerSteps {
public:
    FtpFileDownload(WorkerContext& context, const InternetSessionFactory& sessions,
                    std::chrono::nanoseconds progressInterval)
        : FileWorkerSteps(context, {.progressInEntry = false, .errorInAnyStatusLine = true}),
          sessions_(sessions),
          progressInterval_(progressInterval),
          logins_(context) {}

    // Whatever fails ends in the error path, so that no entry is left
    // "Downloading..." with no worker behind it.
    void Run() {
        try {
            Download();
        } catch (...) {
            ErrorPath(std::current_exception());
        }
    }

private:
    void Download() {
        const std::optional<FtpUrlParts> parts = SplitFtpUrl(url_);
        const std::optional<FtpUrlParts> remote = parts ? DecodedForServer(*parts) : std::nullopt;
        if (!remote) {
            EndWithMessage(kParseErrorMessage);
            return;
        }
        std::error_code ignored;
        std::filesystem::create_directory(DownloadFolder(), ignored);
        if (!IsArchiveName(parts->fileName)) {
            RefusalPath();
            return;
        }
        if (!Step([this] {
                StartAnimationIfStopped();
                NoteExpectedChecksum();
                logins_.NoteKnown(url_);
            })) {
            return;
        }
        StartDigest();
        switch (Fetch(*remote, parts->fileName)) {
            case Outcome::kFetched: {
                const std::filesystem::path saved = LocalPath(parts->fileName);
                if (PassesChecksum(saved)) {
                    Step([this, &saved] { EndOfTransfer(saved); });
                } else {
                    MismatchPath();
                }
                break;
            }
            case Outcome::kNotFound:
                EndWithMessage(kNotFoundMessage);
                break;  // the entry and the animation stay
            case Outcome::kEnding: break;
        }
    }

    enum class Outcome { kFetched, kNotFound, kEnding };

    // Fetches the file over a session and connection of its own, which are
    // closed (the server hears QUIT) by the time it returns or raises. The
    // local file is named after the address as it stands, as an HTTP
    // download is.
    Outcome Fetch(const FtpUrlParts& parts, const std::string& localName) {
        const std::unique_ptr<InternetSession> session = OpenSession(sessions_);
        const ScopedWorkerSession registered(*context_.control, *session);
        logins_.GiveTo(*session);
        const std::unique_ptr<FtpConnection> connection = session->GetFtpConnection(parts.server);
        if (!Found(*connection, parts)) return Outcome::kNotFound;
        if (!Step([this] { ShowInProgress(); })) return Outcome::kEnding;
        const std::filesystem::path localPath = LocalPath(localName);
        const std::optional<std::int64_t> remoteSize = connection->GetFileSize(parts.fileName);
        const std::optional<std::int64_t> earlierPart = EarlierPart(localPath, remoteSize);
        // An earlier run fetched it whole.
        if (earlierPart && earlierPart == remoteSize) {
            HashEarlierPart(localPath, *earlierPart);
            return Outcome::kFetched;
        }
        PartRecord record;
        record.url = url_;
        record.size = remoteSize.value_or(-1);
        if (!KeepPartRecord(localPath, record)) return Outcome::kEnding;
        std::int64_t restartAt = earlierPart.value_or(0);
        std::unique_ptr<InternetFile> remote;
        try {
            remote = connection->OpenFile(parts.fileName, restartAt);
        } catch (const InternetException& error) {
            if (error.Error() != InternetError::kRestartRefused) throw;
            restartAt = 0;
            remote = connection->OpenFile(parts.fileName, 0);
        }
        remote->SetReadBufferSize(kReadBufferSize);
        if (!Receive(*remote, localName, progressInterval_, restartAt)) return Outcome::kEnding;
        return Outcome::kFetched;
    }

    // The bytes of the local file that an earlier run of this address wrote,
    // when the server's size is still the one it gave then (FTP has no other
    // sign of a changed file) and not smaller; nothing when there is no such
    // part. Only a record tells the program's own file from another one of
    // that name, even an empty one.
    std::optional<std::int64_t> EarlierPart(const std::filesystem::path& localPath,
                                            const std::optional<std::int64_t>& remoteSize) const {
        const std::optional<PartRecord> record = LoadPartRecord(localPath);
        if (!record || record->url != url_ || !remoteSize || record->size != *remoteSize) return std::nullopt;
        const std::int64_t localSize = LocalFileSize(localPath);
        if (localSize < 0 || localSize > *remoteSize) return std::nullopt;
        return localSize;
    }

    // A refused change of directory finds nothing: the name is never looked
    // up, and so never fetched, in another directory.
    static bool Found(FtpConnection& connection, const FtpUrlParts& parts) {
        if (!parts.directory.empty() && !connection.SetCurrentDirectory(parts.directory)) return false;
        return connection.FindFile(parts.fileName);
    }

    // Worker thread: a message box, and the worker ends with nothing else
    // changed.
    void EndWithMessage(const char* message) {
        Step([this, message] {
            context_.window.ShowMessage(message);
            context_.RemoveActiveRecord();
        });
    }

    // The steps below run on the user-interface thread.

    void ShowInProgress() {
        const int position = Position();
        if (position < 0) return;
        ItemList<FileEntry>& requested = context_.store.RequestedFiles;
        requested.GetAt(position)->status = kInProgressText;
        if (context_.state.ShownList == kRequestedFilesList) {
            context_.window.SetRowText(RowOf(requested, position), 1, kInProgressText);
        }
    }

    void EndOfTransfer(const std::filesystem::path& saved) {
        MoveToDownloadedFiles(saved);
        EndTransfer();
        StopAnimationIfRunning();
        context_.RemoveActiveRecord();
    }

    const InternetSessionFactory& sessions_;
    const std::chrono::nanoseconds progressInterval_;
    WorkerLogins logins_;
};

}  // namespace

void FtpFileWorker(WorkerContext& context, const InternetSessionFactory& sessions,
                   std::chrono::nanoseconds progressInterval) {
    FtpFileDownload(context, sessions, progressInterval).Run();
}

std::optional<FtpUrlParts> SplitFtpUrl(std::string_view url) {
    const std::size_t doubleSlash = url.find("//");
    if (doubleSlash == std::string_view::npos) return std::nullopt;
    // In an address that starts with "ftp://" the slashes stand at positions
    // 4 and 5; hidden in a working copy, the first '/' left ends the server.
    std::string working(url);
    for (const std::size_t at : {4u, 5u}) {
        if (at < working.size()) working[at] = 'x';
    }
    const std::size_t serverStart = doubleSlash + 2;
    const std::size_t firstSlash = working.find('/');
    // Before the server when the "//" stands elsewhere: no '/' after it then.
    if (firstSlash == std::string::npos || firstSlash < serverStart) return std::nullopt;
    const std::size_t lastSlash = working.rfind('/');
    FtpUrlParts parts;
    parts.server = url.substr(serverStart, firstSlash - serverStart);
    if (lastSlash > firstSlash) parts.directory = url.substr(firstSlash + 1, lastSlash - firstSlash - 1);
    parts.fileName = url.substr(lastSlash + 1);
    return parts;
}
