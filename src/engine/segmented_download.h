#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/http_resume.h"
#include "engine/part_records.h"
#include "net/internet_file.h"
#include "net/internet_session.h"
#include "workers/worker_control.h"

// One HTTP file fetched over several connections at once, for servers that
// hold each connection to a rate. It starts with one connection and adds
// one at a time while that helps; each connection asks for its segment with
// a range and If-Range, and writes what it gets in place in the local file.
// The part record holds the spans still missing, so that a later run
// continues every segment.

// What the file worker lends to the fetch.
struct SegmentedFetch {
    std::string url;
    std::filesystem::path localPath;
    // The most connections at once (the user's option).
    int maxConnections = 1;
    WorkerControl& control;
    // Worker thread: writes the part record (on the user-interface thread);
    // false when the worker is to end.
    std::function<bool(const PartRecord&)> keepRecord;
    // Worker thread: the bytes of the file on disk, its size and the
    // connections fetching it now.
    std::function<void(std::uint64_t bytes, std::uint64_t size, int connections)> report;
};

// The first request of a file that may be fetched in segments, and what it
// continues: the spans a segment map of an earlier run left missing, the
// rest of a file an earlier run wrote from its start, or (with an empty
// validator) nothing, asking "Range: bytes=0-" to learn whether the server
// takes ranges.
struct SegmentedStart {
    HttpResumePlan plan;
    PartRecord record;
};
SegmentedStart PlanSegmentedStart(const std::filesystem::path& localPath, std::string_view url);

// Whether the answer to the start lets the file be fetched in segments: a
// 206 at exactly the offset asked for, with the whole size and a validator,
// the record's when one is continued.
bool AllowsSegments(const HttpFile& answer, const SegmentedStart& start);

enum class SegmentedEnd {
    kComplete,    // every byte is on disk; the record lists none missing
    kFetchWhole,  // the file changed on the server (or ranges cannot be trusted): fetch it whole
    kEnding,      // the worker is to end; the record lists what is missing
};

// Worker thread: fetches the missing spans, the first with the answer the
// start got (read from another thread, as is `session`, which may be
// aborted). Raises InternetException or LocalFileError when the file cannot
// be finished; the record then lists what is still missing.
SegmentedEnd FetchInSegments(InternetSession& session, std::unique_ptr<HttpFile> first,
                             const SegmentedStart& start, const SegmentedFetch& fetch);
