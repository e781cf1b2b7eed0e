#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "store/checksums.h"

// The digest of a file computed as its bytes go by. Used by one thread.
class FileDigest {
public:
    // Raises std::runtime_error when the library cannot make the hash.
    explicit FileDigest(DigestKind kind);
    ~FileDigest();
    FileDigest(const FileDigest&) = delete;
    FileDigest& operator=(const FileDigest&) = delete;

    void Update(const void* bytes, std::size_t count);
    // Adds the first bytes of a local file; raises LocalFileError when it
    // cannot be read or is shorter.
    void UpdateFromFile(const std::filesystem::path& path, std::int64_t count);
    // The digest in lower-case hex; the object takes no more bytes after it.
    std::string FinishHex();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};
