// Feeds arbitrary page lines, roots, page addresses, page folders and links
// to the link helpers and checks that what comes out fits the crawler's
// storage and keeps the shape each helper promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include <fuzzer/FuzzedDataProvider.h>

#include "engine/link_helpers.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsStorable(std::string_view link) {
    return link.size() <= kMaxLinkLength && link.find('\0') == std::string_view::npos;
}

// A link taken from a line is a part of that line, as it stands there.
void CheckTaken(const std::optional<std::string>& link, std::string_view line) {
    if (!link) return;
    Require(IsStorable(*link));
    Require(line.find(*link) != std::string_view::npos);
}

void CheckAbsolute(std::string_view root, std::string_view page, std::string_view folder,
                   const std::optional<std::string>& link) {
    if (!link) return;
    const std::string absolute = MakeAbsoluteLink(root, page, folder, *link);
    Require(IsStorable(absolute));
    IsWantedLink(absolute, WebProject{});
    IsPageLink(absolute);
}

void CheckResolved(std::string_view folder, std::string_view link) {
    const std::optional<std::string> path = ResolveParentLink(folder, link);
    if (!path) return;
    Require(folder.size() <= kMaxLinkLength && link.size() <= kMaxLinkLength);
    // A folder segment may itself hold '/' (the crawler's folders never do),
    // so the shape of the path is only known for folders without one.
    if (folder.find('/') != std::string_view::npos) return;
    Require(path->empty() || ((*path)[0] == '/' && path->back() != '/'));
    Require(path->find("//") == std::string::npos);
}

void CheckFolder(std::string_view prefix, std::string_view address) {
    const std::optional<std::string> folder = GetRelativeFolder(prefix, address);
    if (!folder) return;
    Require(folder->size() <= kMaxLinkLength && folder->find('/') == std::string::npos);
    Require(folder->empty() || (*folder)[0] == '\\');
    CheckResolved(*folder, address);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string root = input.ConsumeRandomLengthString(300);
    const std::string page = input.ConsumeRandomLengthString(300);
    const std::string folder = input.ConsumeRandomLengthString(300);
    const std::string link = input.ConsumeRandomLengthString(300);
    const std::string line = input.ConsumeRemainingBytesAsString();

    const std::optional<std::string> href = ExtractHrefLink(line);
    const std::optional<std::string> source = ExtractFrameSource(line);
    CheckTaken(href, line);
    CheckTaken(source, line);
    CheckAbsolute("http://host/", "http://host/d1/d2/p.htm", "\\d1\\d2", href);
    CheckAbsolute("http://host/", "http://host/d1/d2/p.htm", "\\d1\\d2", source);
    CheckAbsolute(root, page, folder, link);
    CheckAbsolute("", "", "", link);

    CheckResolved(folder, link);
    CheckResolved("\\d1\\d2", line);
    CheckFolder(root, page);

    if (const std::optional<std::string> siteRoot = GetSiteRoot(link)) Require(siteRoot->back() == '/');
    HasIllegalChars(line);
    return 0;
}
