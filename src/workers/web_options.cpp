#include "workers/web_options.h"

#include <algorithm>

#include "store/text_compare.h"

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

}  // namespace

EngineSetting DefaultEngineSetting(SearchEngine engine, std::string_view host) {
    if (engine == SearchEngine::kAltavista) {
        const std::string_view server = host.empty() ? kDefaultAltavistaHost : host;
        return {"http://" + std::string(server) +
                    "/cgi-bin/query?pg=q&kl=XX&stype=stext&q={words}&search.x=19&search.y=9",
                "Altavista", EngineAnswer::kHtml};
    }
    const std::string_view server = host.empty() ? kDefaultYahooHost : host;
    return {"http://" + std::string(server) + "/bin/search?p={words}", "Yahoo", EngineAnswer::kHtml};
}

std::optional<std::string> QueryTemplateProblem(std::string_view queryTemplate) {
    if (queryTemplate.size() > kMaxQueryTemplateLength) return "it is too long";
    const bool blank = std::any_of(queryTemplate.begin(), queryTemplate.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7f;
    });
    if (blank) return "it holds a space";
    std::string_view rest;
    if (StartsWithNoCase(queryTemplate, "http://")) {
        rest = queryTemplate.substr(7);
    } else if (StartsWithNoCase(queryTemplate, "https://")) {
        rest = queryTemplate.substr(8);
    } else {
        return "it must start with http:// or https://";
    }
    if (rest.empty() || rest.front() == '/' || rest.front() == '?' || rest.front() == '{') {
        return "it names no host";
    }
    if (queryTemplate.find(kWordsPlaceholder) == std::string_view::npos) return "it has no {words}";
    return std::nullopt;
}

std::string EffectiveQueryTemplate(SearchEngine engine, const EngineSetting& setting, std::string_view host) {
    if (!host.empty() && setting.queryTemplate == DefaultEngineSetting(engine).queryTemplate) {
        return DefaultEngineSetting(engine, host).queryTemplate;
    }
    return setting.queryTemplate;
}

std::string QueryAddress(std::string_view queryTemplate, std::string_view encodedWords) {
    return ReplaceAll(std::string(queryTemplate), kWordsPlaceholder, encodedWords);
}
