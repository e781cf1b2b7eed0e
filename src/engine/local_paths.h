#pragma once

// Where downloaded files land on the user's disk. Names and folders taken
// from addresses decide that, so every local path is built below its
// folder ("Software", or a project's folder inside it) and checked to stay
// there before anything is made: no empty, "." or ".." component, no '/' or
// NUL inside a component, no component over 255 bytes, and no symbolic
// link planted in the tree is followed. Any thread may call these; only the
// folder walk touches the file system.

#include <cstddef>
#include <filesystem>
#include <string_view>

// The longest folder path the walk makes, base included.
inline constexpr std::size_t kMaxFolderPathLength = 259;

// The folder downloads go to: "Software" in the current directory.
std::filesystem::path DownloadFolder();

// True when the name can be one component of a local path below its folder:
// not empty, not "." or "..", no '/', no NUL, at most 255 bytes.
bool IsSafePathComponent(std::string_view name);

// True when every segment of the backslash-form relative folder ("\d1\d2")
// is a safe path component (empty segments are skipped), so that the folder
// stays below whatever folder it is joined to. An empty folder is safe.
bool IsSafeRelativeFolder(std::string_view relativePath);

// True when the file `name` in the backslash-form relative folder stays
// below whatever folder the two are joined to.
bool IsSafeLocalPath(std::string_view relativePath, std::string_view name);

// An open folder, closed with the handle; files are created in it by
// descriptor, so nothing renamed or linked above it afterwards can move them.
class FolderHandle {
public:
    explicit FolderHandle(int descriptor = -1) : descriptor_(descriptor) {}
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept : descriptor_(other.descriptor_) { other.descriptor_ = -1; }
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    bool IsOpen() const { return descriptor_ >= 0; }
    int Descriptor() const { return descriptor_; }

private:
    int descriptor_;
};

// Creates the folders of the backslash-form relative path below the base
// folder, outermost first, with '/' as the separator; empty segments are
// skipped and failures are ignored. Creates nothing when the relative path
// is not a safe relative folder, when the base is empty or holds a NUL, or
// when the whole path would be longer than kMaxFolderPathLength. Never goes
// through a symbolic link found below the base.
void CreateFolderPath(std::string_view base, std::string_view relativePath);

// What CreateFolderPath does, handing out the innermost folder opened; not
// open when any level could not be made or opened (or the path is refused).
FolderHandle OpenFolderPath(std::string_view base, std::string_view relativePath);
