#pragma once

#include <cstdint>
#include <filesystem>

#include "store/item_store.h"
#include "store/message_box.h"

// The six list files, kept in one folder (the current directory when the
// program runs).
inline constexpr const char* kRequestedFilesFile = "reqsoft.data";
inline constexpr const char* kRequestedSitesFile = "reqsoftwebs.data";
inline constexpr const char* kDownloadedFilesFile = "dnldsoft.data";
inline constexpr const char* kDownloadedSitesFile = "dnldsoftwebs.data";
inline constexpr const char* kRequestedSearchesFile = "reqsoftsearch.data";
inline constexpr const char* kSearchResultsFile = "softsearchres.data";

// The checksums file (store/checksums.h) is read and written with them.
// Appends the records of each list file in the folder to its list and clears
// the list's modified flag, unless the list already held changed records
// before (they are not in the file yet). A missing file leaves its list
// untouched. After a save that was cut short while it moved entries, an
// entry found both in a requested list and in its downloaded one stays only
// in the downloaded one.
void LoadLists(ItemStore& store, const std::filesystem::path& folder = ".");

// Writes every modified list to its file and deletes the file of every
// modified list that is empty, the downloaded lists before the requested
// ones, so that an entry on its way between them is always in one file or
// both, whenever the save stops. A list is written to a temporary file that
// then replaces the old one, so a failed write keeps the old file; the
// failure is reported through the message box. A saved list is marked
// unmodified unless it changed again meanwhile (a message box runs the event
// loop). False when a list could not be saved.
bool SaveLists(ItemStore& store, MessageBoxPort& messages, const std::filesystem::path& folder = ".");

// The changes so far of the six lists that are kept in list files.
std::uint64_t ListFileChanges(const ItemStore& store);
