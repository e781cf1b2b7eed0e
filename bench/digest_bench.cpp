// What hashing costs the thread that writes a file: 1 GiB in the local
// file's 256 KiB buffers, hashed with sha256 on that thread (FileDigest)
// and handed to the hashing thread (BackgroundDigest), with the writing
// thread's processor time and the wall time of each. The processor time is
// what a download loses when another core is free; the wall time depends on
// how busy the machine is. Run by hand: build/bench/digest_bench [MiB].
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "engine/file_digest.h"

namespace {

constexpr std::size_t kBuffer = 256 * 1024;

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Every buffer is touched, as the writer fills it, before it is hashed.
void Fill(char* buffer, std::size_t round) { std::memset(buffer, static_cast<int>(round), 64); }

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024;
    const std::size_t buffers = mib * 1024 * 1024 / kBuffer;
    auto buffer = std::make_unique<char[]>(kBuffer);

    double cpu = ThreadSeconds();
    double wall = WallSeconds();
    {
        FileDigest digest(DigestKind::kSha256);
        for (std::size_t i = 0; i < buffers; ++i) {
            Fill(buffer.get(), i);
            digest.Update(buffer.get(), kBuffer);
        }
        digest.FinishHex();
    }
    std::printf("sha256 on the writing thread:  writer cpu %.3f s   wall %.3f s\n", ThreadSeconds() - cpu,
                WallSeconds() - wall);

    cpu = ThreadSeconds();
    wall = WallSeconds();
    double writerCpu = 0;
    {
        BackgroundDigest digest(DigestKind::kSha256);
        for (std::size_t i = 0; i < buffers; ++i) {
            Fill(buffer.get(), i);
            buffer = digest.HandOver({std::move(buffer), kBuffer, kBuffer}, kBuffer).bytes;
        }
        writerCpu = ThreadSeconds() - cpu;  // before waiting for the hash to catch up
        digest.FinishHex();
    }
    std::printf("sha256 on the hashing thread:  writer cpu %.3f s   wall %.3f s\n", writerCpu,
                WallSeconds() - wall);
    return 0;
}
