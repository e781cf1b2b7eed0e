#include "engine/file_worker_steps.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#include "engine/http_file_worker.h"
#include "engine/local_file.h"
#include "engine/local_paths.h"
#include "engine/worker_session.h"
#include "workers/app_state.h"
#include "workers/exception_message.h"
#include "workers/shown_transfer.h"

namespace {

constexpr std::size_t kBlockSize = 255;

constexpr const char* kNotAnArchiveMessage =
    "The file you are trying to download \nis not an archive file!\nPlease check your URL!";
constexpr const char* kInvalidLocalNameMessage = "Invalid local file name";
}  // namespace

std::string ProgressText(std::uint32_t bytes) { return "Downloading..." + KilobytesReadText(bytes); }

std::string KilobytesReadText(std::uint32_t bytes) {
    const float kilobytes = static_cast<float>(bytes) * 0.0009765625f;
    char text[64];
    std::snprintf(text, sizeof text, "%.02fk read", static_cast<double>(kilobytes));
    return text;
}

FileWorkerSteps::FileWorkerSteps(WorkerContext& context, FileWorkerTexts texts)
    : context_(context), url_(context.key), texts_(texts) {}

bool FileWorkerSteps::Step(const std::function<void()>& step) { return context_.Step(step); }

int FileWorkerSteps::Position() const { return context_.store.RequestedFiles.FindByName(url_); }

std::filesystem::path FileWorkerSteps::LocalPath(const std::string& name) {
    if (!IsSafePathComponent(name)) throw LocalFileError(kInvalidLocalNameMessage);
    return DownloadFolder() / name;
}

bool FileWorkerSteps::KeepPartRecord(const std::filesystem::path& localPath, const PartRecord& record) {
    return context_.OnUi([&] { SavePartRecord(localPath, record); });
}

std::unique_ptr<InternetSession> FileWorkerSteps::OpenSession(const InternetSessionFactory& sessions) const {
    return OpenWorkerSession(sessions, context_.options);
}

bool FileWorkerSteps::Receive(InternetFile& remote, const std::string& name,
                              std::chrono::nanoseconds progressInterval, std::int64_t appendAt) {
    const std::filesystem::path localPath = LocalPath(name);
    HashEarlierPart(localPath, appendAt);
    LocalFile local(localPath, appendAt);
    local.HashWith(digest_.get());

    // The file's bytes so far and its size, those of an earlier run included.
    auto total = static_cast<std::uint64_t>(appendAt);
    CoalescedProgress progress(*context_.ui, MakeProgressReport(WholeFileSize(remote, total)),
                               progressInterval);
    char block[kBlockSize + 1];
    for (;;) {
        if (!context_.PassGate()) return false;
        const std::size_t count = remote.Read(block, kBlockSize);
        if (count == 0) break;
        local.Write(block, count);
        total += count;
        progress.Report(total);
    }
    CloseQuietly(remote);
    local.Close();
    return true;
}

// The report runs on the user-interface thread, maybe after the worker is
// gone; it holds what it needs by value.
CoalescedProgress::Apply FileWorkerSteps::MakeProgressReport(
    std::optional<std::uint64_t> size, const std::shared_ptr<const std::atomic<int>>& connections) const {
    return [url = url_, size, texts = texts_, control = context_.control, &store = context_.store,
            &state = context_.state, &window = context_.window, connections](std::uint64_t bytes) {
        if (control->IsHalted()) return;         // keeps the "Stopped" of the Stop command
        if (control->Gate().IsEnding()) return;  // the entry was deleted, or the program ends
        PlayAnimationIfStopped(state, window);
        const int position = store.RequestedFiles.FindByName(url);
        if (position < 0) return;
        // The text counts in 32 bits and wraps like the counter it always was.
        const std::string text = ProgressText(static_cast<std::uint32_t>(bytes));
        if (texts.progressInEntry) store.RequestedFiles.GetAt(position)->status = text;
        const int row = RowOf(store.RequestedFiles, position);
        if (state.SelectedRow == row && state.ShownList == kRequestedFilesList) {
            window.SetStatusText(text);
        }
        const int used = connections ? connections->load() : 1;
        ReportTransfer(state, window, kRequestedFilesList, url, row,
                       {.bytes = bytes, .size = size, .connections = used});
    };
}

void FileWorkerSteps::EndTransfer() {
    ::EndTransfer(context_.state, context_.window, kRequestedFilesList, url_);
}

void FileWorkerSteps::StartAnimationIfStopped() { PlayAnimationIfStopped(context_.state, context_.window); }

void FileWorkerSteps::StopAnimationIfRunning() { ::StopAnimationIfRunning(context_.state, context_.window); }

void FileWorkerSteps::NoteExpectedChecksum() {
    const ChecksumTable::Entry* entry = context_.store.Checksums.Find(url_);
    if (entry != nullptr) expected_ = entry->expected;
    findPublished_ = context_.options.findPublishedChecksums;
}

void FileWorkerSteps::StartDigest(const HttpFile* answer) {
    lookForPublished_ = !expected_ && findPublished_ && answer != nullptr;
    if (lookForPublished_) {
        published_ =
            DigestFromHeaders(answer->QueryInfoHeader("Repr-Digest"), answer->QueryInfoHeader("Digest"));
    }
    std::optional<DigestKind> kind;
    if (expected_) {
        kind = expected_->kind;
    } else if (published_) {
        kind = published_->checksum.kind;
    } else if (lookForPublished_) {
        kind = DigestKind::kSha256;  // what publishers give most
    }
    if (kind) digest_ = std::make_unique<BackgroundDigest>(*kind);
}

