#include "engine/local_paths.h"

#include <algorithm>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr std::size_t kMaxComponentLength = 255;

// The names of a backslash-form relative folder, empty ones skipped.
std::vector<std::string_view> FolderNames(std::string_view relativePath) {
    std::vector<std::string_view> names;
    while (!relativePath.empty()) {
        const std::size_t end = std::min(relativePath.find('\\'), relativePath.size());
        if (end > 0) names.push_back(relativePath.substr(0, end));
        relativePath.remove_prefix(std::min(end + 1, relativePath.size()));
    }
    return names;
}

// The length of base + '/' + name for every name.
std::size_t JoinedLength(std::string_view base, const std::vector<std::string_view>& names) {
    std::size_t length = base.size();
    for (std::string_view name : names) length += 1 + name.size();
    return length;
}

}  // namespace

std::filesystem::path DownloadFolder() { return "Software"; }

bool IsSafePathComponent(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.size() <= kMaxComponentLength &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool IsSafeRelativeFolder(std::string_view relativePath) {
    const std::vector<std::string_view> names = FolderNames(relativePath);
    return std::all_of(names.begin(), names.end(), IsSafePathComponent);
}

bool IsSafeLocalPath(std::string_view relativePath, std::string_view name) {
    return IsSafeRelativeFolder(relativePath) && IsSafePathComponent(name);
}

FolderHandle::~FolderHandle() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    std::swap(descriptor_, other.descriptor_);
    return *this;
}

void CreateFolderPath(std::string_view base, std::string_view relativePath) {
    OpenFolderPath(base, relativePath);
}

FolderHandle OpenFolderPath(std::string_view base, std::string_view relativePath) {
    if (base.empty() || base.find('\0') != std::string_view::npos) return FolderHandle();
    if (base.size() > kMaxFolderPathLength || relativePath.size() > kMaxFolderPathLength)
        return FolderHandle();
    if (!IsSafeRelativeFolder(relativePath)) return FolderHandle();
    const std::vector<std::string_view> names = FolderNames(relativePath);
    if (JoinedLength(base, names) > kMaxFolderPathLength) return FolderHandle();

    // Each level is opened without following links before the next is made
    // in it, so a link planted anywhere below the base cannot lead outside.
    FolderHandle folder(::open(std::string(base).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::string_view segment : names) {
        if (!folder.IsOpen()) break;
        const std::string name(segment);
        ::mkdirat(folder.Descriptor(), name.c_str(), 0777);  // an existing folder is fine
        folder = FolderHandle(
            ::openat(folder.Descriptor(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return folder;
}
