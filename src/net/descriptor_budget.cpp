#include "net/descriptor_budget.h"

#include <algorithm>
#include <utility>

#include "net/internet_exception.h"

namespace {

// Kept back from transfers for everything else the program opens: an eighth
// of the limit, at least enough for the windows, the list files and a
// crawler's folder walk, at most what a very large limit needs for them.
constexpr std::uint64_t kLeastKeptBack = 64;
constexpr std::uint64_t kMostKeptBack = 1024;

std::uint64_t TransferCapacity(std::uint64_t openFileLimit) {
    const std::uint64_t keptBack = std::clamp(openFileLimit / 8, kLeastKeptBack, kMostKeptBack);
    return openFileLimit > keptBack ? openFileLimit - keptBack : 0;
}

}  // namespace

DescriptorBudget::DescriptorBudget(std::uint64_t openFileLimit)
    : openFileLimit_(openFileLimit), capacity_(TransferCapacity(openFileLimit)) {}

bool DescriptorBudget::Take(std::uint64_t count) {
    std::lock_guard lock(mutex_);
    if (taken_ + count > capacity_) return false;
    taken_ += count;
    return true;
}

void DescriptorBudget::Give(std::uint64_t count) {
    std::lock_guard lock(mutex_);
    taken_ -= std::min(taken_, count);
}

std::uint64_t DescriptorBudget::Taken() const {
    std::lock_guard lock(mutex_);
    return taken_;
}

std::string DescriptorBudget::ExhaustedMessage() const {
    return "Too many transfers at once: the limit of " + std::to_string(openFileLimit_) +
           " open files is reached";
}

DescriptorShare::DescriptorShare(std::shared_ptr<DescriptorBudget> budget, std::uint64_t count)
    : budget_(std::move(budget)), count_(count) {
    if (budget_ && !budget_->Take(count_)) {
        const std::string message = budget_->ExhaustedMessage();
        budget_.reset();
        throw InternetException(InternetError::kOther, message);
    }
}

DescriptorShare::~DescriptorShare() {
    if (budget_) budget_->Give(count_);
}
