#pragma once

#include <atomic>

#include "store/records.h"
#include "workers/transfer_board.h"

// A switch written on the user-interface thread that workers may also read
// from their own threads, without a hand-over, as a hint of what to hand over.
class MirroredFlag {
public:
    MirroredFlag(bool value = false) : value_(value) {}  // NOLINT: a bool in all but its storage
    MirroredFlag(const MirroredFlag& other) : value_(other.value_.load(std::memory_order_relaxed)) {}
    MirroredFlag& operator=(const MirroredFlag& other) { return *this = static_cast<bool>(other); }
    // User-interface thread.
    MirroredFlag& operator=(bool value) {
        value_.store(value, std::memory_order_relaxed);
        return *this;
    }
    // Any thread.
    operator bool() const { return value_.load(std::memory_order_relaxed); }  // NOLINT

private:
    std::atomic<bool> value_;
};

// Process-wide state shared by the commands, the scheduler and the workers.
// Touched on the user-interface thread only, except where a field says so.
struct AppState {
    // The list shown in the entry list panel: 1 requested files, 2 requested
    // web sites, 3 downloaded files, 4 downloaded web sites, 5 requested
    // search projects, 6 search results.
    int ShownList = 1;
    // The row of the entry list panel that the status view refers to.
    int SelectedRow = 0;
    // Whether the status view's activity animation plays. Workers read it
    // from their own threads and hand over a start only when it is clear.
    MirroredFlag AnimationRunning = false;
    // The byte counts of the running transfers, for the status pane.
    TransferBoard Transfers;

    // Hand-over slots: the entry a worker being started takes.
    FileEntry* PendingFileEntry = nullptr;
    WebProject* PendingSiteProject = nullptr;
    SearchProject* PendingSearchProject = nullptr;

    void ClearHandOverSlots() {
        PendingFileEntry = nullptr;
        PendingSiteProject = nullptr;
        PendingSearchProject = nullptr;
    }
};

// The process-wide state; never destroyed, like the lists.
AppState& TheAppState();
