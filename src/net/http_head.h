#pragma once

#include <string>
#include <string_view>

// The head of an HTTP answer as libcurl hands it over, one header line at a
// time. Each answer (one per redirection, and an interim 1xx one) starts with
// its status line and ends with an empty line; the status is the one of the
// last status line taken.
struct HttpHead {
    int statusCode = 0;  // 0 until a status line with a three-digit code
    std::string reason;  // the server's reason phrase, "" if none
    bool hasLocation = false;

    // Takes one header line, with or without its line end. True when the line
    // ends the head of an answer that libcurl will not go past: neither an
    // interim one nor, when redirections are followed, a redirection.
    bool TakeLine(std::string_view line, bool followsRedirects);
};

// The line without the "\r\n" or "\n" at its end.
std::string_view TrimLineEnd(std::string_view line);
