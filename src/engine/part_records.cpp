#include "engine/part_records.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

namespace {

constexpr const char* kPartsFolder = "parts";
// A record holds four short lines and the missing spans; anything longer is
// not one of ours.
constexpr std::streamsize kMaxRecordSize = 16384;
constexpr std::string_view kMissingLabel = "missing";

// One file per local path, named by a hash of it, so that any path (of any
// length) has a record of a fixed, safe name. The path is kept inside too,
// to tell two paths of the same hash apart.
std::filesystem::path RecordFile(const std::string& key) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.part", static_cast<unsigned long long>(hash));
    return std::filesystem::path(kPartsFolder) / name;
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// "missing 100-200 300-400": ascending spans inside the size, apart from
// each other. Nothing for any other line.
std::optional<std::vector<ByteSpan>> ParseMissing(const std::string& line, std::int64_t size) {
    std::istringstream words(line);
    std::string label;
    if (!(words >> label) || label != kMissingLabel || size <= 0) return std::nullopt;
    std::vector<ByteSpan> spans;
    std::int64_t last = 0;
    std::string word;
    while (words >> word) {
        ByteSpan span;
        char dash = 0;
        std::istringstream pair(word);
        if (!(pair >> span.first >> dash >> span.end) || dash != '-' || !pair.eof()) return std::nullopt;
        if (span.first < last || span.end <= span.first || span.end > size) return std::nullopt;
        last = span.end;
        spans.push_back(span);
    }
    if (spans.empty()) return std::nullopt;
    return spans;
}

}  // namespace

std::optional<PartRecord> LoadPartRecord(const std::filesystem::path& localPath) {
    const std::string key = localPath.lexically_normal().string();
    std::ifstream in(RecordFile(key), std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(static_cast<std::size_t>(kMaxRecordSize), '\0');
    in.read(text.data(), kMaxRecordSize);
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::istringstream lines(text);
    std::string storedKey;
    std::string size;
    PartRecord record;
    if (!std::getline(lines, storedKey) || !std::getline(lines, record.url) ||
        !std::getline(lines, record.validator) || !std::getline(lines, size) || storedKey != key) {
        return std::nullopt;
    }
    try {
        std::size_t used = 0;
        record.size = std::stoll(size, &used);
        if (used != size.size() || record.size < -1) return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::string missing;
    if (std::getline(lines, missing)) {
        std::optional<std::vector<ByteSpan>> spans = ParseMissing(missing, record.size);
        if (!spans) return std::nullopt;
        record.missing = std::move(*spans);
    }
    return record;
}

void SavePartRecord(const std::filesystem::path& localPath, const PartRecord& record) {
    const std::string key = localPath.lexically_normal().string();
    const std::filesystem::path file = RecordFile(key);
    std::error_code ignored;
    // The old record stays until the new one replaces it, so that a kill
    // while a download notes its progress leaves one or the other.
    if (HasLineBreak(key) || HasLineBreak(record.url) || HasLineBreak(record.validator)) {
        std::filesystem::remove(file, ignored);
        return;
    }
    std::filesystem::create_directory(kPartsFolder, ignored);
    // Written aside and renamed, so a record is whole or absent.
    std::filesystem::path written = file;
    written += ".new";
    std::ostringstream text;
    text << key << '\n' << record.url << '\n' << record.validator << '\n' << record.size << '\n';
    if (!record.missing.empty()) {
        text << kMissingLabel;
        for (const ByteSpan& span : record.missing) text << ' ' << span.first << '-' << span.end;
        text << '\n';
    }
    // A record cut short when read could name fewer spans missing than are.
    if (text.view().size() >= static_cast<std::size_t>(kMaxRecordSize)) {
        std::filesystem::remove(file, ignored);
        return;
    }
    {
        std::ofstream out(written, std::ios::binary | std::ios::trunc);
        out << text.view();
        out.close();
        if (!out) {
            std::filesystem::remove(written, ignored);
            std::filesystem::remove(file, ignored);
            return;
        }
    }
    std::filesystem::rename(written, file, ignored);
}

void ForgetPartRecord(const std::filesystem::path& localPath) {
    std::error_code ignored;
    std::filesystem::remove(RecordFile(localPath.lexically_normal().string()), ignored);
}

std::int64_t LocalFileSize(const std::filesystem::path& localPath) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(localPath, error);
    if (error || !std::filesystem::is_regular_file(status)) return -1;
    const std::uintmax_t size = std::filesystem::file_size(localPath, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}
