#include "files/wav.h"

#include "files/file_system.h"

static void Put(std::vector<uint8_t>* out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i, value >>= 8)
        out->push_back(static_cast<uint8_t>(value & 0xFF));
}

static void PutTag(std::vector<uint8_t>* out, const char (&tag)[5])
{
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<uint8_t>(tag[i]));
}

std::vector<uint8_t> WavHeader(WavSamples samples, uint16_t channels, uint32_t rate, uint32_t frames)
{
    const bool isFloat = samples == WavSamples::Float32;
    const uint32_t sampleBytes = isFloat ? 4 : 2, frameBytes = channels * sampleBytes, dataBytes = frames * frameBytes;
    const uint32_t formatBytes = isFloat ? 18 : 16, factBytes = isFloat ? 12 : 0;
    std::vector<uint8_t> h;
    PutTag(&h, "RIFF");
    Put(&h, 4 + (8 + formatBytes) + factBytes + 8 + dataBytes, 4);
    PutTag(&h, "WAVE");
    PutTag(&h, "fmt ");
    Put(&h, formatBytes, 4);
    Put(&h, isFloat ? 3 : 1, 2);  // IEEE float or integer PCM
    Put(&h, channels, 2);
    Put(&h, rate, 4);
    Put(&h, rate * frameBytes, 4);  // bytes a second
    Put(&h, frameBytes, 2);
    Put(&h, sampleBytes * 8, 2);    // bits a sample
    if (isFloat) {
        Put(&h, 0, 2);              // no extension
        PutTag(&h, "fact");
        Put(&h, 4, 4);
        Put(&h, frames, 4);
    }
    PutTag(&h, "data");
    Put(&h, dataBytes, 4);
    return h;
}

bool WriteStereoWav(int fd, std::span<const int16_t> samples, uint32_t rate)
{
    const std::vector<uint8_t> header = WavHeader(WavSamples::Int16, 2, rate, static_cast<uint32_t>(samples.size() / 2));
    return WriteAll(fd, header.data(), header.size()) && WriteAll(fd, samples.data(), samples.size_bytes());
}
