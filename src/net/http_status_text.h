#pragma once

#include <string>
#include <string_view>

// "404 Not Found": the code and the server's reason phrase, or the usual
// phrase for the code when the server sent none (HTTP/2 sends none).
std::string HttpStatusText(int code, std::string_view serverReason);
