#include "engine/local_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

[[noreturn]] void ThrowSystemError(int error) {
    throw LocalFileError(std::strerror(error != 0 ? error : EIO));
}

}  // namespace

LocalFile::LocalFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) ThrowSystemError(errno);
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        const int error = errno;
        ::close(fd);
        ThrowSystemError(error);
    }
    std::setvbuf(stream_, nullptr, _IOFBF, kBufferSize);
}

LocalFile::~LocalFile() {
    if (stream_ != nullptr) std::fclose(stream_);
}

void LocalFile::Write(const void* bytes, std::size_t count) {
    if (std::fwrite(bytes, 1, count, stream_) != count) ThrowSystemError(errno);
}

void LocalFile::Close() {
    std::FILE* stream = stream_;
    stream_ = nullptr;
    if (stream != nullptr && std::fclose(stream) != 0) ThrowSystemError(errno);
}
