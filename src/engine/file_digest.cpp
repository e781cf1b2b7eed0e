#include "engine/file_digest.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <utility>
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

constexpr int kCorruptNameTries = 100;
constexpr std::size_t kFileBlock = 1 << 16;
// What the writer copies into one chunk; its own buffers go as they are.
constexpr std::size_t kChunkSize = 256 * 1024;
// How many chunks may wait for the hashing thread (16 MiB of 256 KiB
// buffers): enough to ride out the time slices it waits for on a busy
// machine; beyond that the writer waits.
constexpr std::size_t kMaxWaitingChunks = 64;
// Hashed chunks kept for reuse.
constexpr std::size_t kMaxSpareChunks = 8;

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
    return LowerHex(digest, length);
}

std::string LowerHex(const unsigned char* bytes, std::size_t count) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        hex.push_back(kHex[bytes[i] >> 4]);
        hex.push_back(kHex[bytes[i] & 0x0F]);
    }
    return hex;
}

struct BackgroundDigest::Shared {
    explicit Shared(DigestKind kind) : digest(kind) {}

    // One piece of work for the hashing thread: bytes, or a file's first bytes.
    struct Job {
        DigestChunk chunk;
        std::filesystem::path file;
        std::int64_t fileBytes = 0;
    };

    // Hashing thread.
    void HashAll() {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                hashingWakes.wait(lock, [this] { return stopping || finishing || !jobs.empty(); });
                if (stopping) return;
                if (jobs.empty()) break;  // finishing, and all hashed
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            Hash(job);
            const std::lock_guard lock(mutex);
            if (job.chunk.bytes && spare.size() < kMaxSpareChunks) spare.push_back(std::move(job.chunk));
            writerWakes.notify_one();
        }
        if (!error) hex = digest.FinishHex();
    }

    // Hashing thread; after a failure the rest is not hashed.
    void Hash(Job& job) {
        if (error) return;
        try {
            if (job.file.empty()) {
                digest.Update(job.chunk.bytes.get(), job.chunk.size);
            } else {
                digest.UpdateFromFile(job.file, job.fileBytes);
            }
        } catch (...) {
            error = std::current_exception();
        }
        job.chunk.size = 0;
    }

    FileDigest digest;         // hashing thread only
    std::exception_ptr error;  // hashing thread, read after it ended
    std::string hex;           // the same
    std::mutex mutex;
    std::condition_variable hashingWakes;
    std::condition_variable writerWakes;
    std::deque<Job> jobs;
    std::vector<DigestChunk> spare;  // hashed chunks, reused
    bool finishing = false;
    bool stopping = false;
};

BackgroundDigest::BackgroundDigest(DigestKind kind) : kind_(kind), shared_(std::make_shared<Shared>(kind)) {
    thread_ = std::thread([shared = shared_] { shared->HashAll(); });
}

BackgroundDigest::~BackgroundDigest() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->stopping = true;
    }
    shared_->hashingWakes.notify_one();
    thread_.join();
}

void BackgroundDigest::UpdateFromFile(const std::filesystem::path& path, std::int64_t count) {
    if (count <= 0) return;
    QueueCopies();
    const std::lock_guard lock(shared_->mutex);
    shared_->jobs.push_back({{}, path, count});
    shared_->hashingWakes.notify_one();
}

void BackgroundDigest::Update(const void* bytes, std::size_t count) {
    const auto* from = static_cast<const char*>(bytes);
    while (count > 0) {
        if (!copies_.bytes) copies_ = Spare(kChunkSize);
        const std::size_t taken = std::min(count, copies_.capacity - copies_.size);
        std::memcpy(copies_.bytes.get() + copies_.size, from, taken);
        copies_.size += taken;
        from += taken;
        count -= taken;
        if (copies_.size == copies_.capacity) QueueCopies();
    }
}

DigestChunk BackgroundDigest::HandOver(DigestChunk filled, std::size_t capacity) {
    QueueCopies();
    if (filled.size > 0) Queue(std::move(filled));
    return Spare(capacity);
}

void BackgroundDigest::QueueCopies() {
    if (copies_.size > 0) Queue(std::exchange(copies_, {}));
}

void BackgroundDigest::Queue(DigestChunk chunk) {
    std::unique_lock lock(shared_->mutex);
    shared_->writerWakes.wait(lock, [this] { return shared_->jobs.size() < kMaxWaitingChunks; });
    shared_->jobs.push_back({std::move(chunk), {}, 0});
    shared_->hashingWakes.notify_one();
}

DigestChunk BackgroundDigest::Spare(std::size_t capacity) {
    {
        const std::lock_guard lock(shared_->mutex);
        std::vector<DigestChunk>& spare = shared_->spare;
        const auto fits = std::find_if(spare.begin(), spare.end(), [capacity](const DigestChunk& chunk) {
            return chunk.capacity >= capacity;
        });
        if (fits != spare.end()) {
            DigestChunk chunk = std::move(*fits);
            spare.erase(fits);
            return chunk;
        }
    }
    return {std::make_unique_for_overwrite<char[]>(capacity), 0, capacity};
}

std::string BackgroundDigest::FinishHex() {
    if (!thread_.joinable()) return shared_->hex;
    QueueCopies();
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->finishing = true;
    }
    shared_->hashingWakes.notify_one();
    thread_.join();
    if (shared_->error) std::rethrow_exception(shared_->error);
    return shared_->hex;
}

std::string HashOfFile(const std::filesystem::path& path, DigestKind kind) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) throw LocalFileError(error.message());
    FileDigest digest(kind);
    digest.UpdateFromFile(path, static_cast<std::int64_t>(size));
    return digest.FinishHex();
}

std::optional<std::filesystem::path> RenameAsCorrupt(const std::filesystem::path& path) {
    for (int attempt = 0; attempt < kCorruptNameTries; ++attempt) {
        std::filesystem::path target = path;
        target += attempt == 0 ? ".corrupt" : ".corrupt." + std::to_string(attempt);
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return target;
        // A file system without that rename: a new link fails just as well
        // on a name that is taken.
        if (errno == EINVAL && ::link(path.c_str(), target.c_str()) == 0) {
            if (::unlink(path.c_str()) == 0) return target;
            return std::nullopt;
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}
