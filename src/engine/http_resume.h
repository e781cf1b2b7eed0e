#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "engine/part_records.h"
#include "net/internet_file.h"

// How an HTTP download continues a local file that an earlier run of the
// same address left unfinished: it asks for the rest with
// "Range: bytes=<local size>-" and If-Range with the validator the server
// gave, and judges the answer.
struct HttpResumePlan {
    std::int64_t offset = 0;  // 0: the whole file is asked for
    std::string headers;      // the Range and If-Range lines, or none
    // The local file is written in place at its full size, with spans still
    // missing (a segment map): an answer can never be appended to it.
    bool inPlace = false;
};

// The plan for the local file: the rest of it when its part record names
// this address and a validator, and the file is not larger than the whole
// the server announced; otherwise the whole file. A file written in place
// (a record with missing spans) is not continued this way.
HttpResumePlan PlanHttpResume(const std::filesystem::path& localPath, std::string_view url);

// What the answer to a plan means for the local file.
enum class ResumeAnswer {
    kAppend,      // 206 from exactly the local size: append the body
    kWriteWhole,  // the whole file came (200, or no range was asked): write it from byte 0
    kAskAgain,    // 206 from elsewhere, or a 416 that does not confirm the size: ask again without range
    kComplete,    // 416 with "bytes */<local size>": the file is already whole
};
ResumeAnswer JudgeResumeAnswer(const HttpFile& answer, const HttpResumePlan& plan);

// "bytes 100-199/200" or "bytes */200" of an answer's Content-Range: the
// first byte (-1 for '*') and the whole size (-1 for '*').
struct ContentRange {
    std::int64_t first = -1;
    std::int64_t size = -1;
};
std::optional<ContentRange> AnswerRange(const HttpFile& answer);

// The record to keep while the answer's body is written: its validator
// (ETag, else Last-Modified) and the whole size it announces.
PartRecord PartRecordFor(const HttpFile& answer, std::string_view url);
