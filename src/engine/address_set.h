#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

// A set of addresses compared whole with the letter case of A-Z ignored, as
// ItemList::FindByName compares them, found through a hash rather than by a
// scan. Used by one thread.
class AddressSet {
public:
    // True when the address was not in the set yet.
    bool Add(std::string_view address);
    bool Contains(std::string_view address) const;

private:
    std::unordered_set<std::string> folded_;
};
