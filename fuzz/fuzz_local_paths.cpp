// Feeds arbitrary relative folders and names to the local-path checks and
// the folder walk, and checks that whatever passes stays below its base: a
// path the checks accept never climbs out lexically, and every folder the
// walk opens lies inside the scratch folder it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include "engine/local_paths.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// A scratch folder of this run, made once in the current folder (tools/fuzz
// runs each target in a folder of its own and removes it afterwards).
const std::filesystem::path& Scratch() {
    static const std::filesystem::path scratch = [] {
        std::string pattern = "fuzz_local_paths.XXXXXX";
        Require(::mkdtemp(pattern.data()) != nullptr);
        return std::filesystem::canonical(pattern);
    }();
    return scratch;
}

bool IsBelow(const std::filesystem::path& path, const std::filesystem::path& base) {
    const std::string text = path.string();
    const std::string prefix = base.string() + "/";
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// The backslash-form folder and the name joined below "base", as a path;
// a folder without a leading backslash still names folders below the base.
std::filesystem::path Joined(std::string_view relativePath, std::string_view name) {
    std::string path = "base/";
    for (const char c : relativePath) path += c == '\\' ? '/' : c;
    return std::filesystem::path(path + "/" + std::string(name)).lexically_normal();
}

void CheckAccepted(std::string_view relativePath, std::string_view name) {
    if (!IsSafeLocalPath(relativePath, name)) return;
    Require(IsSafeRelativeFolder(relativePath) && IsSafePathComponent(name));
    Require(IsBelow(Joined(relativePath, name), "base"));
}

// The walk opens only folders inside the scratch folder, however the
// folder is written and whatever already stands there.
void CheckWalk(std::string_view relativePath) {
    const FolderHandle folder = OpenFolderPath(Scratch().string(), relativePath);
    if (!folder.IsOpen()) return;
    std::error_code error;
    const std::filesystem::path opened =
        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(folder.Descriptor()), error);
    Require(!error);
    Require(opened == Scratch() || IsBelow(opened, Scratch()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string relativePath = input.ConsumeRandomLengthString(300);
    const std::string name = input.ConsumeRemainingBytesAsString();
    CheckAccepted(relativePath, name);
    CheckWalk(relativePath);
    return 0;
}
