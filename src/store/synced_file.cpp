#include "store/synced_file.h"

#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

void SyncFolderOf(const fs::path& file) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

bool ReplaceFileSynced(const fs::path& file, const std::function<bool(std::FILE*)>& write) {
    fs::path temporary = file;
    temporary += ".saving";
    FilePtr out(std::fopen(temporary.c_str(), "w"));
    if (!out) return false;
    bool written = write(out.get());
    written = written && std::fflush(out.get()) == 0 && std::ferror(out.get()) == 0 &&
              ::fsync(::fileno(out.get())) == 0;
    written = std::fclose(out.release()) == 0 && written;
    std::error_code error;
    if (written) fs::rename(temporary, file, error);
    if (!written || error) {
        fs::remove(temporary, error);
        return false;
    }
    SyncFolderOf(file);
    return true;
}
