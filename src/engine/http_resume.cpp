#include "engine/http_resume.h"

#include <charconv>
#include <optional>

namespace {

// Longer validators are not kept: a record holds a few short lines.
constexpr std::size_t kMaxValidatorLength = 512;

std::optional<std::int64_t> Number(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

std::optional<ContentRange> ParseContentRange(std::string_view text) {
    constexpr std::string_view kUnit = "bytes ";
    if (!text.starts_with(kUnit)) return std::nullopt;
    text.remove_prefix(kUnit.size());
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view range = text.substr(0, slash);
    const std::string_view size = text.substr(slash + 1);
    ContentRange parsed;
    if (size != "*") {
        const std::optional<std::int64_t> whole = Number(size);
        if (!whole) return std::nullopt;
        parsed.size = *whole;
    }
    if (range != "*") {
        const std::optional<std::int64_t> first = Number(range.substr(0, range.find('-')));
        if (!first || range.find('-') == std::string_view::npos) return std::nullopt;
        parsed.first = *first;
    }
    return parsed;
}

}  // namespace

HttpResumePlan PlanHttpResume(const std::filesystem::path& localPath, std::string_view url) {
    const std::optional<PartRecord> record = LoadPartRecord(localPath);
    if (!record || record->url != url || record->validator.empty() || !record->missing.empty()) return {};
    const std::int64_t localSize = LocalFileSize(localPath);
    if (localSize <= 0 || (record->size >= 0 && localSize > record->size)) return {};
    HttpResumePlan plan;
    plan.offset = localSize;
    plan.headers =
        "Range: bytes=" + std::to_string(localSize) + "-\r\nIf-Range: " + record->validator + "\r\n";
    return plan;
}

ResumeAnswer JudgeResumeAnswer(const HttpFile& answer, const HttpResumePlan& plan) {
    if (plan.headers.empty()) return ResumeAnswer::kWriteWhole;
    const int status = answer.QueryInfoStatusCode();
    const std::optional<ContentRange> range = AnswerRange(answer);
    if (status == 206) {
        if (!range || range->first != plan.offset || plan.inPlace) return ResumeAnswer::kAskAgain;
        // "Range: bytes=0-" asks whether the server takes ranges; it came whole.
        return plan.offset == 0 ? ResumeAnswer::kWriteWhole : ResumeAnswer::kAppend;
    }
    if (status == 416) {
        const bool confirmsSize = range && range->first < 0 && range->size == plan.offset;
        return confirmsSize && plan.offset > 0 && !plan.inPlace ? ResumeAnswer::kComplete
                                                                : ResumeAnswer::kAskAgain;
    }
    return ResumeAnswer::kWriteWhole;
}

std::optional<ContentRange> AnswerRange(const HttpFile& answer) {
    return ParseContentRange(answer.QueryInfoHeader("Content-Range"));
}

PartRecord PartRecordFor(const HttpFile& answer, std::string_view url) {
    PartRecord record;
    record.url = url;
    record.validator = answer.QueryInfoHeader("ETag");
    if (record.validator.empty()) record.validator = answer.QueryInfoHeader("Last-Modified");
    // A weak ETag cannot stand in If-Range; the date then serves, or nothing.
    if (record.validator.starts_with("W/")) record.validator = answer.QueryInfoHeader("Last-Modified");
    if (record.validator.size() > kMaxValidatorLength) record.validator.clear();
    if (answer.QueryInfoStatusCode() == 206) {
        const std::optional<ContentRange> range = AnswerRange(answer);
        if (range) record.size = range->size;
    } else if (const std::optional<std::int64_t> length = Number(answer.QueryInfoHeader("Content-Length"))) {
        record.size = *length;
    }
    return record;
}
