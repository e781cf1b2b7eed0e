#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/file_digest.h"
#include "engine/part_records.h"
#include "engine/published_checksums.h"
#include "net/close_quietly.h"
#include "net/internet_file.h"
#include "net/internet_session.h"
#include "store/checksums.h"
#include "store/item_list.h"
#include "store/records.h"
#include "workers/coalesced_progress.h"
#include "workers/worker_context.h"

// Progress of a file worker is handed over at most once per interval (see
// CoalescedProgress).
inline constexpr std::chrono::milliseconds kProgressInterval{10};

// "Downloading...%.02fk read" for the bytes written so far, kilobytes in
// single precision.
std::string ProgressText(std::uint32_t bytes);
// The same without "Downloading...".
std::string KilobytesReadText(std::uint32_t bytes);

// Where a file worker shows its progress and its errors: the two file
// workers differ only in these.
struct FileWorkerTexts {
    // The entry's status follows the kilobytes read (HTTP); otherwise it
    // keeps what it had and only the status line shows them (FTP).
    bool progressInEntry = true;
    // An Internet error shows in the status line whatever row it refers to
    // (FTP); otherwise only when the entry's row is the status row (HTTP).
    bool errorInAnyStatusLine = false;
};

// What the file workers share: their entry, found again by its url at each
// step, the steps that touch the lists, the process-wide state and the
// windows, and the copy of a remote file into the download folder. Steps run
// on the user-interface thread, handed over by the worker thread.
class FileWorkerSteps {
protected:
    FileWorkerSteps(WorkerContext& context, FileWorkerTexts texts);

    // Worker thread: waits while halted, then runs the step on the
    // user-interface thread; false when the program is ending.
    bool Step(const std::function<void()>& step);

    // Worker thread: the name is not an archive. A message box, then the
    // entry is deleted from the requested files (not downloaded), with
    // "Download canceled" / "Invalid archive file" for its status row.
    void RefusalPath();

    // Worker thread: the transfer failed. The error's message becomes the
    // entry's status and its row's text, and the status line's (see
    // FileWorkerTexts); the animation stops and the entry stays requested.
    // Should that step fail too (no memory), the worker's record still goes.
    void ErrorPath(const std::exception_ptr& error) noexcept;

    // Worker thread: reads the remote file in 255-byte blocks into the file
    // `name` of the download folder, after its first `appendAt` bytes (0:
    // from its start), reporting progress, and closes both. False when the
    // program ends meanwhile. Raises InternetException, and LocalFileError
    // when the local file cannot be made or written.
    bool Receive(InternetFile& remote, const std::string& name, std::chrono::nanoseconds progressInterval,
                 std::int64_t appendAt = 0);

    // The report of the bytes received, with the size the server announced
    // and, for a file fetched over several connections, how many it uses.
    CoalescedProgress::Apply MakeProgressReport(
        std::optional<std::uint64_t> size,
        const std::shared_ptr<const std::atomic<int>>& connections = {}) const;

    // Worker thread: writes the part record of the file about to be written.
    // It is written on the user-interface thread, where Delete forgets it,
    // so a worker ended meanwhile leaves none behind. False when the worker
    // is to end.
    bool KeepPartRecord(const std::filesystem::path& localPath, const PartRecord& record);

    // User-interface thread: notes the checksum the user gave for the
    // address, if any, and whether published ones are looked for, in the
    // step before the transfer (no step of its own, so the request goes out
    // as soon as before).
    void NoteExpectedChecksum();
    // Worker thread: with a checksum to check, the file's bytes are hashed
    // from now on as they are written, on a thread of their own. With an
    // HTTP answer, published checksums may be looked for: the answer's
    // digest header, else (hashing sha256) the files LookUpPublishedDigest
    // reads.
    void StartDigest(const HttpFile* answer = nullptr);
    // Worker thread: hashes the first bytes of the local file, those an
    // earlier run wrote, before those written next; when a checksum is
    // expected.
    void HashEarlierPart(const std::filesystem::path& localPath, std::int64_t bytes);
    // Worker thread: once the file is complete, the first digest published
    // beside it on the server, when one is looked for and the answer gave none.
    void LookUpPublishedDigest(InternetSession& session);
    // Worker thread: after the whole file has been hashed, whether it has
    // the checksum expected. A file without one passes. A file that fails is
    // renamed NAME.corrupt (another free name when that one is taken) and
    // its part record goes, so nothing takes it for the real one. Raises
    // LocalFileError when the file cannot be read.
    bool PassesChecksum(const std::filesystem::path& localPath);
    // Worker thread: the entry stays requested with "Checksum mismatch..."
    // as its status, reported like an error.
    void MismatchPath();

    // Worker thread: the local path of a name of the download folder;
    // raises LocalFileError for a name that cannot be one.
    static std::filesystem::path LocalPath(const std::string& name);

    // Worker thread: a session with the worker's transfer options.
    std::unique_ptr<InternetSession> OpenSession(const InternetSessionFactory& sessions) const;

    // User-interface thread.
    void StartAnimationIfStopped();
    void StopAnimationIfRunning();
    // Moves the entry, when it is still requested, to the downloaded files
    // with the status "Success", in the lists and the rows shown; false when
    // the user deleted it meanwhile. The file's part record goes once the
    // lists holding the move are saved (ItemStore::FinishedSinceSave), or
    // at once when there is no entry to move. The saved file's path goes
    // with the report of the end.
    bool MoveToDownloadedFiles(const std::filesystem::path& savedPath);
    // The transfer's figures go from the status pane.
    void EndTransfer();
    // The entry's position in the requested files (-1 when absent) and the
    // row that shows it.
    int Position() const;
    static int RowOf(const ItemList<FileEntry>& list, int position) { return list.Count() - 1 - position; }

    WorkerContext& context_;
    const std::string url_;

private:
    void ReportError(const std::string& message);
    // User-interface thread: the error's message in the entry, its row and the status line.
    void ShowError(const std::string& message);

    const FileWorkerTexts texts_;
    // Set by NoteExpectedChecksum; used by the worker thread, and by steps
    // it waits for.
    std::optional<Checksum> expected_;
    bool findPublished_ = false;
    // Worker thread.
    bool lookForPublished_ = false;  // no checksum given, an HTTP answer
    std::optional<PublishedDigest> published_;
    std::unique_ptr<BackgroundDigest> digest_;
    std::string checkResult_;
};
