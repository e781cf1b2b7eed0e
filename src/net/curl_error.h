#pragma once

#include <string_view>

#include <curl/curl.h>

#include "net/internet_exception.h"

// The error for a failed libcurl transfer: its kind from the code, its text
// from the transfer's error buffer, or libcurl's text for the code when the
// buffer is empty.
InternetException CurlTransferError(CURLcode code, std::string_view errorBuffer);
