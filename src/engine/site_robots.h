#pragma once

#include <optional>
#include <string>

#include "engine/robots_rules.h"
#include "engine/url_parts.h"
#include "net/internet_file.h"
#include "net/internet_session.h"

// How a crawl asks a site for its robots.txt and what the answer means.

// "http://host:port", the site whose /robots.txt speaks for the address.
std::string RobotsSiteOf(const UrlParts& parts);

// The request: redirections followed (at most five; more raise
// kTooManyRedirects), an error answer handed out rather than raised.
OpenUrlOptions RobotsRequestOptions();

// Worker thread: the rules the answer gives, read up to RobotsRules::kMaxSize
// bytes; the file is closed. A robots.txt the server does not have (4xx)
// allows everything. One it fails to give (5xx, or a 429 still standing)
// gives nothing, and `whyNot` names the status. Reading may raise
// InternetException.
std::optional<RobotsRules> RobotsRulesOfAnswer(HttpFile& file, std::string& whyNot);
