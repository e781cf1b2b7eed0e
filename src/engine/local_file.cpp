#include "engine/local_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

#include "engine/file_digest.h"

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

[[noreturn]] void ThrowSystemError(int error) {
    throw LocalFileError(std::system_category().message(error != 0 ? error : EIO));
}

void WriteAll(int fd, const char* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            ThrowSystemError(errno);
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

}  // namespace

LocalFile::LocalFile(const std::filesystem::path& path, std::int64_t keepBytes)
    : LocalFile(AT_FDCWD, path, keepBytes) {}

LocalFile::LocalFile(int folderDescriptor, const std::filesystem::path& name, std::int64_t keepBytes)
    : buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize)) {
    const int truncate = keepBytes > 0 ? 0 : O_TRUNC;
    fd_ = ::openat(folderDescriptor, name.c_str(), O_WRONLY | O_CREAT | truncate | O_NOFOLLOW | O_CLOEXEC,
                   0666);
    if (fd_ < 0) ThrowSystemError(errno);
    if (keepBytes > 0 && (::ftruncate(fd_, keepBytes) != 0 || ::lseek(fd_, keepBytes, SEEK_SET) < 0)) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        ThrowSystemError(error);
    }
}

LocalFile::~LocalFile() {
    if (fd_ < 0) return;
    digest_ = nullptr;  // it may be gone already, and what is cut short is not checked
    try {
        Flush();
    } catch (const LocalFileError&) {}
    ::close(fd_);
}

void LocalFile::Write(const void* bytes, std::size_t count) {
    if (buffered_ + count > kBufferSize) Flush();
    if (count >= kBufferSize) {
        WriteAll(fd_, static_cast<const char*>(bytes), count);
        if (digest_ != nullptr) digest_->Update(bytes, count);
        return;
    }
    std::memcpy(buffer_.get() + buffered_, bytes, count);
    buffered_ += count;
}

void LocalFile::Flush() {
    const std::size_t count = buffered_;
    buffered_ = 0;  // what failed to be written is not tried again
    WriteAll(fd_, buffer_.get(), count);
    if (digest_ != nullptr && count > 0) {
        buffer_ = digest_->HandOver({std::move(buffer_), count, kBufferSize}, kBufferSize).bytes;
    }
}

void LocalFile::Close() {
    if (fd_ < 0) return;
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) ThrowSystemError(errno);
}
