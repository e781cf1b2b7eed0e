#pragma once

#include <string>
#include <string_view>

// Makes a reference found on a page an absolute address, as RFC 3986
// section 5.2 says: against the base address (the page's own, or its
// <base href>), with "." and ".." segments removed and the fragment dropped.
// The scheme is written in lower case; everything else keeps its bytes, so
// a reference with blanks or bytes beyond ASCII resolves as a browser's
// would before it escapes them. Empty when the base has no scheme and the
// reference none either. Pure; any thread may call it; linear in the
// lengths of its arguments.
std::string ResolveReference(std::string_view base, std::string_view reference);

// The path without its "." and ".." segments, as RFC 3986 section 5.2.4
// removes them. Pure; any thread may call it.
std::string RemoveDotSegments(std::string_view path);
