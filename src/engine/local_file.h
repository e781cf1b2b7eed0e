#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>

// A file being written by a download worker, buffered so that small blocks
// reach the disk in large writes. Failures raise LocalFileError with the
// system's message. Used by one thread.
class LocalFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class LocalFile {
public:
    // Creates or truncates the file; a symbolic link in its place is refused.
    explicit LocalFile(const std::filesystem::path& path);
    // The same for the file of that name inside the open folder.
    LocalFile(int folderDescriptor, const std::filesystem::path& name);
    // Closes without reporting; what is still buffered is written first.
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    void Write(const void* bytes, std::size_t count);
    // Writes what is buffered and closes the file.
    void Close();

private:
    void Flush();

    std::unique_ptr<char[]> buffer_;
    int fd_ = -1;
    std::size_t buffered_ = 0;
};
