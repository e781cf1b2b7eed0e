#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

// Reads a list file the way the list formats need: blank-delimited tokens,
// whole lines and decimal numbers. Every text it returns is cut at the limit
// the caller gives, so a damaged file (binary bytes, a single line of
// hundreds of megabytes) is read in bounded memory. Carriage returns count
// as white space and are dropped from line ends, so CRLF files read like LF
// files.
class ListFileReader {
public:
    explicit ListFileReader(std::FILE* file) : file_(file) {}
    ListFileReader(const ListFileReader&) = delete;
    ListFileReader& operator=(const ListFileReader&) = delete;

    // True when nothing but white space is left; otherwise nothing is consumed.
    bool AtEndAfterWhiteSpace();

    // Skips white space, then reads up to the next white space.
    std::string ReadToken(std::size_t limit);

    // Reads the rest of the current line; the line end is consumed, not returned.
    std::string ReadLine(std::size_t limit);

    // Reads numbers like a scan of "%d %d ... \n": each number may be preceded
    // by white space. At the first text that is not a number the reading stops
    // and the remaining targets keep their values. Numbers beyond the 32-bit
    // range are clamped to it.
    void ReadNumbers(std::initializer_list<std::int32_t*> targets);

    // Reads the rest of a "*" line: white space, the star and its line end.
    void SkipStarLine();

    void SkipWhiteSpace();

private:
    int Peek();
    int Get();
    bool ReadNumber(std::int32_t& value);

    std::FILE* file_;
    int peeked_ = kNone;
    static constexpr int kNone = -2;
};
