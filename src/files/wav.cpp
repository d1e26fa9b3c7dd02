#include "files/wav.h"

#include "bytes/little_endian.h"
#include "files/file_system.h"

std::vector<uint8_t> WavHeader(WavSamples samples, uint16_t channels, uint32_t rate, uint32_t frames)
{
    const bool isFloat = samples == WavSamples::Float32;
    const uint32_t sampleBytes = isFloat ? 4 : 2, frameBytes = channels * sampleBytes, dataBytes = frames * frameBytes;
    const uint32_t formatBytes = isFloat ? 18 : 16, factBytes = isFloat ? 12 : 0;
    std::vector<uint8_t> h;
    PutTag(&h, "RIFF");
    PutU32(&h, 4 + (8 + formatBytes) + factBytes + 8 + dataBytes);
    PutTag(&h, "WAVE");
    PutTag(&h, "fmt ");
    PutU32(&h, formatBytes);
    PutU16(&h, isFloat ? 3 : 1);  // IEEE float or integer PCM
    PutU16(&h, channels);
    PutU32(&h, rate);
    PutU32(&h, rate * frameBytes);  // bytes a second
    PutU16(&h, frameBytes);
    PutU16(&h, sampleBytes * 8);    // bits a sample
    if (isFloat) {
        PutU16(&h, 0);              // no extension
        PutTag(&h, "fact");
        PutU32(&h, 4);
        PutU32(&h, frames);
    }
    PutTag(&h, "data");
    PutU32(&h, dataBytes);
    return h;
}

bool WriteStereoWav(int fd, std::span<const int16_t> samples, uint32_t rate)
{
    const std::vector<uint8_t> header = WavHeader(WavSamples::Int16, 2, rate, static_cast<uint32_t>(samples.size() / 2));
    return WriteAll(fd, header.data(), header.size()) && WriteAll(fd, samples.data(), samples.size_bytes());
}
