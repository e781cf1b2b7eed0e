#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// How fast a transfer goes: the byte counts it reported over the last few
// seconds, so that the rate shown neither jumps with every block nor lags
// behind a change of speed for long.
class TransferMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kWindow{4};
    // Counts closer together than this replace the latest one, which bounds
    // the samples kept however often a transfer reports.
    static constexpr std::chrono::milliseconds kSpacing{100};

    void Add(Clock::time_point at, std::uint64_t bytes);
    // Forgets the counts: the time a halted transfer stood still does not
    // count as slow.
    void Restart() { samples_.clear(); }

    // Bytes per second over the window; 0 until two counts lie apart in time.
    double BytesPerSecond() const;

private:
    std::deque<std::pair<Clock::time_point, std::uint64_t>> samples_;
};

// What the status pane shows of a transfer beside its status line.
struct TransferFigures {
    std::uint64_t bytes = 0;
    std::optional<std::uint64_t> size;  // unknown when the server did not say
    double bytesPerSecond = 0;
    bool halted = false;
    // The connections fetching the file at once.
    int connections = 1;

    // Tenths of a percent done, never above 1000; unknown without a size.
    std::optional<int> Permille() const;
    // Whole seconds left at the current rate; unknown without a size or a rate.
    std::optional<std::chrono::seconds> TimeLeft() const;
};

// "512.0 KiB/s" below a mebibyte per second, "1.5 MiB/s" from there on.
std::string RateText(double bytesPerSecond);
// "45 s", "2 min 10 s", "1 h 5 min".
std::string DurationText(std::chrono::seconds duration);
// "42%" of the figures' permille, rounded down so that 100% means done.
std::string PercentText(int permille);
// The line beside the bar: "halted", the rate alone, or the rate and the
// time left ("1.5 MiB/s, 2 min 10 s left"), followed by the connections when
// the file uses more than one ("..., 4 connections").
std::string TransferLine(const TransferFigures& figures);

// All the running transfers together, for the tray's tooltip.
struct TransfersSummary {
    int running = 0;  // not halted
    // Tenths of a percent done of the running transfers whose size is known,
    // weighted by size; unknown when none has a size.
    std::optional<int> permille;
};

// The transfers running now, by the list that shows their entry and the
// entry's key, for the status pane of the selected entry. User-interface
// thread only.
class TransferBoard {
public:
    // What a worker reports: the bytes received of the transfer numbered
    // `transfer` (a crawl counts its files) and its size when known.
    struct Report {
        std::uint64_t bytes = 0;
        std::optional<std::uint64_t> size;
        int transfer = 0;
        int connections = 1;
    };

    // A report of a transfer; a new transfer number starts the meter afresh,
    // and a report after a halt continues it.
    const TransferFigures& Update(int list, std::string_view key, const Report& report,
                                  TransferMeter::Clock::time_point now);
    // The transfer stands still, keeping its figures, until its next report.
    void Halt(int list, std::string_view key);
    // The worker has ended.
    void End(int list, std::string_view key);

    // Null when no transfer runs for that entry.
    const TransferFigures* Find(int list, std::string_view key) const;

    TransfersSummary Summary() const;

private:
    struct Transfer {
        TransferMeter meter;
        TransferFigures figures;
        int number = 0;
    };
    using Key = std::pair<int, std::string>;

    std::map<Key, Transfer> transfers_;
};
