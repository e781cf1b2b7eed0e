#include "app/project_log.h"

#include <system_error>

#include "engine/crawl_log.h"

std::optional<std::filesystem::path> ExistingProjectLog(std::string_view projectName) {
    const std::filesystem::path path = CrawlLogPath(projectName);
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return std::nullopt;
    return std::filesystem::absolute(path, error);
}
