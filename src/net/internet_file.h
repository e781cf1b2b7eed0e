#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A readable answer of a server, pulled by its reader: nothing is fetched
// ahead beyond a bounded buffer, so a reader that stops reading stops the
// transfer. Every call raises InternetException on failure (a broken
// transfer, an aborted session). A file is used by one thread at a time.
class InternetFile {
public:
    // Longest line ReadString hands out; a longer one comes in pieces.
    static constexpr std::size_t kMaxLineLength = 16384;

    virtual ~InternetFile() = default;

    // How much may be fetched ahead of the reader (a hint; bounded inside).
    virtual void SetReadBufferSize(std::size_t bytes) = 0;

    // Copies at most maxBytes bytes of the body into buffer and returns their
    // number; blocks until some arrive. 0 means the body has ended.
    virtual std::size_t Read(void* buffer, std::size_t maxBytes) = 0;

    // The next line of the body, without its line feed; a carriage return
    // before the line feed stays in the line. A line longer than
    // kMaxLineLength is cut into pieces of that length, handed out one per
    // call, so that every call returns after a bounded amount of the body
    // (a page of one endless line cannot hold its reader). The last line
    // needs no line feed. Returns false, with the line empty, at the end.
    virtual bool ReadString(std::string& line) = 0;

    // The size of the body as the server announced it (an HTTP
    // Content-Length, an FTP SIZE reply), or nothing when it did not.
    virtual std::optional<std::uint64_t> ContentLength() const { return std::nullopt; }

    // Ends the transfer. Later reads raise; closing twice does nothing.
    virtual void Close() = 0;

    // Any thread, while the file is open: a read that finds nothing
    // received, now or later, raises InternetException (kAborted) at once
    // instead of waiting; what was received is still handed out, and the
    // session stays usable. For a reader whose answer is no longer wanted.
    virtual void Interrupt() {}

    InternetFile(const InternetFile&) = delete;
    InternetFile& operator=(const InternetFile&) = delete;

protected:
    InternetFile() = default;
};

// The reader's thread: the whole file's size for an answer that carries it
// after its first `skipped` bytes (a 206 to a range, or a retrieval after
// REST, announces only the rest); nothing when no size was announced.
inline std::optional<std::uint64_t> WholeFileSize(const InternetFile& answer, std::uint64_t skipped) {
    std::optional<std::uint64_t> size = answer.ContentLength();
    if (size) *size += skipped;
    return size;
}

// The answer to an HTTP request, with its status code.
class HttpFile : public InternetFile {
public:
    // The status code of the answer read (301 and 404 included); 0 for a
    // file that is not an HTTP answer.
    virtual int QueryInfoStatusCode() const = 0;
    // The value of the answer's first header of that name (letter case
    // ignored), without the blanks around it; empty when it has none.
    virtual std::string QueryInfoHeader(std::string_view name) const = 0;

    // For a redirection that was not followed: where its Location header
    // points, made absolute against the address asked for; empty when the
    // answer names no target.
    virtual std::string QueryRedirectTarget() const = 0;
};
