#include "support/record_builders.h"

FileEntry File(std::string_view url, std::string_view status) {
    FileEntry entry;
    entry.url = url;
    entry.status = status;
    return entry;
}

WebProject Site(std::string_view name, std::string_view startUrl, std::string_view status) {
    WebProject project;
    project.name = name;
    project.startUrl = startUrl;
    project.status = status;
    return project;
}

SearchProject Search(std::string_view name, std::string_view searchText, std::string_view status) {
    SearchProject project;
    project.name = name;
    project.searchText = searchText;
    project.status = status;
    return project;
}
