// Downloads one address through the Internet client in 255-byte reads, the
// way the file worker does, writes it to a file and prints the rate.
//   http_download_bench <url> <output file>
// Output: one line "bytes=<n> seconds=<s> mib_per_s=<r>".

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>

#include "net/curl_session.h"
#include "net/internet_exception.h"

namespace {

constexpr std::size_t kBlockSize = 255;
// Writes reach the disk in large pieces, however small the blocks are.
constexpr std::size_t kOutputBufferSize = 256 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <url> <output file>\n", argv[0]);
        return 2;
    }
    std::unique_ptr<std::FILE, FileCloser> output(std::fopen(argv[2], "wb"));
    if (!output) {
        std::perror(argv[2]);
        return 1;
    }
    static char outputBuffer[kOutputBufferSize];
    std::setvbuf(output.get(), outputBuffer, _IOFBF, sizeof outputBuffer);
    try {
        const auto start = std::chrono::steady_clock::now();
        auto session = OpenCurlSession();
        auto file = session->OpenURL(argv[1]);
        file->SetReadBufferSize(2048);
        char block[kBlockSize];
        unsigned long long total = 0;
        while (const std::size_t got = file->Read(block, sizeof block)) {
            if (std::fwrite(block, 1, got, output.get()) != got) {
                std::perror(argv[2]);
                return 1;
            }
            total += got;
        }
        file->Close();
        session->Close();
        if (std::fflush(output.get()) != 0) {
            std::perror(argv[2]);
            return 1;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("bytes=%llu seconds=%.3f mib_per_s=%.1f\n", total, seconds,
                    static_cast<double>(total) / (1024.0 * 1024.0) / seconds);
    } catch (const InternetException& error) {
        std::fprintf(stderr, "%s\n", error.Message().c_str());
        return 1;
    }
    return 0;
}
