#pragma once

#include <string_view>

#include "workers/options.h"

// The download commands of the main window and its scheduler timer, carried
// out by the worker dispatch. Called on the user-interface thread.
class DownloadCommands {
public:
    virtual ~DownloadCommands() = default;
    virtual void StartWorker() = 0;    // Download > Selected Projects
    virtual void SuspendWorker() = 0;  // Download > Stop Downloading
    // Stop Downloading of the tray: every running or queued entry of every list.
    virtual void SuspendAll() {}
    // The timer's tick, with the local time of day.
    virtual void ScheduleTick(int hour, int minute) = 0;
    // The options for the workers started from now on.
    virtual void SetOptions(const Options& options) = 0;
    // The entry of that key in the requested list of that number is gone
    // (deleted, or renamed) and its worker ended: it no longer waits, and a
    // place it held goes to the next entry waiting.
    virtual void ForgetEntry(int list, std::string_view key) = 0;
};
