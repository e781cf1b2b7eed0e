#include "workers/transfer_board.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void TransferMeter::Add(Clock::time_point at, std::uint64_t bytes) {
    if (samples_.size() >= 2 && at - samples_[samples_.size() - 2].first < kSpacing) {
        samples_.back() = {at, bytes};
    } else {
        samples_.emplace_back(at, bytes);
    }
    // One sample at or before the window's start stays, so the rate spans
    // the whole window once the transfer has run that long.
    while (samples_.size() > 2 && samples_[1].first <= at - kWindow) samples_.pop_front();
}

double TransferMeter::BytesPerSecond() const {
    if (samples_.size() < 2) return 0;
    const auto& [firstAt, firstBytes] = samples_.front();
    const auto& [lastAt, lastBytes] = samples_.back();
    const double seconds = std::chrono::duration<double>(lastAt - firstAt).count();
    if (seconds <= 0 || lastBytes < firstBytes) return 0;
    return static_cast<double>(lastBytes - firstBytes) / seconds;
}

std::optional<int> TransferFigures::Permille() const {
    if (!size) return std::nullopt;
    if (*size == 0 || bytes >= *size) return 1000;
    // bytes < size, so the quotient is below 1000 and the product cannot
    // overflow for any size a disk holds.
    return static_cast<int>(static_cast<long double>(bytes) * 1000 / static_cast<long double>(*size));
}

std::optional<std::chrono::seconds> TransferFigures::TimeLeft() const {
    if (!size || !(bytesPerSecond > 0)) return std::nullopt;
    if (bytes >= *size) return std::chrono::seconds(0);
    const double seconds = std::ceil(static_cast<double>(*size - bytes) / bytesPerSecond);
    // A rate of a few bytes a second on a large file: years, shown as such.
    constexpr double kLongest = 100.0 * 365 * 24 * 3600;
    return std::chrono::seconds(static_cast<std::int64_t>(std::min(seconds, kLongest)));
}

std::string RateText(double bytesPerSecond) {
    constexpr double kKibi = 1024;
    constexpr double kMebi = 1024 * 1024;
    char text[48];
    if (bytesPerSecond < kMebi) {
        std::snprintf(text, sizeof text, "%.1f KiB/s", bytesPerSecond / kKibi);
    } else {
        std::snprintf(text, sizeof text, "%.1f MiB/s", bytesPerSecond / kMebi);
    }
    return text;
}

std::string DurationText(std::chrono::seconds duration) {
    const std::int64_t total = std::max<std::int64_t>(duration.count(), 0);
    const std::int64_t hours = total / 3600;
    const std::int64_t minutes = total % 3600 / 60;
    const std::int64_t seconds = total % 60;
    char text[64];
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%lld h %lld min", static_cast<long long>(hours),
                      static_cast<long long>(minutes));
    } else if (minutes > 0) {
        std::snprintf(text, sizeof text, "%lld min %lld s", static_cast<long long>(minutes),
                      static_cast<long long>(seconds));
    } else {
        std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(seconds));
    }
    return text;
}

std::string PercentText(int permille) { return std::to_string(std::clamp(permille, 0, 1000) / 10) + "%"; }

std::string TransferLine(const TransferFigures& figures) {
    if (figures.halted) return "halted";
    std::string line = RateText(figures.bytesPerSecond);
    if (const std::optional<std::chrono::seconds> left = figures.TimeLeft()) {
        line += ", " + DurationText(*left) + " left";
    }
    if (figures.connections > 1) line += ", " + std::to_string(figures.connections) + " connections";
    return line;
}

const TransferFigures& TransferBoard::Update(int list, std::string_view key, const Report& report,
                                             TransferMeter::Clock::time_point now) {
    Transfer& transfer = transfers_[Key(list, key)];
    if (transfer.number != report.transfer || transfer.figures.halted) transfer.meter.Restart();
    transfer.number = report.transfer;
    transfer.meter.Add(now, report.bytes);
    transfer.figures = {.bytes = report.bytes,
                        .size = report.size,
                        .bytesPerSecond = transfer.meter.BytesPerSecond(),
                        .halted = false,
                        .connections = report.connections};
    return transfer.figures;
}

void TransferBoard::Halt(int list, std::string_view key) {
    auto found = transfers_.find(Key(list, key));
    if (found != transfers_.end()) found->second.figures.halted = true;
}

void TransferBoard::End(int list, std::string_view key) { transfers_.erase(Key(list, key)); }

const TransferFigures* TransferBoard::Find(int list, std::string_view key) const {
    auto found = transfers_.find(Key(list, key));
    return found == transfers_.end() ? nullptr : &found->second.figures;
}

TransfersSummary TransferBoard::Summary() const {
    TransfersSummary summary;
    TransferFigures together;
    for (const auto& [key, transfer] : transfers_) {
        const TransferFigures& figures = transfer.figures;
        if (figures.halted) continue;
        ++summary.running;
        if (!figures.size) continue;
        together.bytes += std::min(figures.bytes, *figures.size);
        together.size = together.size.value_or(0) + *figures.size;
    }
    summary.permille = together.Permille();
    return summary;
}
