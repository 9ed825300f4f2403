// The editor's gestures and edits on their way to the host, in the order the
// user made them: a fixed ring that one thread (the editor's) fills and one
// thread at a time (the one that tells the host) empties. Neither side
// waits, locks or allocates.
//
// A value edit finding the ring nearly full is not queued: its parameter is
// marked instead, and the consumer sends that parameter's current value
// after the queued records. A begin is queued only with room for its end and
// the end of every gesture still open; one that finds no room drops its
// whole gesture (its values arrive as the latest value). So every begin the
// host sees has its end.
#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>

class EditQueue {
public:
    enum class Kind : std::uint8_t { begin, value, end };
    struct Record {
        Kind kind;
        std::int32_t index;
        float value;  // the normalised value, for Kind::value
    };
    static constexpr std::uint32_t kCapacity = 1024;  // a power of two
    static constexpr std::uint32_t kKeptForGestures = 66;  // above one end for each of 64 open gestures

    // Producer; indices 0 to 63. A begin for a gesture already open, or an
    // end for none, is ignored.
    void begin(std::int32_t index)
    {
        const std::uint64_t bit = bitOf(index);
        if ((open_ | dropped_) & bit)
            return;
        if (push({Kind::begin, index, 0.0f}, static_cast<std::uint32_t>(std::popcount(open_)) + 1))
            open_ |= bit;
        else
            dropped_ |= bit;
    }
    void value(std::int32_t index, float v)
    {
        if ((dropped_ & bitOf(index)) || !push({Kind::value, index, v}, kKeptForGestures))
            late_.fetch_or(bitOf(index), std::memory_order_release);
    }
    void end(std::int32_t index)
    {
        const std::uint64_t bit = bitOf(index);
        dropped_ &= ~bit;
        if (!(open_ & bit))
            return;
        push({Kind::end, index, 0.0f}, 0);  // always fits: the begin kept room for it
        open_ &= ~bit;
    }

    // Consumer: each queued record in order, then `lateValue(index)` for every
    // parameter whose value edit did not fit.
    template <typename Each, typename LateValue>
    void drain(Each&& each, LateValue&& lateValue)
    {
        const std::uint32_t head = head_.load(std::memory_order_acquire);
        std::uint32_t tail = tail_.load(std::memory_order_relaxed);
        for (; tail != head; ++tail)
            each(ring_[tail & (kCapacity - 1)]);
        tail_.store(tail, std::memory_order_release);
        std::uint64_t late = late_.exchange(0, std::memory_order_acquire);
        for (std::int32_t index = 0; late != 0; ++index, late >>= 1)
            if (late & 1)
                lateValue(index);
    }

private:
    static std::uint64_t bitOf(std::int32_t index) { return std::uint64_t{1} << (index & 63); }
    bool push(const Record& record, std::uint32_t keepFree)
    {
        const std::uint32_t head = head_.load(std::memory_order_relaxed);
        const std::uint32_t used = head - tail_.load(std::memory_order_acquire);
        if (used + keepFree >= kCapacity)
            return false;
        ring_[head & (kCapacity - 1)] = record;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    std::array<Record, kCapacity> ring_{};
    std::atomic<std::uint32_t> head_{0};  // written by the producer
    std::atomic<std::uint32_t> tail_{0};  // written by the consumer
    std::atomic<std::uint64_t> late_{0};
    std::uint64_t open_ = 0, dropped_ = 0;  // the producer's own
};
