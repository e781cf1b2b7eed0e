#include "engine/file_digest.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

#include <openssl/evp.h>

#include "engine/local_file.h"

namespace {

const EVP_MD* DigestOf(DigestKind kind) {
    switch (kind) {
        case DigestKind::kMd5: return EVP_md5();
        case DigestKind::kSha1: return EVP_sha1();
        case DigestKind::kSha256: return EVP_sha256();
        case DigestKind::kSha512: return EVP_sha512();
    }
    return nullptr;
}

constexpr std::size_t kFileBlock = 1 << 16;

}  // namespace

struct FileDigest::Context {
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
    Context() = default;
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
};

FileDigest::FileDigest(DigestKind kind) : context_(std::make_unique<Context>()) {
    const EVP_MD* digest = DigestOf(kind);
    if (context_->md == nullptr || digest == nullptr ||
        EVP_DigestInit_ex(context_->md, digest, nullptr) != 1) {
        throw std::runtime_error("The checksum cannot be computed");
    }
}

FileDigest::~FileDigest() = default;

void FileDigest::Update(const void* bytes, std::size_t count) {
    if (count > 0) EVP_DigestUpdate(context_->md, bytes, count);
}

void FileDigest::UpdateFromFile(const std::filesystem::path& path, std::int64_t count) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) throw LocalFileError(std::strerror(errno));
    std::vector<char> block(kFileBlock);
    auto left = static_cast<std::uint64_t>(count < 0 ? 0 : count);
    while (left > 0) {
        const ssize_t got =
            ::read(fd, block.data(), static_cast<std::size_t>(std::min<std::uint64_t>(left, kFileBlock)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            const std::string message =
                got < 0 ? std::strerror(errno) : "The local file is shorter than expected";
            ::close(fd);
            throw LocalFileError(message);
        }
        Update(block.data(), static_cast<std::size_t>(got));
        left -= static_cast<std::uint64_t>(got);
    }
    ::close(fd);
}

std::string FileDigest::FinishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->md, digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 0x0F]);
    }
    return hex;
}
