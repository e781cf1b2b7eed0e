#include "engine/crawl_view.h"

#include <utility>

#include "engine/file_worker_steps.h"

namespace {

constexpr int kRequestedSitesList = 2;

}  // namespace

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

void CrawlView::SetBytesReadWhenShown(std::uint32_t bytes) { SetStatus(std::nullopt, bytes, true); }

void CrawlView::SetStatus(std::optional<std::string> text, std::optional<std::uint32_t> bytes,
                          bool whenShown) {
    std::unique_lock lock(shared_->mutex);
    Waiting& waiting = shared_->waiting;
    if (!whenShown) waiting.lastAlwaysStatus = text;
    waiting.lastStatus = std::move(text);
    waiting.lastBytes = bytes;
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

void CrawlView::PlayAnimationIfStopped() {
    if (shared_->state.AnimationRunning) return;
    std::unique_lock lock(shared_->mutex);
    shared_->waiting.playAnimation = true;
    HandOverWhenDue(lock);
}

// A record made within the interval after the last hand-over waits for the
// interval's end rather than for the next record, which a slow server may
// hold back for long.
void CrawlView::HandOverWhenDue(std::unique_lock<std::mutex>& lock) {
    if (shared_->handedOver) return;
    shared_->handedOver = true;
    lock.unlock();
    // Holds the shared part, not this object: it may run after the crawl has ended.
    auto show = [shared = shared_] {
        try {
            shared->Show();
        } catch (...) {  // a view that cannot be shown (no memory) is dropped, not thrown into the event loop
        }
    };
    poster_.Post(std::move(show));
}

void CrawlView::ShowWaiting() { shared_->Show(); }

void CrawlView::Shared::Show() {
    Waiting shown;
    {
        std::lock_guard lock(mutex);
        std::swap(shown, waiting);
        handedOver = false;
    }
    if (!shown.treeFiles.empty()) window.AddTreeFiles(projectName, shown.treeFiles);
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
}
