#include "engine/site_robots.h"

#include <algorithm>

#include "net/close_quietly.h"
#include "net/user_agent.h"
#include "store/text_utils.h"

namespace {

// The body, up to `limit` bytes.
std::string ReadAtMost(HttpFile& file, std::size_t limit) {
    constexpr std::size_t kFirstPiece = 8192;
    std::string body(std::min(limit, kFirstPiece), '\0');
    std::size_t length = 0;
    while (length < limit) {
        if (length == body.size()) body.resize(std::min(limit, body.size() * 2));
        const std::size_t count = file.Read(body.data() + length, body.size() - length);
        if (count == 0) break;
        length += count;
    }
    body.resize(length);
    return body;
}

}  // namespace

std::string RobotsSiteOf(const UrlParts& parts) {
    const bool ipv6 = parts.server.find(':') != std::string::npos;
    const std::string server = ipv6 ? "[" + parts.server + "]" : parts.server;
    return std::string(parts.service == UrlService::kHttps ? "https://" : "http://") + FoldedCopy(server) +
           ":" + std::to_string(parts.port);
}

OpenUrlOptions RobotsRequestOptions() {
    OpenUrlOptions options;
    options.maxRedirects = 5;
    options.failOnHttpError = false;
    return options;
}

std::optional<RobotsRules> RobotsRulesOfAnswer(HttpFile& file, std::string& whyNot) {
    const int status = file.QueryInfoStatusCode();
    std::optional<RobotsRules> rules;
    if (status < 300) {
        rules = RobotsRules::Parse(ReadAtMost(file, RobotsRules::kMaxSize), kProductToken);
    } else if (status < 500 && status != 429) {
        rules = RobotsRules::AllowingAll();
    } else {
        whyNot = std::to_string(status);
    }
    CloseQuietly(file);
    return rules;
}
