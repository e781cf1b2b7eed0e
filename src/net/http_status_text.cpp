#include "net/http_status_text.h"

namespace {

std::string_view UsualReason(int code) {
    switch (code) {
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 402: return "Payment Required";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 406: return "Not Acceptable";
        case 407: return "Proxy Authentication Required";
        case 408: return "Request Timeout";
        case 409: return "Conflict";
        case 410: return "Gone";
        case 411: return "Length Required";
        case 412: return "Precondition Failed";
        case 413: return "Content Too Large";
        case 414: return "URI Too Long";
        case 415: return "Unsupported Media Type";
        case 416: return "Range Not Satisfiable";
        case 429: return "Too Many Requests";
        case 451: return "Unavailable For Legal Reasons";
        case 500: return "Internal Server Error";
        case 501: return "Not Implemented";
        case 502: return "Bad Gateway";
        case 503: return "Service Unavailable";
        case 504: return "Gateway Timeout";
        case 505: return "HTTP Version Not Supported";
        default: return code >= 500 ? "Server Error" : "Client Error";
    }
}

}  // namespace

std::string HttpStatusText(int code, std::string_view serverReason) {
    const std::string_view reason = serverReason.empty() ? UsualReason(code) : serverReason;
    return std::to_string(code) + " " + std::string(reason);
}
