#include "engine/page_links.h"

#include <utility>

#include "engine/html_entities.h"
#include "engine/url_resolve.h"
#include "store/text_utils.h"

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;
constexpr char32_t kReplacement = 0xFFFD;

// What a browser shows for the numbers 0x80 to 0x9F: the characters those
// bytes are in Windows-1252, which pages meant when they wrote them.
constexpr char32_t kWindows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t ShownCharacter(char32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
    if (code >= 0x80 && code <= 0x9F) return kWindows1252[code - 0x80];
    return code;
}

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
    AppendUtf8(out, ShownCharacter(code));
    return at;
}

bool IsAsciiAlphanumeric(char c) { return IsAsciiLetter(c) || IsAsciiDigit(c); }

// The longest named reference at the start of `text`: the bytes it takes,
// or 0. A name read without its ';' and followed by more of a name or by
// '=' is left as it stands, so that "?a=1&copy=2" keeps its parameter.
std::size_t DecodeNamed(std::string_view text, std::string& out) {
    std::size_t letters = 0;
    while (1 + letters < text.size() && letters < kMaxCharacterReferenceName &&
           IsAsciiAlphanumeric(text[1 + letters]))
        ++letters;
    if (1 + letters < text.size() && text[1 + letters] == ';') {
        if (const auto shown = NamedCharacterReference(text.substr(1, letters + 1))) {
            out += *shown;
            return letters + 2;
        }
    }
    for (std::size_t length = letters; length > 0; --length) {
        const auto shown = NamedCharacterReference(text.substr(1, length));
        if (!shown) continue;
        const std::size_t end = 1 + length;
        if (end < text.size() && (IsAsciiAlphanumeric(text[end]) || text[end] == '=')) return 0;
        out += *shown;
        return end;
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

// Tags a page's head may hold; any other starts its body.
bool BelongsInHead(std::string_view name) {
    constexpr std::string_view kHeadTags[] = {"html",     "head",    "base",    "link",     "meta",
                                              "title",    "style",   "script",  "noscript", "template",
                                              "basefont", "bgsound", "noframes"};
    for (std::string_view head : kHeadTags) {
        if (name == head) return true;
    }
    return false;
}

// The attribute of the tag that holds its link, if the tag has one.
const std::optional<std::string>* LinkOf(const HtmlTag& tag) {
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
    tags_.Read(piece, [&](const HtmlTag& tag) { Take(tag, links); });
    return links;
}

std::vector<std::string> PageLinkReader::Finish() {
    std::vector<std::string> links;
    ReleaseHeld(links);
    return links;
}

void PageLinkReader::Take(const HtmlTag& tag, std::vector<std::string>& links) {
    if (tag.end) {
        // A base rarely follows the head's end, and a page may end there.
        const bool endsHead = tag.name == "head" || tag.name == "html" || !BelongsInHead(tag.name);
        if (holding_ && endsHead) ReleaseHeld(links);
        return;
    }
    if (tag.name == "base" && tag.href && !baseSeen_) {
        TakeBase(*tag.href);
        ReleaseHeld(links);
        return;
    }
    if (holding_ && !BelongsInHead(tag.name)) ReleaseHeld(links);
    const std::optional<std::string>* value = LinkOf(tag);
    if (value == nullptr || !*value) return;
    std::string reference = CleanAddress(DecodeCharacterReferences(**value));
    if (IsLeftOut(reference)) return;
    if (holding_) {
        Hold(std::move(reference), links);
    } else {
        AddLink(reference, links);
    }
}

// Only the first base counts, and it is itself read against the page.
void PageLinkReader::TakeBase(const std::string& href) {
    baseSeen_ = true;
    std::string base = ResolveReference(pageAddress_, CleanAddress(DecodeCharacterReferences(href)));
    if (!base.empty()) base_ = std::move(base);
}

void PageLinkReader::Hold(std::string reference, std::vector<std::string>& links) {
    if (held_.size() == kMaxHeldLinks || heldBytes_ + reference.size() > kMaxHeldBytes) {
        ReleaseHeld(links);
        AddLink(reference, links);
        return;
    }
    heldBytes_ += reference.size();
    held_.push_back(std::move(reference));
}

// Resolves what was held against the base known now, and holds no more.
void PageLinkReader::ReleaseHeld(std::vector<std::string>& links) {
    holding_ = false;
    for (const std::string& reference : held_) AddLink(reference, links);
    held_.clear();
    held_.shrink_to_fit();
    heldBytes_ = 0;
}

void PageLinkReader::AddLink(std::string_view reference, std::vector<std::string>& links) const {
    std::string link = ResolveReference(base_, reference);
    if (!link.empty()) links.push_back(std::move(link));
}
