#pragma once

// The text operations with which the site crawler reads a page: they take at
// most one href link and one frame source out of a line, make a link a full
// address, decide whether an address is a page, a wanted file or neither, and
// derive the local folder a file goes to (local_paths.h makes it). They work
// on single lines of text, not on a parsed document. All are pure functions
// of their arguments. Any thread may call them; they touch no shared state.
//
// Texts are bytes; "lower case" and "ignoring case" concern only A-Z. To
// contain means to hold as a substring anywhere.
//
// Limits: an address is stored in 255 bytes (the crawler's stack), and a
// page folder and a link to resolve hold at most 255 bytes and 19 segments.
// Texts beyond these limits are unusable: the
// operations give no link or no folder for them rather than cut them into
// some other address.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "store/records.h"

inline constexpr std::size_t kMaxLinkLength = 255;
inline constexpr std::size_t kMaxLinkSegments = 19;

// The href value of the line, or nothing. The forms are looked for ignoring
// case and the value keeps the letter case it has in the line, since paths
// on a server are case-sensitive. Of the three forms href="v", href='v' and
// href=v the first one that occurs anywhere in the line is taken, so
// href='a' before href="b" gives b. A line that contains "mailto" in any
// case gives nothing. Values longer than kMaxLinkLength or holding a NUL
// byte give nothing. The value may be empty (href="").
std::optional<std::string> ExtractHrefLink(std::string_view line);

// The src="v" value of a line that contains "frame" (frame, iframe,
// frameset), ignoring case, with the value's own letter case, or nothing. The value ends at the first '"'
// followed by a space, so src="v"> gives nothing. Same limits as above.
std::optional<std::string> ExtractFrameSource(std::string_view line);

// The link rewritten into a full address; empty for an empty link and for a
// link that cannot be made usable (longer than kMaxLinkLength, holding a NUL
// byte, or whose folder or ".." path is beyond the limits). `root` is the
// site root of the crawl's start address, `pageAddress` the address of the
// page the link was found on and `pageFolder` that page's folder as
// GetRelativeFolder gives it. With an empty page address (the start address
// itself) only "http://" is put in front of a link without "://".
std::string MakeAbsoluteLink(std::string_view root, std::string_view pageAddress, std::string_view pageFolder,
                             std::string_view link);

// Whether the crawler should follow or fetch the link for this project:
// archives when "download all" is chosen, addresses whose last segment has no
// extension, the chosen archive types, .htm/.html/.shtml pages, and the
// project's own extra suffix (matched as typed against the lower-case link).
bool IsWantedLink(std::string_view link, const WebProject& project);

// Whether the text contains the needle, ignoring case.
bool ContainsNoCase(std::string_view needle, std::string_view text);

// The address up to and including the first '/' after its first "//"
// ("http://host/"), or the whole address and a '/' when no '/' follows;
// nothing when the address holds no "//".
std::optional<std::string> GetSiteRoot(std::string_view address);

// True for an address to be read for links (.htm or .shtm anywhere, a
// trailing '/', no extension in the last segment, or a bare "http://host"),
// false for a file to download.
bool IsPageLink(std::string_view address);

// The link's segments laid over the page folder as an absolute path /a/b/x:
// every ".." segment of the link, wherever it stands, drops one folder
// segment from the end and one segment from the front of the link. Nothing
// when the folder or the link is longer than kMaxLinkLength or has more than
// kMaxLinkSegments segments.
std::optional<std::string> ResolveParentLink(std::string_view pageFolder, std::string_view link);

// The folder of the address below the prefix, in backslash form with one
// leading backslash ("\d1\d2"), or empty for an address directly below it.
// Only the prefix's length is used, not its text. Nothing when the folder
// would be longer than kMaxLinkLength.
std::optional<std::string> GetRelativeFolder(std::string_view prefix, std::string_view address);

// True when the local path holds '?', ',', '*' or '+'.
bool HasIllegalChars(std::string_view path);
