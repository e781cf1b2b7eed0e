#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// The file descriptors that Internet sessions may hold together. Each session
// takes its share when it opens and gives it back when it ends, so that when
// the process's open-file limit is near, a new transfer fails at its start
// with a message that names the cause, while the descriptors kept back for
// the rest of the program (the list files' save, the crawler's folders, the
// user interface) stay free. Every member may be called from any thread.
class DescriptorBudget {
public:
    // What one session may hold at once: libcurl's wake-up pair, the control
    // or HTTP connection, an FTP data connection and its listening socket,
    // and the local file being written.
    static constexpr int kPerSession = 6;

    // `openFileLimit` is the process's soft limit; a part of it is kept back.
    explicit DescriptorBudget(std::uint64_t openFileLimit);

    // Takes that many descriptors (one session's share unless said);
    // false when they are not there.
    bool Take(std::uint64_t count = kPerSession);
    void Give(std::uint64_t count = kPerSession);
    std::uint64_t Taken() const;

    std::uint64_t Capacity() const { return capacity_; }
    // "Too many transfers at once: the limit of 1024 open files is reached".
    std::string ExhaustedMessage() const;

private:
    const std::uint64_t openFileLimit_;
    const std::uint64_t capacity_;
    mutable std::mutex mutex_;
    std::uint64_t taken_ = 0;
};

// One session's share of a budget (or the share of its extra connections),
// given back when this goes; an empty share (no budget) costs nothing.
class DescriptorShare {
public:
    // Raises InternetException when the budget has no share left.
    explicit DescriptorShare(std::shared_ptr<DescriptorBudget> budget,
                             std::uint64_t count = DescriptorBudget::kPerSession);
    ~DescriptorShare();
    DescriptorShare(const DescriptorShare&) = delete;
    DescriptorShare& operator=(const DescriptorShare&) = delete;

private:
    std::shared_ptr<DescriptorBudget> budget_;
    std::uint64_t count_;
};
