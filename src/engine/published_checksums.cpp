#include "engine/published_checksums.h"

#include <array>

#include <openssl/evp.h>

#include "engine/file_digest.h"
#include "net/internet_exception.h"
#include "store/text_utils.h"

namespace {

// The kind's digest in hex, when the text is one.
std::optional<Checksum> HexDigest(std::string_view hex, DigestKind kind) {
    if (hex.empty() || hex.find(':') != std::string_view::npos) return std::nullopt;
    return ParseChecksum(std::string(DigestKindName(kind)) + ":" + std::string(hex));
}

// The header's name of a digest algorithm ("sha-256", any case).
std::optional<DigestKind> HeaderAlgorithm(std::string_view name) {
    if (EqualsNoCase(name, "sha-256")) return DigestKind::kSha256;
    if (EqualsNoCase(name, "sha-512")) return DigestKind::kSha512;
    return std::nullopt;
}

// The kind's digest in base64 with its padding, when the text is one.
std::optional<Checksum> Base64Digest(std::string_view text, DigestKind kind) {
    const std::size_t bytes = kind == DigestKind::kSha512 ? 64 : 32;
    const std::size_t encodedLength = (bytes + 2) / 3 * 4;
    if (text.size() != encodedLength) return std::nullopt;
    for (const char c : text) {
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '+' && c != '/' && c != '=') return std::nullopt;
    }
    std::array<unsigned char, 66> decoded{};  // 88 characters give 66 bytes, padding included
    const std::string encoded(text);
    if (EVP_DecodeBlock(decoded.data(), reinterpret_cast<const unsigned char*>(encoded.data()),
                        static_cast<int>(encoded.size())) < static_cast<int>(bytes)) {
        return std::nullopt;
    }
    return HexDigest(LowerHex(decoded.data(), bytes), kind);
}

// The first member of a comma-separated header value whose algorithm is
// one of ours and whose value decodes. In Repr-Digest the value is a byte
// sequence (":BASE64:") and may carry parameters after ';'.
std::optional<Checksum> DigestFromHeader(std::string_view value, bool structured) {
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        std::string_view member = TrimBlanks(value.substr(0, comma));
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        if (structured) member = TrimBlanks(member.substr(0, member.find(';')));
        const std::size_t equals = member.find('=');
        if (equals == std::string_view::npos) continue;
        const std::optional<DigestKind> kind = HeaderAlgorithm(TrimBlanks(member.substr(0, equals)));
        std::string_view encoded = TrimBlanks(member.substr(equals + 1));
        if (structured) {
            if (encoded.size() < 2 || encoded.front() != ':' || encoded.back() != ':') continue;
            encoded = encoded.substr(1, encoded.size() - 2);
        }
        if (!kind) continue;
        if (std::optional<Checksum> checksum = Base64Digest(encoded, *kind)) return checksum;
    }
    return std::nullopt;
}

std::string_view FirstWord(std::string_view text) {
    text = TrimBlanks(text);
    std::size_t end = 0;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    return text.substr(0, end);
}

bool IsFolderListName(std::string_view name) { return name == "SHA256SUMS" || name == "SHA512SUMS"; }

}  // namespace

std::optional<PublishedDigest> DigestFromHeaders(std::string_view reprDigest, std::string_view digest) {
    if (std::optional<Checksum> checksum = DigestFromHeader(reprDigest, true)) {
        return PublishedDigest{*checksum, "Repr-Digest"};
    }
    if (std::optional<Checksum> checksum = DigestFromHeader(digest, false)) {
        return PublishedDigest{*checksum, "Digest"};
    }
    return std::nullopt;
}

std::optional<Checksum> DigestFromSumsText(std::string_view text, std::string_view name, DigestKind kind) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // "HEX  NAME" (text mode) or "HEX *NAME" (binary mode).
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos || blank + 1 >= line.size()) continue;
        const char mode = line[blank + 1];
        if ((mode != ' ' && mode != '*') || line.substr(blank + 2) != name) continue;
        if (std::optional<Checksum> checksum = HexDigest(line.substr(0, blank), kind)) return checksum;
    }
    return std::nullopt;
}

std::vector<ChecksumFileName> ChecksumFileNames(std::string_view fileName) {
    const std::string name(fileName);
    return {
        {name + ".sha256", DigestKind::kSha256, false},    {name + ".sha512", DigestKind::kSha512, false},
        {name + ".sha256sum", DigestKind::kSha256, false}, {"SHA256SUMS", DigestKind::kSha256, true},
        {"SHA512SUMS", DigestKind::kSha512, true},
    };
}

std::optional<DigestKind> FolderListKind(std::string_view address) {
    const std::optional<FolderAndName> parts = SplitFileAddress(address);
    if (!parts || !IsFolderListName(parts->name)) return std::nullopt;
    return parts->name == "SHA512SUMS" ? DigestKind::kSha512 : DigestKind::kSha256;
}

std::optional<FolderAndName> SplitFileAddress(std::string_view address) {
    const std::string_view withoutQuery = address.substr(0, address.find_first_of("?#"));
    const std::size_t scheme = withoutQuery.find("://");
    const std::size_t slash = withoutQuery.rfind('/');
    if (scheme == std::string_view::npos || slash == std::string_view::npos || slash < scheme + 3 ||
        withoutQuery.find('/', scheme + 3) == std::string_view::npos || slash + 1 == withoutQuery.size()) {
        return std::nullopt;
    }
    return FolderAndName{std::string(withoutQuery.substr(0, slash + 1)),
                         std::string(withoutQuery.substr(slash + 1))};
}

std::optional<std::string> ReadChecksumFile(InternetFile& file) {
    const std::optional<std::uint64_t> announced = file.ContentLength();
    if (announced && *announced > kMaxChecksumFileBytes) return std::nullopt;
    std::string text(kMaxChecksumFileBytes + 1, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const std::size_t count = file.Read(text.data() + got, text.size() - got);
        if (count == 0) break;
        got += count;
    }
    if (got > kMaxChecksumFileBytes) return std::nullopt;
    text.resize(got);
    return text;
}

std::optional<std::string> FetchChecksumFile(InternetSession& session, const std::string& address) {
    try {
        OpenUrlOptions options;
        options.maxRedirects = 0;  // another host, or another scheme, is never asked
        const std::unique_ptr<HttpFile> file = session.OpenURL(address, options);
        std::optional<std::string> text;
        if (file->QueryInfoStatusCode() == 200) text = ReadChecksumFile(*file);
        file->Close();
        return text;
    } catch (const InternetException&) {
        return std::nullopt;  // missing, refused or broken: as if there were none
    }
}

std::optional<PublishedDigest> FindPublishedDigest(std::string_view fileAddress,
                                                   const ChecksumFileFetch& fetch) {
    const std::optional<FolderAndName> file = SplitFileAddress(fileAddress);
    if (!file) return std::nullopt;
    const std::string listedName = PercentDecoded(file->name);
    for (const ChecksumFileName& candidate : ChecksumFileNames(file->name)) {
        const std::optional<std::string> text = fetch(file->folder + candidate.name);
        if (!text) continue;
        // A file of the archive's own holds its digest first, with or without a name.
        const std::optional<Checksum> checksum = candidate.isFolderList
                                                     ? DigestFromSumsText(*text, listedName, candidate.kind)
                                                     : HexDigest(FirstWord(*text), candidate.kind);
        if (checksum) return PublishedDigest{*checksum, PercentDecoded(candidate.name)};
    }
    return std::nullopt;
}
