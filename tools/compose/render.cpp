// music-render: plays a module through the program's own decoder settings (44.1 kHz stereo float)
// and writes the result as a 32-bit float WAV file, for loudness measurement and the spectrogram.
// It prints the sample peak and, for every order, the loudest 50 ms of it, so that a silent order
// shows at a glance.
//   music-render IN.xm OUT.wav
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sound/music.h"

namespace {

void PutU16(std::FILE* f, uint32_t v)
{
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

void PutU32(std::FILE* f, uint32_t v)
{
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

bool WriteFloatWav(const std::string& path, const std::vector<float>& interleaved)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const uint32_t bytes = static_cast<uint32_t>(interleaved.size() * sizeof(float));
    std::fwrite("RIFF", 1, 4, f);
    PutU32(f, 4 + 26 + 12 + 8 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    PutU32(f, 18);  // a float format carries the extension size, here 0
    PutU16(f, 3);  // IEEE float
    PutU16(f, 2);
    PutU32(f, MusicRate);
    PutU32(f, MusicRate * 2 * sizeof(float));
    PutU16(f, 2 * sizeof(float));
    PutU16(f, 32);
    PutU16(f, 0);
    std::fwrite("fact", 1, 4, f);
    PutU32(f, 4);
    PutU32(f, bytes / (2 * sizeof(float)));
    std::fwrite("data", 1, 4, f);
    PutU32(f, bytes);
    std::fwrite(interleaved.data(), sizeof(float), interleaved.size(), f);  // x86: already little-endian
    return std::fclose(f) == 0;
}

double Decibels(double amplitude) { return 20 * std::log10(std::max(amplitude, 1e-9)); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: music-render IN.xm OUT.wav\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "music-render: %s: cannot open for reading\n", argv[1]);
        return 1;
    }
    const std::vector<char> module{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    MusicDecoder* decoder = OpenMusic(module.data(), module.size());
    if (decoder == nullptr) {
        std::fprintf(stderr, "music-render: %s: not an XM module the decoder can play\n", argv[1]);
        return 1;
    }
    std::vector<float> all;
    std::vector<double> orderPeakRms(256, 0.0);
    std::vector<float> slice(2 * MusicSliceFrames);
    constexpr size_t window = MusicRate / 20;  // 50 ms
    double sum = 0;
    size_t inWindow = 0;
    for (;;) {
        const size_t got = RenderMusic(decoder, slice.data(), MusicSliceFrames);
        if (got == 0)
            break;
        const uint32_t order = PositionOrder(MusicPosition(decoder));
        for (size_t i = 0; i < got; i++) {
            const double l = slice[2 * i], r = slice[2 * i + 1];
            sum += (l * l + r * r) / 2;
            if (++inWindow == window) {
                if (order < orderPeakRms.size())
                    orderPeakRms[order] = std::max(orderPeakRms[order], std::sqrt(sum / window));
                sum = 0;
                inWindow = 0;
            }
        }
        all.insert(all.end(), slice.begin(), slice.begin() + static_cast<long>(2 * got));
    }
    CloseMusic(decoder);
    double peak = 0;
    for (float x : all)
        peak = std::max(peak, static_cast<double>(std::fabs(x)));
    std::printf("%s: %.2f s, sample peak %.2f dBFS\n", argv[1], all.size() / 2.0 / MusicRate, Decibels(peak));
    for (int order = 0; order < 32; order++)
        std::printf("order %2d: loudest 50 ms %6.1f dBFS\n", order, Decibels(orderPeakRms[order]));
    if (!WriteFloatWav(argv[2], all)) {
        std::fprintf(stderr, "music-render: %s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