void FileWorkerSteps::HashEarlierPart(const std::filesystem::path& localPath, std::int64_t bytes) {
    if (digest_) digest_->UpdateFromFile(localPath, bytes);
}

void FileWorkerSteps::LookUpPublishedDigest(InternetSession& session) {
    if (!lookForPublished_ || published_) return;
    published_ = FindPublishedDigest(
        url_, [&session](const std::string& address) { return FetchChecksumFile(session, address); });
}

bool FileWorkerSteps::PassesChecksum(const std::filesystem::path& localPath) {
    if (!digest_) return true;
    const DigestKind hashed = digest_->Kind();
    std::string actual = digest_->FinishHex();
    digest_.reset();
    const Checksum* wanted = expected_ ? &*expected_ : published_ ? &published_->checksum : nullptr;
    if (wanted == nullptr) return true;  // nothing published: nothing changes
    if (wanted->kind != hashed) actual = HashOfFile(localPath, wanted->kind);
    const std::string kind(DigestKindName(wanted->kind));
    if (actual == wanted->hex) {
        const std::string source = expected_ ? "the digest you gave" : published_->source;
        checkResult_ = kind + " verified (from " + source + "): " + actual;
        return true;
    }
    checkResult_ = MismatchText(wanted->kind, wanted->hex, actual);
    // Renamed before its record goes: a crash in between leaves a record
    // without its file, which is then fetched whole.
    RenameAsCorrupt(localPath);  // kept under its name when no other can be had
    return false;
}

void FileWorkerSteps::MismatchPath() {
    Step([this] {
        ForgetPartRecordOf(url_);
        context_.store.Checksums.SetResult(url_, checkResult_);
        ShowError(checkResult_);
    });
}

bool FileWorkerSteps::MoveToDownloadedFiles(const std::filesystem::path& savedPath) {
    ItemList<FileEntry>& requested = context_.store.RequestedFiles;
    AppState& state = context_.state;
    WindowPort& window = context_.window;
    const int position = Position();
    if (position < 0) {
        ForgetPartRecordOf(url_);
        return false;
    }
    context_.store.FinishedSinceSave.push_back(url_);
    const int row = RowOf(requested, position);
    FileEntry* entry = requested.GetAt(position);
    if (state.ShownList == kRequestedFilesList) window.DeleteRow(row);
    entry->status = "Success";
    context_.store.DownloadedFiles.Append(*entry);
    if (state.ShownList == kDownloadedFilesList) {
        const int newRow = window.InsertTopRow(entry->url);
        if (newRow >= 0) window.SetRowText(newRow, 1, "Success");
    }
    if (state.SelectedRow == row && state.ShownList == kRequestedFilesList) {
        window.SetLastActionText("Download ended");
        window.SetStatusText("Success");
    }
    requested.RemoveAt(position);
    // A download that was not checked leaves no result of an earlier one.
    context_.store.Checksums.SetResult(url_, checkResult_);
    if (!checkResult_.empty() && state.SelectedRow == row && state.ShownList == kRequestedFilesList) {
        window.ShowCheckResult(checkResult_);
    }
    window.ReportEntryEnded({kDownloadedFilesList, url_, "Success", savedPath.string()});
    return true;
}

void FileWorkerSteps::RefusalPath() {
    Step([this] {
        context_.window.ShowMessage(kNotAnArchiveMessage);
        // Looked up after the box is closed: the lists may have changed meanwhile.
        ItemList<FileEntry>& requested = context_.store.RequestedFiles;
        const int position = Position();
        if (position >= 0) {
            const int row = RowOf(requested, position);
            if (context_.state.ShownList == kRequestedFilesList) {
                context_.window.DeleteRow(row);
                if (context_.state.SelectedRow == row) {
                    context_.window.SetLastActionText("Download canceled");
                    context_.window.SetStatusText("Invalid archive file");
                }
            }
            requested.RemoveAt(position);
        }
        context_.RemoveActiveRecord();
    });
}

void FileWorkerSteps::ErrorPath(const std::exception_ptr& error) noexcept {
    try {
        ReportError(ExceptionMessage(error));
    } catch (...) {
        context_.RemoveActiveRecordAfterFailure();
    }
}

void FileWorkerSteps::ReportError(const std::string& message) {
    Step([this, &message] { ShowError(message); });
}

void FileWorkerSteps::ShowError(const std::string& message) {
    ItemList<FileEntry>& requested = context_.store.RequestedFiles;
    const int position = Position();
    if (position >= 0) {
        const int row = RowOf(requested, position);
        requested.GetAt(position)->status = message;
        if (context_.state.ShownList == kRequestedFilesList) {
            context_.window.SetRowText(row, 1, message);
        }
        if (texts_.errorInAnyStatusLine || context_.state.SelectedRow == row) {
            context_.window.SetStatusText(message);
        }
        context_.window.ReportEntryEnded({kRequestedFilesList, url_, message, {}});
    }
    EndTransfer();
    StopAnimationIfRunning();
    context_.RemoveActiveRecord();
}
