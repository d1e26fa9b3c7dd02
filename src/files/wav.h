// The header of a WAV file: 16-bit integer or 32-bit float samples, channels interleaved, the
// samples following it as they lie in memory on a little-endian machine.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

enum class WavSamples : uint8_t { Int16, Float32 };

// The bytes before the samples of a WAV file of `frames` sample frames (one sample a channel).
// A float file carries the extension size and the "fact" chunk that format asks for.
std::vector<uint8_t> WavHeader(WavSamples samples, uint16_t channels, uint32_t rate, uint32_t frames);
// Writes a 16-bit stereo WAV of the interleaved samples to fd: its header, then the samples.
[[nodiscard]] bool WriteStereoWav(int fd, std::span<const int16_t> samples, uint32_t rate);
