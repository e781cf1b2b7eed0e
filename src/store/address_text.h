#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// An address as the lists keep it. Blanks at its ends are dropped (they come
// with a typed or pasted address and belong to no address). A file's address
// is one blank-delimited token of its list file, so white space inside it is
// written as a %XX escape ("%20" for a blank); the text is cut at a whole
// character or escape so that it fits a field of `capacity` bytes.
std::string EscapeBlanks(std::string_view address, std::size_t capacity);

// The byte as a %XX escape, with capital hex digits.
std::string PercentEscape(char c);

// The text with each %XX escape (hex digits in either case) replaced by the
// byte it stands for; a '%' not followed by two hex digits stays as it is.
std::string PercentDecoded(std::string_view text);

// The text without the blanks (spaces, tabs, line ends) at its two ends.
std::string_view TrimBlanks(std::string_view text);

// "http://" in front of an address that holds no "//".
std::string WithDefaultScheme(std::string_view address);
