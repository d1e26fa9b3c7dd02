// The module decoder shared by the live sound layer and the offline capture: libopenmpt with
// render settings pinned, so that what the viewer hears live and what a capture records are the
// same samples. One thread at a time may touch a MusicDecoder.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int MusicRate = 44100;          // sample frames per second, stereo float output
constexpr int MusicFilterLength = 8;      // interpolation filter taps (windowed sinc)
constexpr int MusicStereoSeparation = 100;
// Frames rendered between two position reports. 147 frames is 1/300 s: a row of 0.06 s is exactly
// 18 slices, so a report never straddles a row boundary.
constexpr size_t MusicSliceFrames = 147;

// A play position packed as the driver reads it: order in bits 0..15, row in bits 16..31.
constexpr uint32_t PackPosition(uint32_t order, uint32_t row) { return (order & 0xFFFF) | (row << 16); }
constexpr uint32_t PositionOrder(uint32_t position) { return position & 0xFFFF; }
constexpr uint32_t PositionRow(uint32_t position) { return position >> 16; }
constexpr uint32_t PositionUnknown = 0xFFFFFFFF;

struct MusicDecoder;

// Opens an XM module from memory (the bytes must stay valid while it is open); nullptr when the
// bytes are not an XM module libopenmpt can play. Playback starts at order 0, row 0, plays once.
MusicDecoder* OpenMusic(const void* data, size_t size);
void CloseMusic(MusicDecoder* m);
// Renders up to frames stereo frames (interleaved L, R floats); returns the number rendered,
// less than asked only at the end of the module, after which it renders nothing.
size_t RenderMusic(MusicDecoder* m, float* interleaved, size_t frames);
// The position of the last frame rendered, packed as PackPosition.
uint32_t MusicPosition(MusicDecoder* m);
// Moves playback to position (packed as PackPosition), also after the end; false when the module
// has no such place.
[[nodiscard]] bool SeekMusic(MusicDecoder* m, uint32_t position);
// The play length in seconds, as libopenmpt computes it.
double MusicDurationSeconds(MusicDecoder* m);
// The number of orders in the module's order list.
uint32_t MusicOrderCount(MusicDecoder* m);
