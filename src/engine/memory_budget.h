#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kalvimo {

// The memory the pictures drawn at once may take between them. A picture reserves what its decode
// needs as soon as its decoder knows its size, before the large allocations; it waits until that
// fits beside the pictures being drawn, or until nothing else is drawn, so no picture is ever
// refused for the budget: it only runs alone. Waiting pictures go in the order they asked.
class MemoryBudget {
public:
    static constexpr std::int64_t kDefaultBytes = std::int64_t{512} << 20;

    explicit MemoryBudget(std::int64_t bytes = kDefaultBytes) : bytes_(bytes) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // While a Drawing lives, the reservations made on its thread come from this budget; its end
    // gives them back.
    class Drawing {
    public:
        explicit Drawing(MemoryBudget& budget);
        ~Drawing();
        Drawing(const Drawing&) = delete;
        Drawing& operator=(const Drawing&) = delete;

    private:
        friend class MemoryBudget;
        MemoryBudget& budget_;
        std::int64_t reserved_ = 0;
    };

    // What a decoder about to take `bytes` calls. The first reservation of a drawing waits its
    // turn; later ones only add, for a drawing that holds memory never waits on another. Nothing
    // on a thread without a Drawing.
    static void Reserve(std::int64_t bytes);

private:
    void Admit(Drawing& drawing, std::int64_t bytes);
    void Release(Drawing& drawing);

    const std::int64_t bytes_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::int64_t reserved_ = 0;
    int holders_ = 0;
    std::uint64_t nextTicket_ = 0;
    std::uint64_t serving_ = 0;
};

} // namespace kalvimo
