// Feeds arbitrary bytes to the list-file reader as each of the three formats.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/list_files.h"

namespace {

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-lists-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return std::filesystem::path(pattern);
    }();
    return folder;
}

void WriteFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) std::abort();
    std::fwrite(data, 1, size, out);
    std::fclose(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const char* name : {kRequestedFilesFile, kRequestedSitesFile, kRequestedSearchesFile}) {
        WriteFile(Folder() / name, data, size);
    }
    ItemStore store;
    LoadLists(store, Folder());
    for (const WebProject& project : store.RequestedSites) {
        if (project.name.Length() > 79 || project.startUrl.Length() > 255) std::abort();
    }
    return 0;
}
