#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "store/checksums.h"

// Any thread: the bytes as lower-case hex digits.
std::string LowerHex(const unsigned char* bytes, std::size_t count);

// Worker thread: the digest of a whole local file in lower-case hex.
// Raises LocalFileError when it cannot be read.
std::string HashOfFile(const std::filesystem::path& path, DigestKind kind);

// Worker thread: renames a file that failed its check to NAME.corrupt, or
// NAME.corrupt.1 and on when that is taken, in its own folder, so that
// nothing takes it for the real one; no file is ever replaced. The new path;
// nothing when no name was free or the file system refused.
std::optional<std::filesystem::path> RenameAsCorrupt(const std::filesystem::path& path);

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

// A block of bytes handed between a writer and a hashing thread.
struct DigestChunk {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;  // the bytes in use
    std::size_t capacity = 0;
};

// A FileDigest fed on a thread of its own, so that hashing never slows the
// thread that writes the file: a writer's filled buffers are handed over
// whole (or bytes copied into chunks) through a short queue. Used by one
// thread (its writer).
class BackgroundDigest {
public:
    // Raises std::runtime_error when the library cannot make the hash, and
    // std::system_error when no thread can be started.
    explicit BackgroundDigest(DigestKind kind);
    // Stops the hashing thread, dropping what it has not hashed yet.
    ~BackgroundDigest();
    BackgroundDigest(const BackgroundDigest&) = delete;
    BackgroundDigest& operator=(const BackgroundDigest&) = delete;

    DigestKind Kind() const { return kind_; }
    // Hashes the first bytes of a local file, after what was given before.
    void UpdateFromFile(const std::filesystem::path& path, std::int64_t count);
    // Copies the bytes. Waits only when the hashing thread is several
    // chunks behind, as HandOver does.
    void Update(const void* bytes, std::size_t count);
    // Takes a filled buffer as it is, without a copy, and gives back an
    // empty one of at least `capacity` bytes (one hashed before, when free).
    DigestChunk HandOver(DigestChunk filled, std::size_t capacity);
    // The digest of everything given, in lower-case hex, once the hashing
    // thread has caught up. Raises LocalFileError when a file part given to
    // UpdateFromFile could not be read. Takes no more bytes after it.
    std::string FinishHex();

private:
    struct Shared;
    void QueueCopies();
    void Queue(DigestChunk chunk);
    DigestChunk Spare(std::size_t capacity);

    const DigestKind kind_;
    std::shared_ptr<Shared> shared_;
    DigestChunk copies_;  // Update's bytes, not yet handed over
    std::thread thread_;
};
