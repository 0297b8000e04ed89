#include "memory_budget.h"

namespace kalvimo {

namespace {

thread_local MemoryBudget::Drawing* tCurrent = nullptr;

} // namespace

MemoryBudget::Drawing::Drawing(MemoryBudget& budget) : budget_(budget) {
    tCurrent = this;
}

MemoryBudget::Drawing::~Drawing() {
    budget_.Release(*this);
    tCurrent = nullptr;
}

void MemoryBudget::Reserve(std::int64_t bytes) {
    if (tCurrent != nullptr && bytes > 0) {
        tCurrent->budget_.Admit(*tCurrent, bytes);
    }
}

void MemoryBudget::Admit(Drawing& drawing, std::int64_t bytes) {
    std::unique_lock lock(mutex_);
    if (drawing.reserved_ == 0) {
        const std::uint64_t ticket = nextTicket_++;
        changed_.wait(lock, [&] {
            return ticket == serving_ && (holders_ == 0 || reserved_ + bytes <= bytes_);
        });
        ++serving_;
        ++holders_;
        // The next in line may fit too.
        changed_.notify_all();
    }
    drawing.reserved_ += bytes;
    reserved_ += bytes;
}

void MemoryBudget::Release(Drawing& drawing) {
    if (drawing.reserved_ == 0) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        reserved_ -= drawing.reserved_;
        --holders_;
    }
    drawing.reserved_ = 0;
    changed_.notify_all();
}

} // namespace kalvimo
