#include "engine/html_entities.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace {

struct NamedReference {
    std::string_view name;
    std::string_view text;
};

constexpr NamedReference kNamedReferences[] = {
#include "engine/html_entities.inc"
};

constexpr bool SortedByName() {
    for (std::size_t i = 1; i < std::size(kNamedReferences); ++i) {
        if (!(kNamedReferences[i - 1].name < kNamedReferences[i].name)) return false;
    }
    return true;
}
static_assert(SortedByName(), "run tools/gen-html-entities: the table must be sorted");

}  // namespace

std::optional<std::string_view> NamedCharacterReference(std::string_view name) {
    const auto* found =
        std::lower_bound(std::begin(kNamedReferences), std::end(kNamedReferences), name,
                         [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
    if (found == std::end(kNamedReferences) || found->name != name) return std::nullopt;
    return found->text;
}
