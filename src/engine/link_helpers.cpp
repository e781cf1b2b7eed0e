#include "engine/link_helpers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/archive_name.h"
#include "store/text_compare.h"

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

std::string LowerCopy(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), FoldAscii);
    return lower;
}

// Position of the first occurrence of the needle, in time linear in text and
// needle (Knuth-Morris-Pratt): the needle may be as long as the text, and a
// plain search would then take their product.
std::size_t FindLinear(std::string_view text, std::string_view needle) {
    if (needle.empty()) return 0;
    std::vector<std::size_t> fallback(needle.size(), 0);
    for (std::size_t i = 1, matched = 0; i < needle.size(); ++i) {
        while (matched > 0 && needle[i] != needle[matched]) matched = fallback[matched - 1];
        if (needle[i] == needle[matched]) ++matched;
        fallback[i] = matched;
    }
    for (std::size_t i = 0, matched = 0; i < text.size(); ++i) {
        while (matched > 0 && text[i] != needle[matched]) matched = fallback[matched - 1];
        if (text[i] == needle[matched]) ++matched;
        if (matched == needle.size()) return i + 1 - needle.size();
    }
    return kNotFound;
}

bool Contains(std::string_view text, std::string_view needle) {
    return FindLinear(text, needle) != kNotFound;
}

// A link the crawler can store and fetch as it is.
bool IsUsableLink(std::string_view link) {
    return link.size() <= kMaxLinkLength && link.find('\0') == kNotFound;
}

std::optional<std::string> UsableLink(std::string text) {
    if (!IsUsableLink(text)) return std::nullopt;
    return text;
}

// The text from `start` up to `end`; nothing when no end was found.
std::optional<std::string> ValueBetween(std::string_view text, std::size_t start, std::size_t end) {
    if (end == kNotFound) return std::nullopt;
    return UsableLink(std::string(text.substr(start, end - start)));
}

std::string WithoutLastChar(std::string_view text) {
    return std::string(text.substr(0, text.empty() ? 0 : text.size() - 1));
}

// The last segment has no extension: the last '.' stands before the last
// '/', or there is a '/' and no '.' at all.
bool LastSegmentHasNoDot(std::string_view text) {
    const std::size_t slash = text.rfind('/');
    if (slash == kNotFound) return false;
    const std::size_t dot = text.rfind('.');
    return dot == kNotFound || dot < slash;
}

std::vector<std::string_view> SplitSkippingEmpty(std::string_view text, char separator) {
    std::vector<std::string_view> segments;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == kNotFound) end = text.size();
        if (end > start) segments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return segments;
}

// The value of the first of the three href forms: searched for in the
// lower-case copy, taken from the line with its own letter case (the two
// have the same length). The searches for the end start at the value,
// which is what blanking out everything before it amounts to.
std::optional<std::string> HrefValue(std::string_view line, std::string_view lower) {
    if (std::size_t at = lower.find("href=\""); at != kNotFound) {
        const std::size_t start = at + 6;
        return ValueBetween(line, start, lower.find('"', start));
    }
    if (std::size_t at = lower.find("href='"); at != kNotFound) {
        const std::size_t start = at + 6;
        std::size_t end = lower.find("' ", start);
        if (end == kNotFound) end = lower.find("'\"", start);
        if (end == kNotFound) end = lower.find("'>", start);
        return ValueBetween(line, start, end);
    }
    if (std::size_t at = lower.find("href="); at != kNotFound) {
        const std::size_t start = at + 5;
        std::size_t end = lower.find('>', start);
        if (end == kNotFound) end = lower.find(' ', start);
        return ValueBetween(line, start, end);
    }
    return std::nullopt;
}

struct TypeSwitch {
    std::int32_t WebProject::*wanted;
    std::string_view suffix;
};

constexpr std::array<TypeSwitch, 7> kTypeSwitches = {{
    {&WebProject::wantZip, ".zip"},
    {&WebProject::wantExe, ".exe"},
    {&WebProject::wantRar, ".rar"},
    {&WebProject::wantAce, ".ace"},
    {&WebProject::wantTar, ".tar"},
    {&WebProject::wantGz, ".gz"},
    {&WebProject::wantArj, ".arj"},
}};

bool HasWantedType(std::string_view lowerLink, const WebProject& project) {
    return std::any_of(kTypeSwitches.begin(), kTypeSwitches.end(), [&](const TypeSwitch& type) {
        return project.*type.wanted == 1 && lowerLink.find(type.suffix) != kNotFound;
    });
}

}  // namespace

std::optional<std::string> ExtractHrefLink(std::string_view line) {
    const std::string lower = LowerCopy(line);
    if (lower.find("mailto") != kNotFound) return std::nullopt;
    return HrefValue(line, lower);
}

