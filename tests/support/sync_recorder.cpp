#include "support/sync_recorder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include <sys/syscall.h>

namespace {

SyncRecorder* recorder = nullptr;

std::string BytesOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int fsync(int descriptor) {
    if (recorder != nullptr) recorder->Record(descriptor);
    return static_cast<int>(::syscall(SYS_fsync, descriptor));
}

SyncRecorder::SyncRecorder(std::filesystem::path watched) : watched_(std::move(watched)) { recorder = this; }

SyncRecorder::~SyncRecorder() { recorder = nullptr; }

void SyncRecorder::Record(int descriptor) {
    if (beforeEachSync) beforeEachSync();
    std::error_code error;
    std::filesystem::path synced =
        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(descriptor), error);
    syncs.push_back({std::move(synced), watched_.empty() ? std::string() : BytesOf(watched_)});
}

int SyncRecorder::FilesWritten() const {
    return static_cast<int>(std::count_if(
        syncs.begin(), syncs.end(), [](const Sync& sync) { return sync.synced.extension() == ".saving"; }));
}
