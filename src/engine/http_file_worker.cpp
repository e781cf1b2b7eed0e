#include "engine/http_file_worker.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "workers/coalesced_progress.h"
#include "engine/archive_name.h"
#include "engine/local_file.h"
#include "net/internet_exception.h"

namespace {

constexpr int kRequestedFilesList = 1;
constexpr int kDownloadedFilesList = 3;
constexpr std::size_t kBlockSize = 255;
constexpr std::size_t kReadBufferSize = 2048;
constexpr std::size_t kMaxLocalNameLength = 255;

constexpr const char* kNotAnArchiveMessage =
    "The file you are trying to download \nis not an archive file!\nPlease check your URL!";
constexpr const char* kInvalidLocalNameMessage = "Invalid local file name";

// Ends a transfer that is over or abandoned; a failure to close changes
// nothing for the worker.
template <typename Closable>
void CloseQuietly(Closable& closable) {
    try {
        closable.Close();
    } catch (const InternetException&) {
    }
}

// One run of the worker for one requested file.
class HttpFileDownload {
public:
    HttpFileDownload(WorkerContext& context, const InternetSessionFactory& sessions,
                     std::chrono::nanoseconds progressInterval)
        : context_(context), sessions_(sessions), progressInterval_(progressInterval), url_(context.key) {}

    void Run() {
        std::unique_ptr<InternetSession> session;
        try {
            session = sessions_();
        } catch (const InternetException& error) {
            ErrorPath(error.Message());
            return;
        }
        ScopedAbort abort(*context_.control, [raw = session.get()] { raw->Abort(); });
        std::error_code ignored;
        std::filesystem::create_directory(DownloadFolder(), ignored);

        const std::string name(LocalFileName(url_));
        const std::string localPath = DownloadFolder().string() + "/" + name;
        if (!IsArchiveName(localPath)) {
            RefusalPath();
        } else {
            Download(*session, name, localPath);
        }
        CloseQuietly(*session);
    }

private:
    // Worker thread: waits while halted, then runs the step on the
    // user-interface thread; false when the program is ending.
    bool Step(std::function<void()> step) {
        return context_.PassGate() && context_.OnUi(std::move(step));
    }

    void Download(InternetSession& session, const std::string& name, const std::string& localPath) {
        if (!Step([this] { PlayAnimationIfStopped(context_.state, context_.window); })) return;
        try {
            if (Transfer(session, name, localPath)) Step([this] { EndOfTransfer(); });
        } catch (const InternetException& error) {
            ErrorPath(error.Message());
        } catch (const LocalFileError& error) {
            ErrorPath(error.what());
        }
    }

    // False when the program ends during the transfer.
    bool Transfer(InternetSession& session, const std::string& name, const std::string& localPath) {
        std::unique_ptr<InternetFile> remote = session.OpenURL(url_);
        remote->SetReadBufferSize(kReadBufferSize);
        if (!IsSafeLocalName(name)) throw LocalFileError(kInvalidLocalNameMessage);
        LocalFile local(localPath);

        CoalescedProgress progress(*context_.ui, MakeProgressReport(), progressInterval_);
        char block[kBlockSize + 1];
        std::uint32_t total = 0;
        for (;;) {
            if (!context_.PassGate()) return false;
            const std::size_t count = remote->Read(block, kBlockSize);
            if (count == 0) break;
            local.Write(block, count);
            total += static_cast<std::uint32_t>(count);  // wraps like the 32-bit counter it is
            progress.Report(total);
        }
        CloseQuietly(*remote);
        local.Close();
        return true;
    }

    // The report runs on the user-interface thread, maybe after this object
    // is gone; it holds what it needs by value.
    CoalescedProgress::Apply MakeProgressReport() {
        return [url = url_, control = context_.control, &store = context_.store,
                &state = context_.state, &window = context_.window](std::uint32_t bytes) {
            if (control->IsHalted()) return;  // keeps the "Stopped" of the Stop command
            PlayAnimationIfStopped(state, window);
            const int position = store.RequestedFiles.FindByName(url);
            if (position < 0) return;
            const std::string text = ProgressText(bytes);
            store.RequestedFiles.GetAt(position)->status = text;
            if (state.SelectedRow == RowOf(store.RequestedFiles, position) &&
                state.ShownList == kRequestedFilesList) {
                window.SetStatusText(text);
            }
        };
    }

    static int RowOf(const ItemList<FileEntry>& list, int position) { return list.Count() - 1 - position; }

    // The steps below run on the user-interface thread.

    void EndOfTransfer() {
        ItemList<FileEntry>& requested = context_.store.RequestedFiles;
        AppState& state = context_.state;
        WindowPort& window = context_.window;
        const int position = requested.FindByName(url_);
        if (position >= 0) {
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
            StopAnimationIfRunning(context_.state, context_.window);
        }
        context_.RemoveActiveRecord();
    }

    void RefusalPath() {
        Step([this] {
            context_.window.ShowMessage(kNotAnArchiveMessage);
            // Looked up after the box is closed: the lists may have changed meanwhile.
            ItemList<FileEntry>& requested = context_.store.RequestedFiles;
            const int position = requested.FindByName(url_);
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

    void ErrorPath(const std::string& message) {
        Step([this, &message] {
            ItemList<FileEntry>& requested = context_.store.RequestedFiles;
            const int position = requested.FindByName(url_);
            if (position >= 0) {
                const int row = RowOf(requested, position);
                requested.GetAt(position)->status = message;
                if (context_.state.ShownList == kRequestedFilesList) {
                    context_.window.SetRowText(row, 1, message);
                }
                if (context_.state.SelectedRow == row) context_.window.SetStatusText(message);
            }
            StopAnimationIfRunning(context_.state, context_.window);
            context_.RemoveActiveRecord();
        });
    }

    WorkerContext& context_;
    const InternetSessionFactory& sessions_;
    const std::chrono::nanoseconds progressInterval_;
    const std::string url_;
};

}  // namespace

void HttpFileWorker(WorkerContext& context, const InternetSessionFactory& sessions,
                    std::chrono::nanoseconds progressInterval) {
    HttpFileDownload(context, sessions, progressInterval).Run();
}

std::string ProgressText(std::uint32_t bytes) { return "Downloading..." + KilobytesReadText(bytes); }

std::string KilobytesReadText(std::uint32_t bytes) {
    const float kilobytes = static_cast<float>(bytes) * 0.0009765625f;
    char text[64];
    std::snprintf(text, sizeof text, "%.02fk read", static_cast<double>(kilobytes));
    return text;
}

std::string_view LocalFileName(std::string_view url) {
    const std::size_t slash = url.rfind('/');
    return slash == std::string_view::npos ? url : url.substr(slash + 1);
}

bool IsSafeLocalName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.size() <= kMaxLocalNameLength &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}
