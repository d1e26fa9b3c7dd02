// What the listener hears now. The audio callback renders the module in slices and publishes
// where each slice starts and which order and row it plays; the main thread estimates which
// sample frame is leaving the speaker (the callback's data plays one device buffer later) and
// looks its position up. Single producer (the callback), single consumer (the main thread),
// no locks: every shared value is one 64-bit atomic.
#pragma once
#include <atomic>
#include <cstdint>

struct PositionQueue {
    static constexpr uint32_t Capacity = 4096;  // 4096 slices of 147 frames: 13.6 s of history
    std::atomic<uint64_t> slices[Capacity];     // first frame << 32 | packed position
    std::atomic<uint32_t> count;                // slices published
    std::atomic<uint64_t> stamp;                // frames delivered before the last callback << 32 | its time in us
};

// Forgets everything; only while the callback is not running.
void ResetPositions(PositionQueue* q);
// Callback thread: the slice starting at firstFrame plays position (order | row << 16).
void PublishSlice(PositionQueue* q, uint32_t firstFrame, uint32_t position);
// Callback thread: frames handed to the device before this callback, and the time it ran.
void StampCallback(PositionQueue* q, uint32_t deliveredFrames, uint32_t nowMicros);
// Main thread: the frame heard at nowMicros, given that a callback's data starts playing
// latencyFrames after it was rendered; never ahead of what has been delivered.
uint32_t HeardFrame(const PositionQueue* q, uint32_t nowMicros, uint32_t latencyFrames, uint32_t rate);
// Main thread: the position of the newest slice starting at or before frame; order 0, row 0 before
// the first slice.
uint32_t PositionAt(const PositionQueue* q, uint32_t frame);
