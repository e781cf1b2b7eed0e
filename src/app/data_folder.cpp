#include "app/data_folder.h"

#include <system_error>

std::string EnterDataFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error) std::filesystem::current_path(folder, error);
    if (!error) return {};
    return "Cannot use the data folder '" + folder.string() + "': " + error.message() + ".";
}
