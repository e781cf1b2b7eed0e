#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/internet_file.h"
#include "net/internet_session.h"
#include "store/checksums.h"

// Digests a publisher gives for its files: in a header of the answer, in a
// file beside the archive (NAME.sha256, NAME.sha512, NAME.sha256sum), or in
// the folder's list (SHA256SUMS, SHA512SUMS, one "HEX  NAME" or "HEX *NAME"
// line per file). All functions may run on any thread.

// The most of a checksum file that is read; a longer one is ignored.
inline constexpr std::size_t kMaxChecksumFileBytes = 1024 * 1024;

struct PublishedDigest {
    Checksum checksum;
    std::string source;  // "Repr-Digest", "Digest", "f.zip.sha256", "SHA256SUMS"...
};

// Any thread: the sha-256 or sha-512 digest of a Repr-Digest value
// ("sha-256=:BASE64:", structured-field syntax) or of a Digest value
// ("SHA-256=BASE64"), whichever is not empty first; nothing when neither
// holds one.
std::optional<PublishedDigest> DigestFromHeaders(std::string_view reprDigest, std::string_view digest);

// Any thread: the digest a checksum list gives for the file name (the
// file's name, not percent-escaped), when it has one of the kind's length.
std::optional<Checksum> DigestFromSumsText(std::string_view text, std::string_view name, DigestKind kind);

// Any thread: the checksum file names tried for a file, in order, with the
// kind each holds; the folder's lists come last.
struct ChecksumFileName {
    std::string name;
    DigestKind kind;
    bool isFolderList;  // SHA256SUMS, SHA512SUMS: one line per file
};
std::vector<ChecksumFileName> ChecksumFileNames(std::string_view fileName);

// Any thread: "SHA256SUMS" or "SHA512SUMS" as the last segment of the
// address, and the kind it lists.
std::optional<DigestKind> FolderListKind(std::string_view address);

// Any thread: the address up to its last '/', its query left out, and the
// name after it; nothing when the address names no file.
struct FolderAndName {
    std::string folder;  // ends with '/'
    std::string name;    // as in the address
};
std::optional<FolderAndName> SplitFileAddress(std::string_view address);

// Worker thread: the body of an answer of at most kMaxChecksumFileBytes;
// nothing for a longer one, which is not read further. Raises
// InternetException.
std::optional<std::string> ReadChecksumFile(InternetFile& file);

// Worker thread: the text at the address when the server has it (200,
// no redirection followed) and it is short enough; nothing otherwise.
std::optional<std::string> FetchChecksumFile(InternetSession& session, const std::string& address);

// Worker thread: the first digest published beside the file, trying each
// name of ChecksumFileNames in the file's folder through `fetch`.
using ChecksumFileFetch = std::function<std::optional<std::string>(const std::string& address)>;
std::optional<PublishedDigest> FindPublishedDigest(std::string_view fileAddress,
                                                   const ChecksumFileFetch& fetch);
