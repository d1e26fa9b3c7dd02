// music-render: plays a module through the program's own decoder settings (44.1 kHz stereo float)
// and writes the result as a 32-bit float WAV file, for loudness measurement and the spectrogram.
// It prints the sample peak and, for every order, the loudest 50 ms of it, so that a silent order
// shows at a glance.
//   music-render IN.xm OUT.wav
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files.h"
#include "files/wav.h"
#include "sound/music.h"

namespace {

double Decibels(double amplitude) { return 20 * std::log10(std::max(amplitude, 1e-9)); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: music-render IN.xm OUT.wav\n");
        return 2;
    }
    std::string error;
    std::vector<uint8_t> module;
    if (!ReadFile(argv[1], &module, &error)) {
        std::fprintf(stderr, "music-render: %s\n", error.c_str());
        return 1;
    }
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
        for (size_t i = 0; i < got; ++i) {
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
    for (int order = 0; order < 32; ++order)
        std::printf("order %2d: loudest 50 ms %6.1f dBFS\n", order, Decibels(orderPeakRms[order]));
    std::vector<uint8_t> wav = WavHeader(WavSamples::Float32, 2, MusicRate, static_cast<uint32_t>(all.size() / 2));
    const size_t header = wav.size();
    wav.resize(header + all.size() * sizeof(float));
    std::memcpy(wav.data() + header, all.data(), all.size() * sizeof(float));  // little-endian, as WAV stores them
    if (!WriteFileAtomically(argv[2], wav, &error)) {
        std::fprintf(stderr, "music-render: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
