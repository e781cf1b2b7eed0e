#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What a download keeps of a file it has begun and not finished, so that a
// later run can ask for the rest: one small file per local file in the folder
// "parts" beside the list files, never among the downloads. It is written
// when a transfer begins and removed when its entry is deleted, or when the
// file is complete (a requested file's once the lists that show it
// downloaded are saved); a file of the download folder without one is not
// the program's to continue.
// The bytes [first, end) of a file.
struct ByteSpan {
    std::int64_t first = 0;
    std::int64_t end = 0;

    std::int64_t Length() const { return end - first; }
    bool operator==(const ByteSpan&) const = default;
};

struct PartRecord {
    std::string url;
    // The ETag, or failing that the Last-Modified value, the server gave;
    // empty when it gave neither, and the part cannot be continued over HTTP.
    std::string validator;
    // The whole file's size as the server gave it; -1 when unknown.
    std::int64_t size = -1;
    // A file fetched over several connections is written in place at its
    // full size: these spans of it are not there yet, everything else is.
    // Empty for a file written from its start, whose local size says how
    // far it got (the only kind records of earlier versions hold).
    std::vector<ByteSpan> missing{};

    bool operator==(const PartRecord&) const = default;
};

// The record of the local file (a path below the current directory, as the
// workers write it), or nothing when there is none or it cannot be read.
std::optional<PartRecord> LoadPartRecord(const std::filesystem::path& localPath);
// Writes the record in place of the old one. A record that cannot be kept
// (a full disk, a line break in a field) leaves none: the file is then
// fetched whole next time, as it would have been without records.
void SavePartRecord(const std::filesystem::path& localPath, const PartRecord& record);
void ForgetPartRecord(const std::filesystem::path& localPath);

// The size of the local file, or -1 when it is not a regular file.
std::int64_t LocalFileSize(const std::filesystem::path& localPath);
