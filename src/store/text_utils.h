#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The text functions every layer shares. Texts are byte strings in no
// particular encoding: case folding touches only A-Z, white space is ASCII's.

constexpr char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

constexpr bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The value of a hex digit in either case, or -1.
constexpr int HexDigitValue(char c) {
    if (IsAsciiDigit(c)) return c - '0';
    const char lower = FoldAscii(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Space, tab, line feed, carriage return, vertical tab and form feed: the
// bytes that C's isspace() takes in its "C" locale. Addresses, list lines
// and number fields are trimmed of all six alike.
constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// The text with A-Z folded to a-z.
std::string FoldedCopy(std::string_view text);

// The text without the blanks (IsBlank) at its two ends.
std::string_view TrimBlanks(std::string_view text);

// Appends the code point (at most U+10FFFF) in UTF-8.
void AppendUtf8(std::string& bytes, char32_t codePoint);

// The byte as a %XX escape, with capital hex digits.
std::string PercentEscape(char c);

// The text with each byte for which `needsEscape` holds written as %XX.
template <typename Predicate>
std::string PercentEscaped(std::string_view text, Predicate needsEscape) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) escaped += needsEscape(c) ? PercentEscape(c) : std::string(1, c);
    return escaped;
}

// The text with each %XX escape (hex digits in either case) replaced by the
// byte it stands for; a '%' not followed by two hex digits stays as it is.
std::string PercentDecoded(std::string_view text);

// Numbers typed into dialogs are held as texts and converted when a record
// is stored; the commands and the dialogs read every number field with these.

// Reads the decimal number at the start of a text: leading blanks, an optional
// sign, then digits up to the first other character. An empty or non-numeric
// text gives 0. There is no range test; values beyond what 32 bits hold are
// clamped instead of overflowing.
std::int32_t LeadingNumber(std::string_view text);

// The decimal text of a number, without leading zeros ("5" for 5, "-3" for -3).
std::string NumberText(std::int32_t value);
