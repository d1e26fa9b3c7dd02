#include "sound/music_clock.h"

#include "sound/music.h"

void ResetPositions(PositionQueue* q)
{
    for (auto& slice : q->slices)
        slice.store(0, std::memory_order_relaxed);
    q->stamp.store(0, std::memory_order_relaxed);
    q->count.store(0, std::memory_order_release);
}

void PublishSlice(PositionQueue* q, uint32_t firstFrame, uint32_t position)
{
    const uint32_t n = q->count.load(std::memory_order_relaxed);
    q->slices[n % PositionQueue::Capacity].store(uint64_t{firstFrame} << 32 | position, std::memory_order_relaxed);
    q->count.store(n + 1, std::memory_order_release);
}

void StampCallback(PositionQueue* q, uint32_t deliveredFrames, uint32_t nowMicros)
{
    q->stamp.store(uint64_t{deliveredFrames} << 32 | nowMicros, std::memory_order_release);
}

uint32_t HeardFrame(const PositionQueue* q, uint32_t nowMicros, uint32_t latencyFrames, uint32_t rate)
{
    const uint64_t stamp = q->stamp.load(std::memory_order_acquire);
    const uint32_t delivered = static_cast<uint32_t>(stamp >> 32);
    if (delivered <= latencyFrames)
        return 0;
    // The callback's first frame starts playing latencyFrames after it ran; from then on the device
    // plays rate frames a second, but never past the frames it has been given.
    const uint64_t since = static_cast<uint32_t>(nowMicros - static_cast<uint32_t>(stamp)) * uint64_t{rate} / 1000000;
    const uint64_t heard = uint64_t{delivered} - latencyFrames + since;
    return heard < delivered ? static_cast<uint32_t>(heard) : delivered;
}

uint32_t PositionAt(const PositionQueue* q, uint32_t frame)
{
    const uint32_t n = q->count.load(std::memory_order_acquire);
    // The oldest slots may be rewritten while we read; stay well clear of them.
    const uint32_t depth = n < PositionQueue::Capacity - 64 ? n : PositionQueue::Capacity - 64;
    uint32_t found = PackPosition(0, 0);
    for (uint32_t k = 1; k <= depth; ++k) {
        const uint64_t slice = q->slices[(n - k) % PositionQueue::Capacity].load(std::memory_order_relaxed);
        found = static_cast<uint32_t>(slice);
        if (static_cast<uint32_t>(slice >> 32) <= frame)
            return found;
    }
    return n == 0 ? PackPosition(0, 0) : found;
}
