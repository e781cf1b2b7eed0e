#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Numbers typed into dialogs are held as texts and converted when a record is
// stored. The commands and the dialogs share these two functions so that every
// number field is read the same way.

// Reads the decimal number at the start of a text: leading blanks, an optional
// sign, then digits up to the first other character. An empty or non-numeric
// text gives 0. There is no range test; values beyond what 32 bits hold are
// clamped instead of overflowing.
std::int32_t LeadingNumber(std::string_view text);

// The decimal text of a number, without leading zeros ("5" for 5, "-3" for -3).
std::string NumberText(std::int32_t value);
