#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>

// A file being written by a download worker, buffered so that small blocks
// reach the disk in large writes. Failures raise LocalFileError with the
// system's message. Used by one thread.
class BackgroundDigest;

class LocalFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class LocalFile {
public:
    // Creates or truncates the file; a symbolic link in its place is refused.
    // With keepBytes, the file's first bytes stay and writing goes on after
    // them (what lies beyond them is cut off).
    explicit LocalFile(const std::filesystem::path& path, std::int64_t keepBytes = 0);
    // The same for the file of that name inside the open folder.
    LocalFile(int folderDescriptor, const std::filesystem::path& name, std::int64_t keepBytes = 0);
    // Closes without reporting; what is still buffered is written first.
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    void Write(const void* bytes, std::size_t count);
    // Every byte written from now on also goes to the digest, which takes
    // the buffer once it is on the disk (no copy); null: none. The digest
    // must outlive the writes and Close; the destructor does not feed it.
    void HashWith(BackgroundDigest* digest) { digest_ = digest; }
    // Writes what is buffered and closes the file.
    void Close();

private:
    void Flush();

    std::unique_ptr<char[]> buffer_;
    BackgroundDigest* digest_ = nullptr;
    int fd_ = -1;
    std::size_t buffered_ = 0;
};
