#pragma once

#include "store/records.h"

// Process-wide state shared by the commands, the scheduler and the workers.
// Touched on the user-interface thread only.
struct AppState {
    // The list shown in the entry list panel: 1 requested files, 2 requested
    // web sites, 3 downloaded files, 4 downloaded web sites, 5 requested
    // search projects, 6 search results.
    int ShownList = 1;
    // The row of the entry list panel that the status view refers to.
    int SelectedRow = 0;
    // Whether the status view's activity animation plays.
    bool AnimationRunning = false;

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
