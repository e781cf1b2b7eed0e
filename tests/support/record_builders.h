#pragma once

#include <string_view>

#include "store/records.h"

// Records as the tests build them: the named fields set, every other field
// at its default, for a test to change what it is about.

inline constexpr std::string_view kReadyForDownload = "Ready for download";

FileEntry File(std::string_view url, std::string_view status = kReadyForDownload);

WebProject Site(std::string_view name, std::string_view startUrl = "http://site/",
                std::string_view status = kReadyForDownload);

SearchProject Search(std::string_view name, std::string_view searchText = "zip tools",
                     std::string_view status = kReadyForDownload);
