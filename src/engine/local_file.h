#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

// A file being written by a download worker, buffered. Failures raise
// LocalFileError with the system's message.
class LocalFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class LocalFile {
public:
    // Creates or truncates the file; a symbolic link in its place is refused.
    explicit LocalFile(const std::filesystem::path& path);
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    void Write(const void* bytes, std::size_t count);
    // Flushes and closes; the destructor closes without reporting.
    void Close();

private:
    std::FILE* stream_ = nullptr;
};
