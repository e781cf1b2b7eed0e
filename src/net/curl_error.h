#pragma once

#include <optional>
#include <string_view>

#include <curl/curl.h>

#include "net/internet_exception.h"

// The error for a failed libcurl transfer: its kind from the code, its text
// from the transfer's error buffer, or libcurl's text for the code when the
// buffer is empty.
InternetException CurlTransferError(CURLcode code, std::string_view errorBuffer);

// The error for a failed FTP transfer: its kind from the code, its text from
// the server's last reply when that is a refusal (4xx or 5xx), else libcurl's
// text for the code. The error buffer is not used: in active mode it can hold
// a message of an earlier step that did not fail the transfer.
InternetException CurlFtpError(CURLcode code, std::string_view lastReply);

// The proxy's refusal behind a failed transfer, or nothing when the proxy
// did not refuse: an answer to CONNECT other than 2xx (its status, e.g.
// "407 Proxy Authentication Required") or a SOCKS failure (proxyError, a
// CURLproxycode) told in words.
std::optional<InternetException> CurlProxyError(CURLcode code, long connectCode, long proxyError);
