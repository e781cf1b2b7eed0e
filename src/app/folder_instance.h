#pragma once

#include <filesystem>
#include <string>

// The name on the session bus that the program running in a data folder
// owns: the application's identifier, then "F" and a 64-bit hash of the
// folder's canonical path in hex, a valid well-known bus name for any path.
std::string InstanceBusName(const std::filesystem::path& canonicalFolder);

// The lock file that keeps a second program off a data folder's lists. It is
// held (flock, so the system frees it when the process ends, however it
// ends) from before the lists are read until the process ends.
class FolderLock {
public:
    static constexpr const char* kFileName = ".tarrawick.lock";

    // Takes the lock of the folder without waiting; Held() says whether it
    // was free. The file is created when missing and never removed.
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool Held() const { return held_; }

private:
    int descriptor_ = -1;
    bool held_ = false;
};
