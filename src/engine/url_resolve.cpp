#include "engine/url_resolve.h"

#include <optional>

#include "engine/url_parts.h"
#include "store/text_utils.h"

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

// The five parts of RFC 3986, appendix B; the fragment is not kept.
struct Reference {
    std::optional<std::string_view> scheme;
    std::optional<std::string_view> authority;
    std::string_view path;
    std::optional<std::string_view> query;
};

// The scheme before the first ':', when it stands before any '/', '?' or
// '#' and is a letter followed by letters, digits, '+', '-' or '.'.
std::optional<std::string_view> SchemeOf(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == kNotFound || colon == 0 || text.find_first_of("/?#") < colon) return std::nullopt;
    for (std::size_t i = 0; i < colon; ++i) {
        if (i == 0 ? !IsAsciiLetter(text[i]) : !IsServiceChar(text[i])) return std::nullopt;
    }
    return text.substr(0, colon);
}

Reference Split(std::string_view text) {
    Reference parts;
    text = text.substr(0, text.find('#'));
    parts.scheme = SchemeOf(text);
    if (parts.scheme) text.remove_prefix(parts.scheme->size() + 1);
    if (text.starts_with("//")) {
        text.remove_prefix(2);
        const std::size_t end = text.find_first_of("/?");
        parts.authority = text.substr(0, end);
        text.remove_prefix(parts.authority->size());
    }
    const std::size_t question = text.find('?');
    parts.path = text.substr(0, question);
    if (question != kNotFound) parts.query = text.substr(question + 1);
    return parts;
}

// Drops the output's last segment and the '/' before it.
void DropLastSegment(std::string& output) {
    const std::size_t slash = output.rfind('/');
    output.erase(slash == kNotFound ? 0 : slash);
}

}  // namespace

std::string RemoveDotSegments(std::string_view input) {
    std::string output;
    output.reserve(input.size());
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./") || input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../") || input == "/..") {
            input = input.size() == 3 ? std::string_view("/") : input.substr(3);
            DropLastSegment(output);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t end = input.find('/', 1);
            output.append(input.substr(0, end));
            input.remove_prefix(end == kNotFound ? input.size() : end);
        }
    }
    return output;
}

namespace {

// RFC 3986 section 5.2.3.
std::string Merge(const Reference& base, std::string_view path) {
    if (base.authority && base.path.empty()) return "/" + std::string(path);
    const std::size_t slash = base.path.rfind('/');
    if (slash == kNotFound) return std::string(path);
    return std::string(base.path.substr(0, slash + 1)).append(path);
}

std::string Compose(std::string_view scheme, std::optional<std::string_view> authority, std::string_view path,
                    std::optional<std::string_view> query) {
    std::string address;
    for (char c : scheme) address += FoldAscii(c);
    address += ':';
    if (authority) address.append("//").append(*authority);
    address.append(path);
    if (query) address.append("?").append(*query);
    return address;
}

}  // namespace

std::string ResolveReference(std::string_view base, std::string_view reference) {
    const Reference r = Split(reference);
    if (r.scheme) return Compose(*r.scheme, r.authority, RemoveDotSegments(r.path), r.query);
    const Reference b = Split(base);
    if (!b.scheme) return {};
    if (r.authority) return Compose(*b.scheme, r.authority, RemoveDotSegments(r.path), r.query);
    if (r.path.empty()) return Compose(*b.scheme, b.authority, b.path, r.query ? r.query : b.query);
    const std::string path =
        r.path.starts_with('/') ? RemoveDotSegments(r.path) : RemoveDotSegments(Merge(b, r.path));
    return Compose(*b.scheme, b.authority, path, r.query);
}
