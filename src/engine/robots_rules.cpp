#include "engine/robots_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "store/text_utils.h"

namespace {

struct Field {
    std::string key;  // in lower case
    std::string_view value;
};

// "Key: value # comment" as its key and value; nothing for a line without.
std::optional<Field> ReadField(std::string_view line) {
    line = line.substr(0, line.find('#'));
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view key = TrimBlanks(line.substr(0, colon));
    if (key.empty()) return std::nullopt;
    return Field{FoldedCopy(key), TrimBlanks(line.substr(colon + 1))};
}

bool IsTokenChar(char c) { return IsAsciiLetter(c) || c == '_' || c == '-'; }

// "Tarrawick/0.1 (+https://...)" names the product "Tarrawick".
std::string_view ProductTokenOf(std::string_view userAgent) {
    const auto end = std::find_if_not(userAgent.begin(), userAgent.end(), IsTokenChar);
    return userAgent.substr(0, static_cast<std::size_t>(end - userAgent.begin()));
}

bool IsUnreserved(unsigned char c) {
    return IsAsciiLetter(static_cast<char>(c)) || IsAsciiDigit(static_cast<char>(c)) || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Seconds, with or without a fraction; nothing when unreadable.
std::optional<std::chrono::milliseconds> ReadCrawlDelay(std::string_view value) {
    double seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(seconds) ||
        seconds < 0) {
        return std::nullopt;
    }
    const double longest = static_cast<double>(RobotsRules::kLongestCrawlDelay.count());
    return std::chrono::milliseconds(std::llround(std::min(seconds, longest) * 1000));
}

// Whether the pattern matches the start of the path, or all of it when it
// ends in '$'; '*' matches any bytes. Backtracks to the last '*' only, so
// it takes at most pattern × path steps.
bool Matches(std::string_view pattern, std::string_view path) {
    const bool wholePath = !pattern.empty() && pattern.back() == '$';
    if (wholePath) pattern.remove_suffix(1);
    std::size_t p = 0;
    std::size_t s = 0;
    std::size_t star = std::string_view::npos;
    std::size_t starAt = 0;
    while (s < path.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starAt = s;
        } else if (p == pattern.size() && !wholePath) {
            return true;
        } else if (p < pattern.size() && pattern[p] == path[s]) {
            ++p;
            ++s;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            s = ++starAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

std::string NormalisedRobotsPath(std::string_view path) {
    std::string normal;
    normal.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte == '%' && i + 2 < path.size() && HexDigitValue(path[i + 1]) >= 0 &&
            HexDigitValue(path[i + 2]) >= 0) {
            const auto value =
                static_cast<unsigned char>(HexDigitValue(path[i + 1]) * 16 + HexDigitValue(path[i + 2]));
            if (IsUnreserved(value)) {
                normal += static_cast<char>(value);
            } else {
                normal += PercentEscape(static_cast<char>(value));
            }
            i += 2;
        } else if (byte <= ' ' || byte >= 0x7f) {
            normal += PercentEscape(static_cast<char>(byte));
        } else {
            normal += static_cast<char>(byte);
        }
    }
    return normal;
}

RobotsRules RobotsRules::Parse(std::string_view text, std::string_view productToken) {
    text = text.substr(0, kMaxSize);
    RobotsRules ours(false);
    RobotsRules anyone(false);
    bool oursFound = false;
    bool anyoneFound = false;
    bool readingAgents = false;  // the lines that name a group's crawlers
    bool forUs = false;
    bool forAnyone = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::optional<Field> field = ReadField(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!field) continue;
        if (field->key == "user-agent") {
            if (!readingAgents) forUs = forAnyone = false;
            readingAgents = true;
            if (field->value == "*") {
                forAnyone = anyoneFound = true;
            } else if (EqualsNoCase(ProductTokenOf(field->value), productToken)) {
                forUs = oursFound = true;
            }
            continue;
        }
        const bool isRule = field->key == "allow" || field->key == "disallow";
        if (!isRule && field->key != "crawl-delay") continue;  // sitemap and others
        readingAgents = false;
        for (RobotsRules* group : {forUs ? &ours : nullptr, forAnyone ? &anyone : nullptr}) {
            if (group == nullptr) continue;
            if (!isRule) {
                if (const auto delay = ReadCrawlDelay(field->value)) group->crawlDelay_ = delay;
            } else if (!field->value.empty()) {  // an empty Disallow forbids nothing
                group->rules_.push_back({NormalisedRobotsPath(field->value), field->key == "allow"});
            }
        }
    }
    if (oursFound) return ours;
    if (anyoneFound) return anyone;
    return AllowingAll();
}

bool RobotsRules::Allows(std::string_view pathAndQuery) const {
    if (pathAndQuery == "/robots.txt") return true;
    if (allowsNothing_) return false;
    const std::string path = NormalisedRobotsPath(pathAndQuery);
    std::size_t longest = 0;
    bool allowed = true;
    for (const Rule& rule : rules_) {
        const std::size_t length = rule.pattern.size();
        if (length < longest || (length == longest && allowed) || !Matches(rule.pattern, path)) continue;
        longest = length;
        allowed = rule.allow;
    }
    return allowed;
}
