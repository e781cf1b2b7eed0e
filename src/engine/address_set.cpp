#include "engine/address_set.h"

#include <algorithm>

#include "store/text_compare.h"

bool AddressSet::Add(std::string_view address) { return folded_.insert(Folded(address)).second; }

bool AddressSet::Contains(std::string_view address) const { return folded_.contains(Folded(address)); }

std::string AddressSet::Folded(std::string_view address) {
    std::string folded(address);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldAscii);
    return folded;
}
