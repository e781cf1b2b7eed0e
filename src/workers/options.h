#pragma once

#include <cstdint>

#include "net/proxy_options.h"
#include "workers/web_options.h"

// What the user can change in Download > Options. With every field at its
// default the program behaves as it always has. A worker gets a copy when it
// starts, so a running transfer is never changed under it.
struct Options {
    // Entries (files, crawls and searches together) that run at once; later
    // starts wait as "Queued". 0: no limit.
    int maxRunningEntries = 0;
    // KiB/s for all transfers together, shared among those running. 0: none.
    int speedLimitKiBps = 0;
    // FTP data connections: passive (the client connects, which works
    // through NAT and firewalls) instead of active (the server connects back).
    bool ftpPassive = false;
    // HTTPS and redirects in crawls and searches, and the two search engines.
    WebOptions web{};
    // A desktop notification when an entry ends while the window is not active.
    bool notifyWhenEntriesEnd = true;
    // How every transfer reaches the servers: files, crawls and searches.
    ProxyOptions proxy{};
    // Closing the window hides it in the tray (when the desktop has one);
    // the transfers, the scheduler and auto-save go on until Exit.
    bool closeToTray = false;
    // After an HTTP file or a crawled archive is saved, its digest is looked
    // for where publishers put it (a header, NAME.sha256, SHA256SUMS...)
    // and the file checked against it.
    bool findPublishedChecksums = false;
    // The most connections one HTTP(S) file is fetched over at once, added
    // one by one while they raise its rate; 1: one connection, as always.
    int connectionsPerFile = 1;

    bool operator==(const Options&) const = default;
};

// The largest values the Options dialog and the settings accept.
inline constexpr int kMaxRunningEntriesLimit = 999;
inline constexpr int kMaxSpeedLimitKiBps = 10'000'000;  // about 10 GB/s
inline constexpr int kMaxConnectionsPerFile = 16;

// The speed limit in bytes per second (0: none).
inline std::int64_t SpeedLimitBytesPerSecond(const Options& options) {
    return static_cast<std::int64_t>(options.speedLimitKiBps) * 1024;
}
