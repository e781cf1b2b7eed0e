#include "engine/crawl_view.h"

#include <utility>

#include "engine/file_worker_steps.h"
#include "workers/app_state.h"
#include "workers/shown_transfer.h"

CrawlView::Shared::Shared(const WorkerContext& context, std::string name)
    : projectName(std::move(name)),
      requestedSites(context.store.RequestedSites),
      state(context.state),
      window(context.window),
      control(context.control) {}

CrawlView::CrawlView(const WorkerContext& context, std::string projectName, std::chrono::nanoseconds interval)
    : shared_(std::make_shared<Shared>(context, std::move(projectName))), poster_(*context.ui, interval) {}

void CrawlView::SetStatusText(std::string text) { SetStatus(std::move(text), std::nullopt, false); }

void CrawlView::SetStatusTextWhenShown(std::string text) { SetStatus(std::move(text), std::nullopt, true); }

void CrawlView::SetBytesReadWhenShown(std::uint64_t bytes, std::optional<std::uint64_t> size, int transfer) {
    SetStatus(std::nullopt, TransferBoard::Report{.bytes = bytes, .size = size, .transfer = transfer}, true);
}

void CrawlView::SetStatus(std::optional<std::string> text, std::optional<TransferBoard::Report> transfer,
                          bool whenShown) {
    std::unique_lock lock(shared_->mutex);
    Waiting& waiting = shared_->waiting;
    if (!whenShown) waiting.lastAlwaysStatus = text;
    waiting.lastStatus = std::move(text);
    // The text counts in 32 bits and wraps like the counter it always was.
    waiting.lastBytes = transfer ? std::optional(static_cast<std::uint32_t>(transfer->bytes)) : std::nullopt;
    if (transfer) waiting.transfer = transfer;
    HandOverWhenDue(lock);
}

void CrawlView::SetLastActionWhenShown(std::string text) {
    std::unique_lock lock(shared_->mutex);
    shared_->waiting.lastAction = std::move(text);
    HandOverWhenDue(lock);
}

void CrawlView::AddTreeFile(std::string localPath) {
    std::unique_lock lock(shared_->mutex);
    shared_->waiting.treeFiles.push_back(std::move(localPath));
    HandOverWhenDue(lock);
}

void CrawlView::NoteTreeFile(std::string localPath, std::string note) {
    std::unique_lock lock(shared_->mutex);
    shared_->waiting.treeNotes.emplace_back(std::move(localPath), std::move(note));
    HandOverWhenDue(lock);
}

void CrawlView::PlayAnimationIfStopped() {
    if (shared_->state.AnimationRunning) return;
    std::unique_lock lock(shared_->mutex);
    shared_->waiting.playAnimation = true;
    HandOverWhenDue(lock);
}

// A record due at once is handed over as it is, so the crawl never waits
// for the user-interface thread and that thread, however far behind, shows
// every such record in order. A record made within the interval after the
// last hand-over waits for the interval's end rather than for the next
// record, which a slow server may hold back for long; it is then shown with
// whatever was recorded after it meanwhile.
void CrawlView::HandOverWhenDue(std::unique_lock<std::mutex>& lock) {
    if (shared_->handedOver) return;
    // Both hold the shared part, not this object: they may run after the crawl has ended.
    if (poster_.IsDue()) {
        auto shown = std::make_shared<Waiting>();
        std::swap(*shown, shared_->waiting);
        lock.unlock();
        poster_.Post([shared = shared_, shown] { shared->ShowQuietly(*shown); });
        return;
    }
    shared_->handedOver = true;
    lock.unlock();
    poster_.Post([shared = shared_] { shared->ShowQuietly(shared->TakeWaiting()); });
}

void CrawlView::ShowWaiting() { shared_->Show(shared_->TakeWaiting()); }

CrawlView::Waiting CrawlView::Shared::TakeWaiting() {
    Waiting shown;
    std::lock_guard lock(mutex);
    std::swap(shown, waiting);
    handedOver = false;
    return shown;
}

void CrawlView::Shared::ShowQuietly(const Waiting& shown) {
    try {
        Show(shown);
    } catch (...) {  // a view that cannot be shown (no memory) is dropped, not thrown into the event loop
    }
}

void CrawlView::Shared::Show(const Waiting& shown) {
    // Ended: the project was deleted, and a new one may have its name.
    if (control->Gate().IsEnding()) return;
    if (!shown.treeFiles.empty()) window.AddTreeFiles(projectName, shown.treeFiles);
    for (const auto& [path, note] : shown.treeNotes) window.NoteTreeFile(projectName, path, note);
    // While halted the texts of the Stop command stay; the crawl's next step replaces them.
    if (control->IsHalted()) return;
    const int position = requestedSites.FindByName(projectName);
    if (position < 0) return;  // deleted or renamed: the crawl ends without reporting
    if (shown.playAnimation) ::PlayAnimationIfStopped(state, window);
    const int row = requestedSites.Count() - 1 - position;
    const bool isShown = state.ShownList == kRequestedSitesList && state.SelectedRow == row;
    if (isShown && shown.lastBytes) {
        window.SetStatusText(KilobytesReadText(*shown.lastBytes));
    } else if (isShown && shown.lastStatus) {
        window.SetStatusText(*shown.lastStatus);
    } else if (shown.lastAlwaysStatus) {
        window.SetStatusText(*shown.lastAlwaysStatus);
    }
    if (isShown && shown.lastAction) window.SetLastActionText(*shown.lastAction);
    if (shown.transfer) ReportTransfer(state, window, kRequestedSitesList, projectName, row, *shown.transfer);
}
