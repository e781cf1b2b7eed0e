#pragma once

#include <filesystem>
#include <string>

// Makes the folder the current directory, creating it (and the folders above
// it) when it is missing, before anything is read or written there. Returns
// an empty text on success, else what went wrong, ready to be shown; the
// current directory is then unchanged.
std::string EnterDataFolder(const std::filesystem::path& folder);
