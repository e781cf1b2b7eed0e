#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
// A C file that is closed when it goes.
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Makes a change of the folder's entries (a rename, a removal) survive a
// power loss. File systems that cannot sync a folder are left as they are.
void SyncFolderOf(const std::filesystem::path& file);

// Writes the file anew through `write` into a temporary file beside it and
// renames that over it, so the old file survives any failure. The bytes
// reach the disk before the rename, and the rename before the return:
// otherwise a power loss could leave an empty file in place of both the old
// and the new one. False, with the old file untouched, when `write` or the
// disk fails.
bool ReplaceFileSynced(const std::filesystem::path& file, const std::function<bool(std::FILE*)>& write);
