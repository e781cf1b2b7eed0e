#include "engine/url_resolve.h"

#include <algorithm>
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

// Addresses of other schemes, as RFC 3986 section 5.2 says.
std::string ResolveByRfc3986(std::string_view base, std::string_view reference) {
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

// The schemes the URL Standard calls special: their addresses always have
// a server and a path, '\\' is read as '/', and the default port is left out.
struct SpecialScheme {
    std::string_view name;
    std::string_view defaultPort;
};
constexpr SpecialScheme kSpecialSchemes[] = {
    {"http", "80"}, {"https", "443"}, {"ftp", "21"}, {"ws", "80"}, {"wss", "443"},
};

const SpecialScheme* FindSpecial(std::string_view scheme) {
    for (const SpecialScheme& special : kSpecialSchemes) {
        if (EqualsNoCase(scheme, special.name)) return &special;
    }
    return nullptr;
}

bool IsSlash(char c) { return c == '/' || c == '\\'; }

// An address of a special scheme, in the form the URL Standard writes it.
struct SpecialUrl {
    const SpecialScheme* scheme = nullptr;
    std::string authority;  // server in lower case, default port left out
    std::string path;       // starts with '/'
    std::optional<std::string_view> query;
};

bool IsForbiddenInHost(char c) {
    constexpr std::string_view kForbidden = "#/:<>?@[\\]^|%";
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7F || kForbidden.find(c) != std::string_view::npos;
}

// The server of an authority in lower case, or "[...]" for an IPv6
// address as written; nothing when it is missing or holds what no server
// name may.
std::optional<std::string> NormalHost(std::string_view host) {
    if (host.starts_with('[')) return host.ends_with(']') ? std::optional<std::string>(host) : std::nullopt;
    std::string normal = FoldedCopy(PercentDecoded(host));
    if (normal.empty() || std::any_of(normal.begin(), normal.end(), IsForbiddenInHost)) return std::nullopt;
    return normal;
}

// "user@Host:0080" as "user@host:80", the scheme's own port left out;
// nothing when the server is not a name or the port not a number up to
// 65535.
std::optional<std::string> NormalAuthority(const SpecialScheme& scheme, std::string_view authority) {
    const std::size_t at = authority.rfind('@');
    const std::string_view user = at == kNotFound ? std::string_view() : authority.substr(0, at + 1);
    const std::string_view hostAndPort = authority.substr(user.size());
    const std::size_t closing = hostAndPort.starts_with('[') ? hostAndPort.find(']') : 0;
    const std::size_t colon = closing == kNotFound ? kNotFound : hostAndPort.find(':', closing);
    std::optional<std::string> host = NormalHost(hostAndPort.substr(0, colon));
    if (!host) return std::nullopt;
    std::string_view port = colon == kNotFound ? std::string_view() : hostAndPort.substr(colon + 1);
    if (!std::all_of(port.begin(), port.end(), IsAsciiDigit)) return std::nullopt;
    while (port.size() > 1 && port.front() == '0') port.remove_prefix(1);
    if (port.size() > 5 || (port.size() == 5 && port > "65535")) return std::nullopt;
    std::string normal = std::string(user).append(*host);
    if (!port.empty() && port != scheme.defaultPort) normal.append(":").append(port);
    return normal;
}

bool IsSingleDot(std::string_view segment) { return segment == "." || EqualsNoCase(segment, "%2e"); }

bool IsDoubleDot(std::string_view segment) {
    return segment == ".." || EqualsNoCase(segment, ".%2e") || EqualsNoCase(segment, "%2e.") ||
           EqualsNoCase(segment, "%2e%2e");
}

// The path with '\\' read as '/' and its dot segments, written plainly or
// as "%2e", removed; ".." never climbs above the root.
std::string NormalPath(std::string_view path) {
    std::string output;
    output.reserve(path.size() + 1);
    std::string slashed(path);
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    std::string_view input = slashed;
    if (input.starts_with('/')) input.remove_prefix(1);
    for (;;) {
        const std::size_t end = input.find('/');
        const std::string_view segment = input.substr(0, end);
        const bool last = end == kNotFound;
        if (IsDoubleDot(segment)) {
            const std::size_t slash = output.rfind('/');
            output.erase(slash == kNotFound ? 0 : slash);
            if (last) output += '/';
        } else if (IsSingleDot(segment)) {
            if (last) output += '/';
        } else {
            output.append("/").append(segment);
        }
        if (last) break;
        input.remove_prefix(end + 1);
    }
    return output;
}

// The path and query of a reference; the fragment is already gone.
void SplitPathAndQuery(std::string_view text, std::string_view& path,
                       std::optional<std::string_view>& query) {
    const std::size_t question = text.find('?');
    path = text.substr(0, question);
    query.reset();
    if (question != kNotFound) query = text.substr(question + 1);
}

// What follows "http:" in an address that names its own server: any
// number of '/' and '\\', the server, the path and the query.
std::optional<SpecialUrl> ParseWithServer(const SpecialScheme& scheme, std::string_view rest) {
    while (!rest.empty() && IsSlash(rest.front())) rest.remove_prefix(1);
    const std::size_t end = std::min(rest.find_first_of("/\\?"), rest.size());
    std::optional<std::string> authority = NormalAuthority(scheme, rest.substr(0, end));
    if (!authority) return std::nullopt;
    SpecialUrl url{&scheme, std::move(*authority), {}, {}};
    std::string_view path;
    SplitPathAndQuery(rest.substr(end), path, url.query);
    url.path = NormalPath(path);
    return url;
}

std::optional<SpecialUrl> ParseSpecial(std::string_view address) {
    address = address.substr(0, address.find('#'));
    const std::optional<std::string_view> scheme = SchemeOf(address);
    const SpecialScheme* special = scheme ? FindSpecial(*scheme) : nullptr;
    if (special == nullptr) return std::nullopt;
    return ParseWithServer(*special, address.substr(scheme->size() + 1));
}

// A reference without scheme (or with its base's) against a special base.
std::optional<SpecialUrl> ResolveAgainstSpecial(const SpecialUrl& base, std::string_view reference) {
    if (reference.size() >= 2 && IsSlash(reference[0]) && IsSlash(reference[1])) {
        return ParseWithServer(*base.scheme, reference);
    }
    SpecialUrl url{base.scheme, base.authority, base.path, base.query};
    if (reference.empty()) return url;
    std::string_view path;
    SplitPathAndQuery(reference, path, url.query);
    if (path.empty()) return url;
    if (IsSlash(path.front())) {
        url.path = NormalPath(path);
    } else {
        url.path = NormalPath(base.path.substr(0, base.path.rfind('/') + 1).append(path));
    }
    return url;
}

std::string Written(const std::optional<SpecialUrl>& url) {
    if (!url) return {};
    std::string address(url->scheme->name);
    address.append("://").append(url->authority).append(url->path);
    if (url->query) address.append("?").append(*url->query);
    return address;
}

}  // namespace

std::string ResolveReference(std::string_view base, std::string_view reference) {
    reference = reference.substr(0, reference.find('#'));
    const std::optional<std::string_view> scheme = SchemeOf(reference);
    const SpecialScheme* special = scheme ? FindSpecial(*scheme) : nullptr;
    const std::optional<SpecialUrl> specialBase = ParseSpecial(base);
    if (special != nullptr) {
        // "http:a.zip" on an http page is relative; on any other it names a server.
        const std::string_view rest = reference.substr(scheme->size() + 1);
        if (specialBase && specialBase->scheme == special)
            return Written(ResolveAgainstSpecial(*specialBase, rest));
        return Written(ParseWithServer(*special, rest));
    }
    if (!scheme && specialBase) return Written(ResolveAgainstSpecial(*specialBase, reference));
    return ResolveByRfc3986(base, reference);
}
