#include "engine/address_set.h"

#include "store/text_utils.h"

bool AddressSet::Add(std::string_view address) { return folded_.insert(FoldedCopy(address)).second; }

bool AddressSet::Contains(std::string_view address) const { return folded_.contains(FoldedCopy(address)); }
