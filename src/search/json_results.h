#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The "url" texts of a search engine's JSON answer,
// {"results": [{"url": "...", ...}, ...], ...}, in order and with
// duplicates. A result without a text "url" is passed over. Nothing when the
// text is no well-formed JSON or its top-level object has no "results"
// array. The answer is read as a stream of events, never built into a tree,
// so deep nesting costs no stack and little memory. Any thread.
std::optional<std::vector<std::string>> JsonResultUrls(std::string_view answer);
