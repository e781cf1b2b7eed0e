#include "app/folder_instance.h"

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include <sys/file.h>

namespace {

// FNV-1a: stable across runs and builds, unlike std::hash.
std::uint64_t PathHash(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

}  // namespace

std::string InstanceBusName(const std::filesystem::path& canonicalFolder) {
    char hex[17] = {};
    std::snprintf(hex, sizeof hex, "%016llx",
                  static_cast<unsigned long long>(PathHash(canonicalFolder.string())));
    return std::string(TARRAWICK_APP_ID) + ".F" + hex;
}

FolderLock::FolderLock(const std::filesystem::path& folder) {
    descriptor_ = ::open((folder / kFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    held_ = descriptor_ >= 0 && ::flock(descriptor_, LOCK_EX | LOCK_NB) == 0;
}

FolderLock::~FolderLock() {
    if (descriptor_ >= 0) ::close(descriptor_);
}
