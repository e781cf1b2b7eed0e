#include "engine/page_links.h"

#include <utility>

#include "engine/url_resolve.h"
#include "store/text_utils.h"

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;
constexpr char32_t kReplacement = 0xFFFD;

// "&#38;" or "&#x26;" at the start of `text` (the ';' may be missing):
// the bytes it takes, or 0 when it is none.
std::size_t DecodeNumeric(std::string_view text, std::string& out) {
    std::size_t at = 2;
    const bool hex = at < text.size() && (text[at] == 'x' || text[at] == 'X');
    if (hex) ++at;
    const std::size_t digitsFrom = at;
    char32_t code = 0;
    for (; at < text.size(); ++at) {
        const int digit = hex ? HexDigitValue(text[at]) : (IsAsciiDigit(text[at]) ? text[at] - '0' : -1);
        if (digit < 0) break;
        if (code <= 0x10FFFF) code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    if (at == digitsFrom) return 0;
    if (at < text.size() && text[at] == ';') ++at;
    const bool shown = code != 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    AppendUtf8(out, shown ? code : kReplacement);
    return at;
}

struct NamedReference {
    std::string_view name;
    char character;
    bool withoutSemicolon;  // also recognised without its ';'
};

constexpr NamedReference kNamed[] = {
    {"amp", '&', true}, {"lt", '<', true}, {"gt", '>', true}, {"quot", '"', true}, {"apos", '\'', false},
};

// A named reference at the start of `text`: the bytes it takes, or 0.
std::size_t DecodeNamed(std::string_view text, std::string& out) {
    for (const NamedReference& named : kNamed) {
        if (!text.substr(1).starts_with(named.name)) continue;
        const std::size_t end = 1 + named.name.size();
        if (end < text.size() && text[end] == ';') {
            out += named.character;
            return end + 1;
        }
        // Without ';' a name followed by more of a name or by '=' is left
        // as it stands, so that "?a=1&ampx=2" keeps its parameter.
        const bool moreFollows =
            end < text.size() && (IsAsciiLetter(text[end]) || IsAsciiDigit(text[end]) || text[end] == '=');
        if (named.withoutSemicolon && !moreFollows) {
            out += named.character;
            return end;
        }
    }
    return 0;
}

bool IsControlOrSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }

// What a browser does with an address before it reads it: the blanks and
// control bytes around it go, and so do tabs and line feeds inside it.
std::string CleanAddress(std::string_view value) {
    while (!value.empty() && IsControlOrSpace(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsControlOrSpace(value.back())) value.remove_suffix(1);
    std::string clean;
    clean.reserve(value.size());
    for (char c : value) {
        if (c != '\t' && c != '\n' && c != '\r') clean += c;
    }
    return clean;
}

bool IsLeftOut(std::string_view address) {
    return StartsWithNoCase(address, "mailto:") || StartsWithNoCase(address, "javascript:") ||
           StartsWithNoCase(address, "data:");
}

// The attribute of the tag that holds its link, if the tag has one.
const std::optional<std::string>* LinkOf(const HtmlStartTag& tag) {
    if (tag.name == "a" || tag.name == "area" || tag.name == "link") return &tag.href;
    if (tag.name == "frame" || tag.name == "iframe") return &tag.src;
    return nullptr;
}

}  // namespace

std::string DecodeCharacterReferences(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    std::size_t at = 0;
    while (at < value.size()) {
        const std::size_t amp = value.find('&', at);
        out.append(value.substr(at, amp == kNotFound ? kNotFound : amp - at));
        if (amp == kNotFound) break;
        const std::string_view rest = value.substr(amp);
        std::size_t taken =
            rest.size() > 1 && rest[1] == '#' ? DecodeNumeric(rest, out) : DecodeNamed(rest, out);
        if (taken == 0) {
            out += '&';
            taken = 1;
        }
        at = amp + taken;
    }
    return out;
}

PageLinkReader::PageLinkReader(std::string pageAddress)
    : pageAddress_(std::move(pageAddress)), base_(pageAddress_) {}

std::vector<std::string> PageLinkReader::Read(std::string_view piece) {
    std::vector<std::string> links;
    tags_.Read(piece, [&](const HtmlStartTag& tag) { Take(tag, links); });
    return links;
}

void PageLinkReader::Take(const HtmlStartTag& tag, std::vector<std::string>& links) {
    if (tag.name == "base" && tag.href && !baseSeen_) {
        // Only the first base counts, and it is itself read against the page.
        baseSeen_ = true;
        std::string base = ResolveReference(pageAddress_, CleanAddress(DecodeCharacterReferences(*tag.href)));
        if (!base.empty()) base_ = std::move(base);
        return;
    }
    const std::optional<std::string>* value = LinkOf(tag);
    if (value == nullptr || !*value) return;
    const std::string address = CleanAddress(DecodeCharacterReferences(**value));
    if (IsLeftOut(address)) return;
    std::string link = ResolveReference(base_, address);
    if (!link.empty()) links.push_back(std::move(link));
}
