#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// The text, in UTF-8, that a named character reference of HTML stands for:
// `name` is what follows the '&', with its ';' ("eacute;"), or without it
// for the few names a browser also reads without one ("eacute"). Nothing
// for a name not in HTML's table. Pure; any thread may call it.
std::optional<std::string_view> NamedCharacterReference(std::string_view name);

// The longest name in that table, its ';' included.
inline constexpr std::size_t kMaxCharacterReferenceName = 32;
