#pragma once

#include <string_view>

// True when the text names an archive: one of the suffixes ".zip", ".exe",
// ".rar", ".ace", ".tar", ".gz", ".arj", ".gzip", ".r", ".a", ".ddi", ".uue"
// occurs anywhere in it, letter case ignored. Since ".r" and ".a" are among
// them, any dot followed by r or a counts (index.asp, notes.rtf).
bool IsArchiveName(std::string_view text);