std::optional<std::string> ExtractFrameSource(std::string_view line) {
    const std::string lower = LowerCopy(line);
    if (lower.find("frame") == kNotFound) return std::nullopt;
    const std::size_t at = lower.find("src=\"");
    if (at == kNotFound) return std::nullopt;
    const std::size_t start = at + 5;
    return ValueBetween(line, start, lower.find("\" ", start));
}

std::string MakeAbsoluteLink(std::string_view root, std::string_view pageAddress, std::string_view pageFolder,
                             std::string_view link) {
    std::string result;
    if (link.empty()) {
        return {};
    } else if (pageAddress.empty()) {
        result = link.find("://") != kNotFound ? std::string(link) : "http://" + std::string(link);
    } else if (link.front() == '/') {
        if (root.empty()) return {};
        result = WithoutLastChar(root) + std::string(link);
    } else if (link.find("..") != kNotFound) {
        const std::optional<std::string> siteRoot = GetSiteRoot(root);
        const std::optional<std::string> path = ResolveParentLink(pageFolder, link);
        if (!siteRoot || !path) return {};
        result = WithoutLastChar(*siteRoot) + *path;
    } else if (link.find("./") != kNotFound) {
        const std::optional<std::string> siteRoot = GetSiteRoot(root);
        if (!siteRoot) return {};
        result = WithoutLastChar(*siteRoot) + std::string(link.substr(1));
    } else if (link.find("//") != kNotFound) {
        result = link;
    } else {
        const std::optional<std::string> base = GetSiteRoot(pageAddress);
        if (!base) return {};
        result = *base;
        if (!pageFolder.empty()) {
            std::string folder(pageFolder.substr(1));
            std::replace(folder.begin(), folder.end(), '\\', '/');
            result += folder + "/";
        }
        result += link;
    }
    return UsableLink(std::move(result)).value_or(std::string());
}

bool IsWantedLink(std::string_view link, const WebProject& project) {
    if (link.empty()) return false;
    if (project.downloadAll == 1 && IsArchiveName(link)) return true;
    if (LastSegmentHasNoDot(link)) return true;
    const std::string lower = LowerCopy(link);
    if (HasWantedType(lower, project)) return true;
    if (lower.find(".htm") != kNotFound || lower.find(".shtml") != kNotFound) return true;
    return !project.otherTypes.Empty() && Contains(lower, project.otherTypes.View());
}

bool ContainsNoCase(std::string_view needle, std::string_view text) {
    return Contains(LowerCopy(text), LowerCopy(needle));
}

std::optional<std::string> GetSiteRoot(std::string_view address) {
    const std::size_t slashes = address.find("//");
    if (slashes == kNotFound) return std::nullopt;
    const std::size_t end = address.find('/', slashes + 2);
    if (end == kNotFound) return std::string(address) + "/";
    return std::string(address.substr(0, end + 1));
}

bool IsPageLink(std::string_view address) {
    const std::string lower = LowerCopy(address);
    if (lower.find(".htm") != kNotFound || lower.find(".shtm") != kNotFound) return true;
    if (!address.empty() && address.back() == '/') return true;
    if (LastSegmentHasNoDot(address)) return true;
    return std::count(address.begin(), address.end(), '/') == 2;
}

std::optional<std::string> ResolveParentLink(std::string_view pageFolder, std::string_view link) {
    if (pageFolder.size() > kMaxLinkLength || link.size() > kMaxLinkLength) return std::nullopt;
    const std::vector<std::string_view> folders = SplitSkippingEmpty(pageFolder, '\\');
    const std::vector<std::string_view> parts = SplitSkippingEmpty(link, '/');
    if (folders.size() > kMaxLinkSegments || parts.size() > kMaxLinkSegments) return std::nullopt;

    const auto ups = static_cast<std::size_t>(std::count_if(
        parts.begin(), parts.end(), [](std::string_view part) { return EqualsNoCase(part, ".."); }));
    const std::size_t keptFolders = folders.size() > ups ? folders.size() - ups : 0;
    std::string path;
    for (std::size_t i = 0; i < keptFolders; ++i) path.append("/").append(folders[i]);
    for (std::size_t i = ups; i < parts.size(); ++i) path.append("/").append(parts[i]);
    return path;
}

std::optional<std::string> GetRelativeFolder(std::string_view prefix, std::string_view address) {
    const std::size_t lastSlash = address.rfind('/');
    if (lastSlash == kNotFound || prefix.size() >= lastSlash) return std::string();
    if (lastSlash - prefix.size() + 1 > kMaxLinkLength) return std::nullopt;
    std::string folder = "/" + std::string(address.substr(prefix.size(), lastSlash - prefix.size()));
    std::replace(folder.begin(), folder.end(), '/', '\\');
    return folder;
}

bool HasIllegalChars(std::string_view path) { return path.find_first_of("?,*+") != kNotFound; }
