#include "store/list_file_reader.h"

#include <algorithm>
#include <limits>

namespace {

bool IsWhiteSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

int ListFileReader::Peek() {
    if (peeked_ == kNone) peeked_ = std::getc(file_);
    return peeked_;
}

int ListFileReader::Get() {
    const int c = Peek();
    peeked_ = kNone;
    return c;
}

void ListFileReader::SkipWhiteSpace() {
    while (IsWhiteSpace(Peek())) Get();
}

bool ListFileReader::AtEndAfterWhiteSpace() {
    // Looks ahead without consuming: a record may start with blanks or with
    // an empty name line, and those belong to it.
    const bool holdsPeeked = peeked_ != kNone && peeked_ != EOF;
    const long start = std::ftell(file_) - (holdsPeeked ? 1 : 0);
    SkipWhiteSpace();
    const bool atEnd = Peek() == EOF;
    if (!atEnd && start >= 0 && std::fseek(file_, start, SEEK_SET) == 0) peeked_ = kNone;
    return atEnd;
}

std::string ListFileReader::ReadToken(std::size_t limit) {
    SkipWhiteSpace();
    std::string token;
    for (int c = Peek(); c != EOF && !IsWhiteSpace(c); c = Peek()) {
        if (token.size() < limit) token.push_back(static_cast<char>(c));
        Get();
    }
    return token;
}

std::string ListFileReader::ReadLine(std::size_t limit) {
    std::string line;
    for (int c = Get(); c != EOF && c != '\n'; c = Get()) {
        if (line.size() < limit) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool ListFileReader::ReadNumber(std::int32_t& value) {
    SkipWhiteSpace();
    bool negative = false;
    if (Peek() == '-' || Peek() == '+') negative = Get() == '-';
    if (!IsDigit(Peek())) return false;

    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    std::int64_t magnitude = 0;
    while (IsDigit(Peek())) {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (Get() - '0'), kMax + 1);
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<std::int32_t>(std::clamp(signedValue, kMin, kMax));
    return true;
}

void ListFileReader::ReadNumbers(std::initializer_list<std::int32_t*> targets) {
    for (std::int32_t* target : targets) {
        if (!ReadNumber(*target)) return;
    }
    SkipWhiteSpace();
}

void ListFileReader::SkipStarLine() {
    while (Peek() == ' ' || Peek() == '\t' || Peek() == '\r') Get();
    if (Peek() != '*') return;  // a damaged record: leave the next line alone
    Get();
    ReadLine(0);
}
