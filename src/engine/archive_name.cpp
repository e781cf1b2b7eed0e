#include "engine/archive_name.h"

#include <array>

#include "store/text_compare.h"

namespace {

constexpr std::array<std::string_view, 12> kArchiveSuffixes = {
    ".zip", ".exe", ".rar", ".ace", ".tar", ".gz", ".arj", ".gzip", ".r", ".a", ".ddi", ".uue"};

bool ContainsAtFolded(std::string_view text, std::size_t at, std::string_view lowerPattern) {
    if (text.size() - at < lowerPattern.size()) return false;
    for (std::size_t i = 0; i < lowerPattern.size(); ++i) {
        if (FoldAscii(text[at + i]) != lowerPattern[i]) return false;
    }
    return true;
}

}  // namespace

bool IsArchiveName(std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '.') continue;
        for (std::string_view suffix : kArchiveSuffixes) {
            if (ContainsAtFolded(text, at, suffix)) return true;
        }
    }
    return false;
}
