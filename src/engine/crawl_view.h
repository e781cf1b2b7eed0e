#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "workers/worker_context.h"

// What a site crawl shows of itself: status texts, the last action, the
// files saved in the downloaded tree and the activity animation. The crawl
// records them on its own thread as they happen, line by line and block by
// block; they are handed over to the user-interface thread at most once per
// interval, and never later than the interval's end; what is recorded within
// an interval is coalesced, so that only the latest text of each line is
// shown there. The crawl never waits for them. Whatever waits is shown at
// the crawl's next step on the user-interface thread at the latest
// (ShowWaiting), so the last text is always shown.
//
// "When shown" texts are written only while the requested web sites are
// listed and the project's row is the selected row, taken when they are shown.
class CrawlView {
public:
    CrawlView(const WorkerContext& context, std::string projectName, std::chrono::nanoseconds interval);

    // Worker thread: these record what is to be shown and hand it over when
    // it is due; none of them waits.
    void SetStatusText(std::string text);  // whatever list is shown
    void SetStatusTextWhenShown(std::string text);
    // "%.02fk read" of the bytes of file number `transfer`, whose size the
    // server may have announced; the status pane's figures follow them.
    void SetBytesReadWhenShown(std::uint64_t bytes, std::optional<std::uint64_t> size, int transfer);
    void SetLastActionWhenShown(std::string text);
    void AddTreeFile(std::string localPath);
    // What the check of a saved file against its checksum found.
    void NoteTreeFile(std::string localPath, std::string note);
    // Reads the animation flag without a hand-over; starts it when clear.
    void PlayAnimationIfStopped();

    // User-interface thread: shows what waits now.
    void ShowWaiting();

private:
    // What was recorded since it was last shown.
    struct Waiting {
        std::optional<std::string> lastStatus;          // the latest status text of either kind,
        std::optional<std::uint32_t> lastBytes;         // or instead the latest byte count
        std::optional<TransferBoard::Report> transfer;  // the latest byte count with its size
        std::optional<std::string> lastAlwaysStatus;    // the latest one written whatever is shown
        std::optional<std::string> lastAction;
        std::vector<std::string> treeFiles;
        std::vector<std::pair<std::string, std::string>> treeNotes;  // path, note
        bool playAnimation = false;
    };

    struct Shared {
        Shared(const WorkerContext& context, std::string name);
        // User-interface thread.
        Waiting TakeWaiting();
        void Show(const Waiting& shown);
        void ShowQuietly(const Waiting& shown);  // drops what cannot be shown

        const std::string projectName;
        ItemList<WebProject>& requestedSites;
        AppState& state;
        WindowPort& window;
        const std::shared_ptr<WorkerControl> control;
        std::mutex mutex;
        Waiting waiting;
        bool handedOver = false;  // a Show of what waits is due on the user-interface thread
    };

    // Worker thread, with the lock held.
    void HandOverWhenDue(std::unique_lock<std::mutex>& lock);
    void SetStatus(std::optional<std::string> text, std::optional<TransferBoard::Report> transfer,
                   bool whenShown);

    const std::shared_ptr<Shared> shared_;
    PacedPoster poster_;  // worker thread only
};
