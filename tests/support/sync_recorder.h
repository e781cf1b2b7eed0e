#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Records the fsync calls of the test program while it lives (the test
// program's own fsync stands in for the C library's and then syncs as that
// would): what each call synced, and what a watched file held at that moment.
// One recorder at a time, on the test's thread.
class SyncRecorder {
public:
    struct Sync {
        std::filesystem::path synced;
        std::string watchedBytes;
    };

    explicit SyncRecorder(std::filesystem::path watched = {});
    ~SyncRecorder();
    SyncRecorder(const SyncRecorder&) = delete;
    SyncRecorder& operator=(const SyncRecorder&) = delete;

    std::vector<Sync> syncs;
    // Runs at each call before it syncs: what the disk holds now is what a
    // kill at this step would leave.
    std::function<void()> beforeEachSync;

    // List files written: each is synced under its temporary name first.
    int FilesWritten() const;

    void Record(int descriptor);

private:
    std::filesystem::path watched_;
};
