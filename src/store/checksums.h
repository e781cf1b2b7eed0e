#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "store/message_box.h"

// A digest the user expects a downloaded file to have.
enum class DigestKind { kMd5, kSha1, kSha256, kSha512 };

struct Checksum {
    DigestKind kind = DigestKind::kSha256;
    std::string hex;  // lower case, as long as the kind's digest

    bool operator==(const Checksum&) const = default;
};

// "md5", "sha1", "sha256" or "sha512".
std::string_view DigestKindName(DigestKind kind);

// "KIND:HEX" (the kind in any case) or bare hex whose length gives the kind
// (32 md5, 40 sha1, 64 sha256, 128 sha512), blanks around it ignored;
// nothing for anything else.
std::optional<Checksum> ParseChecksum(std::string_view text);

// The refusal of a checksum ParseChecksum does not take.
inline constexpr const char* kInvalidChecksumMessage =
    "Checksum: not a valid checksum. Give sha256:HEX, sha512:HEX, sha1:HEX, md5:HEX or the bare hex digits.";

// "sha256:3a7b...", as ParseChecksum reads it back.
std::string ChecksumText(const Checksum& checksum);

// The first eight digits of a digest and an ellipsis, for status texts.
std::string ShortDigest(std::string_view hex);

// "Checksum mismatch: sha256 expected 3a7bd3e2…, got 9f86d081…".
std::string MismatchText(DigestKind kind, std::string_view expectedHex, std::string_view actualHex);

// The checksums the user gave, by file address, and what the last check of
// each address's download found (against the user's checksum or a
// published one). Used on the user-interface thread.
class ChecksumTable {
public:
    struct Entry {
        std::optional<Checksum> expected;  // none when only a result is known
        std::string result;                // "sha256 verified ...", a mismatch text, or "" before any check

        bool operator==(const Entry&) const = default;
    };

    const Entry* Find(std::string_view url) const;
    // Sets or replaces the address's checksum; its earlier result goes.
    void Set(std::string_view url, const Checksum& checksum);
    // The address's checksum and result go.
    void Erase(std::string_view url);
    // Only the checksum goes; a result it led to stays.
    void EraseExpected(std::string_view url);
    void Clear();
    // Kept like the checksums; cut to kMaxCheckResultLength bytes.
    void SetResult(std::string_view url, std::string_view result);

    const std::map<std::string, Entry, std::less<>>& Entries() const { return entries_; }
    // Grows with every change to what the checksums file holds.
    std::uint64_t ChangeCount() const { return changes_; }
    bool IsModified() const { return changes_ != saved_; }
    // The file now holds the table as it was at that change count.
    void MarkSaved(std::uint64_t changeCount) { saved_ = changeCount; }

private:
    std::map<std::string, Entry, std::less<>> entries_;
    std::uint64_t changes_ = 0;
    std::uint64_t saved_ = 0;
};

// The longest check result kept.
inline constexpr std::size_t kMaxCheckResultLength = 512;

// The file beside the list files: one "ADDRESS KIND:HEX" line per address
// with a checksum, and one "ADDRESS =RESULT" line per address with a result.
inline constexpr const char* kChecksumsFile = "checksums.data";

// Adds the file's checksums and results to the table (one already there is kept).
// Over-long lines, lines without a valid checksum and repeated addresses are
// ignored; a missing file adds nothing.
void LoadChecksums(ChecksumTable& table, const std::filesystem::path& folder = ".");

// Writes the table when it changed since it was last loaded or saved: to a
// temporary file, synced, then renamed over the old one; an empty table
// deletes the file. A failure is reported through the message box and keeps
// the old file. False when it could not be saved.
bool SaveChecksums(ChecksumTable& table, MessageBoxPort& messages, const std::filesystem::path& folder = ".");
