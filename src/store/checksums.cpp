#include "store/checksums.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <system_error>

#include "store/list_file_reader.h"
#include "store/records.h"
#include "store/synced_file.h"
#include "store/text_utils.h"

namespace {

namespace fs = std::filesystem;

struct KindInfo {
    DigestKind kind;
    std::string_view name;
    std::size_t hexLength;
};

constexpr std::array<KindInfo, 4> kKinds = {{
    {DigestKind::kMd5, "md5", 32},
    {DigestKind::kSha1, "sha1", 40},
    {DigestKind::kSha256, "sha256", 64},
    {DigestKind::kSha512, "sha512", 128},
}};

bool IsHex(std::string_view text) {
    for (const char c : text) {
        if (HexDigitValue(c) < 0) return false;
    }
    return true;
}

// An address, a blank and the longest checksum or result text.
constexpr std::size_t kLongestLine =
    decltype(FileEntry::url)::kCapacity + 1 + std::max<std::size_t>(7 + 128, 1 + kMaxCheckResultLength);

// Marks a result line; a checksum text never begins with it.
constexpr char kResultMark = '=';

// As the list files are written (see ReplaceFileSynced).
bool WriteTable(const ChecksumTable& table, const fs::path& file) {
    return ReplaceFileSynced(file, [&table](std::FILE* out) {
        for (const auto& [url, entry] : table.Entries()) {
            if (entry.expected &&
                std::fprintf(out, "%s %s\n", url.c_str(), ChecksumText(*entry.expected).c_str()) < 0)
                return false;
            if (!entry.result.empty() &&
                std::fprintf(out, "%s %c%s\n", url.c_str(), kResultMark, entry.result.c_str()) < 0)
                return false;
        }
        return true;
    });
}

}  // namespace

std::string_view DigestKindName(DigestKind kind) {
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind) return info.name;
    }
    return {};
}

std::optional<Checksum> ParseChecksum(std::string_view text) {
    text = TrimBlanks(text);
    const std::size_t colon = text.find(':');
    const std::string_view kindName =
        colon == std::string_view::npos ? std::string_view() : text.substr(0, colon);
    const std::string_view hex = colon == std::string_view::npos ? text : text.substr(colon + 1);
    if (!IsHex(hex)) return std::nullopt;
    for (const KindInfo& info : kKinds) {
        const bool kindFits = colon == std::string_view::npos || EqualsNoCase(kindName, info.name);
        if (kindFits && hex.size() == info.hexLength) return Checksum{info.kind, FoldedCopy(hex)};
    }
    return std::nullopt;
}

std::string ChecksumText(const Checksum& checksum) {
    return std::string(DigestKindName(checksum.kind)) + ":" + checksum.hex;
}

std::string ShortDigest(std::string_view hex) { return std::string(hex.substr(0, 8)) + "\u2026"; }

std::string MismatchText(DigestKind kind, std::string_view expectedHex, std::string_view actualHex) {
    return "Checksum mismatch: " + std::string(DigestKindName(kind)) + " expected " +
           ShortDigest(expectedHex) + ", got " + ShortDigest(actualHex);
}

const ChecksumTable::Entry* ChecksumTable::Find(std::string_view url) const {
    const auto found = entries_.find(url);
    return found == entries_.end() ? nullptr : &found->second;
}

void ChecksumTable::Set(std::string_view url, const Checksum& checksum) {
    const auto found = entries_.find(url);
    if (found != entries_.end() && found->second.expected == checksum) return;
    entries_.insert_or_assign(std::string(url), Entry{checksum, {}});
    ++changes_;
}

void ChecksumTable::Erase(std::string_view url) {
    const auto found = entries_.find(url);
    if (found == entries_.end()) return;
    entries_.erase(found);
    ++changes_;
}

void ChecksumTable::EraseExpected(std::string_view url) {
    const auto found = entries_.find(url);
    if (found == entries_.end() || !found->second.expected) return;
    if (found->second.result.empty()) {
        entries_.erase(found);
    } else {
        found->second.expected.reset();
    }
    ++changes_;
}

void ChecksumTable::Clear() {
    if (entries_.empty()) return;
    entries_.clear();
    ++changes_;
}

void ChecksumTable::SetResult(std::string_view url, std::string_view result) {
    result = result.substr(0, kMaxCheckResultLength);
    // A line break would end the line in the file.
    result = result.substr(0, result.find_first_of("\r\n"));
    const auto found = entries_.find(url);
    if (found == entries_.end() ? result.empty() : found->second.result == result) return;
    ++changes_;
    if (found == entries_.end()) {
        entries_.emplace(std::string(url), Entry{std::nullopt, std::string(result)});
    } else if (result.empty() && !found->second.expected) {
        entries_.erase(found);  // nothing left to keep of the address
    } else {
        found->second.result = result;
    }
}

void LoadChecksums(ChecksumTable& table, const fs::path& folder) {
    FilePtr input(std::fopen((folder / kChecksumsFile).c_str(), "r"));
    if (!input) return;
    const bool heldUnsaved = table.IsModified();
    ListFileReader reader(input.get());
    while (!reader.AtEndAfterWhiteSpace()) {
        const std::string line = reader.ReadLine(kLongestLine + 1);
        if (line.size() > kLongestLine) continue;
        const std::size_t blank = line.find(' ');
        if (blank == std::string::npos || blank == 0 || blank > decltype(FileEntry::url)::kCapacity) continue;
        const std::string_view url = std::string_view(line).substr(0, blank);
        const std::string_view value = std::string_view(line).substr(blank + 1);
        const ChecksumTable::Entry* known = table.Find(url);
        if (!value.empty() && value.front() == kResultMark) {
            if (known == nullptr || known->result.empty()) table.SetResult(url, value.substr(1));
        } else if (const std::optional<Checksum> checksum = ParseChecksum(value)) {
            if (known == nullptr) table.Set(url, *checksum);
        }
    }
    if (!heldUnsaved) table.MarkSaved(table.ChangeCount());
}

bool SaveChecksums(ChecksumTable& table, MessageBoxPort& messages, const fs::path& folder) {
    if (!table.IsModified()) return true;
    const std::uint64_t changesWritten = table.ChangeCount();
    const fs::path file = folder / kChecksumsFile;
    if (table.Entries().empty()) {
        std::error_code ignored;
        if (fs::remove(file, ignored)) SyncFolderOf(file);
    } else if (!WriteTable(table, file)) {
        messages.ShowMessage("Error saving the checksums!");
        return false;
    }
    table.MarkSaved(changesWritten);
    return true;
}
