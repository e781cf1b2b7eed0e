#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// A zero-terminated text of at most Size - 1 bytes stored inside its owner.
// Assignment cuts the text at the field's size, so nothing can be written past
// the array, whatever the caller hands in.
template <std::size_t Size>
class FixedText {
    static_assert(Size > 0);

public:
    static constexpr std::size_t kCapacity = Size - 1;

    FixedText() = default;
    // Implicit by design, like the fixed-size text fields it replaces.
    FixedText(std::string_view text) { Assign(text); }  // NOLINT(google-explicit-constructor)

    FixedText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }

    void Assign(std::string_view text) {
        const std::size_t length = std::min(text.size(), kCapacity);
        std::memcpy(chars_, text.data(), length);
        std::memset(chars_ + length, 0, Size - length);
    }

    void Clear() { std::memset(chars_, 0, Size); }

    // The text up to its first zero byte.
    std::string_view View() const { return {chars_, ::strnlen(chars_, Size)}; }
    std::string Str() const { return std::string(View()); }
    const char* CStr() const { return chars_; }
    std::size_t Length() const { return View().size(); }
    bool Empty() const { return chars_[0] == '\0'; }

    // Implicit by design: a field reads as its text.
    operator std::string_view() const { return View(); }  // NOLINT(google-explicit-constructor)

    friend bool operator==(const FixedText& a, const FixedText& b) { return a.View() == b.View(); }
    friend bool operator==(const FixedText& a, std::string_view b) { return a.View() == b; }

private:
    char chars_[Size] = {};
};
