#pragma once

#include <string>
#include <string_view>

// Makes a reference found on a page an absolute address, without its
// fragment. Addresses of http, https, ftp, ws and wss are read as the URL
// Standard reads them, as browsers do: '\' counts as '/', "http:a.zip" on
// an http page is relative, "." and ".." segments (also written "%2e") are
// removed, the server is written in lower case and the scheme's own port
// left out; an address whose server or port is not valid gives "".
// Addresses of other schemes are resolved as RFC 3986 section 5.2 says.
// The scheme is written in lower case; path and query keep their bytes, so
// a reference with blanks or bytes beyond ASCII (UTF-8) resolves as a
// browser's would before it escapes them. Empty when the base has no
// scheme and the reference none either. Pure; any thread may call it;
// linear in the lengths of its arguments.
std::string ResolveReference(std::string_view base, std::string_view reference);

// The path without its "." and ".." segments, as RFC 3986 section 5.2.4
// removes them. Pure; any thread may call it.
std::string RemoveDotSegments(std::string_view path);
