#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

// The log a web project's crawls keep (engine/crawl_log.h), for the
// windows: its file, when the project has one yet. User-interface thread.
std::optional<std::filesystem::path> ExistingProjectLog(std::string_view projectName);
