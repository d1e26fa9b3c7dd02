// The committed soundtrack, assets/music.xm as the program embeds it: the header the show relies on,
// no command that changes speed or order, every row on time in two independent players (libopenmpt
// and libxmp), tonal samples in equal temperament, the loudness limits, and that regenerating it
// with the composer gives the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include <libopenmpt/libopenmpt.h>
#if !defined(_WIN32)
#include <xmp.h>
#endif

#include "assets/assets.h"
#include "bytes/little_endian.h"
#include "compose/xm_layout.h"
#include "show/show_timing.h"
#include "sound/music.h"
#include "support.h"

// What runs a program this build made: nothing, or qemu in a cross build for another processor.
#ifndef SIDEWAYS_TOOL_RUNNER
#define SIDEWAYS_TOOL_RUNNER ""
#endif

namespace {

constexpr size_t FramesPerRow = size_t{MusicRate} * RowMillis / 1000;  // 2646

// The whole soundtrack rendered through the program's own decoder settings, once per process.
const std::vector<float>& Render()
{
    static const std::vector<float> all = [] {
        std::vector<float> out;
        MusicDecoder* m = OpenMusic(MusicModule.data(), MusicModule.size());
        if (m == nullptr)
            return out;
        std::vector<float> slice(2 * 4096);
        for (size_t got; (got = RenderMusic(m, slice.data(), 4096)) > 0;)
            out.insert(out.end(), slice.begin(), slice.begin() + static_cast<long>(2 * got));
        CloseMusic(m);
        return out;
    }();
    return all;
}

// A biquad section in direct form I.
struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double Run(double x)
    {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        return y;
    }
};

// Integrated loudness in LUFS after ITU-R BS.1770-4: K-weighting (a high shelf and a high pass,
// designed for the sample rate), 400 ms blocks every 100 ms, an absolute gate at -70 LUFS and a
// relative gate 10 LU below the mean of the blocks above it.
double IntegratedLoudness(const std::vector<float>& stereo, double rate)
{
    const auto shelf = [rate] {
        const double k = std::tan(std::numbers::pi * 1681.974450955533 / rate), q = 0.7071752369554196;
        const double vh = std::pow(10.0, 3.999843853973347 / 20), vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1 + k / q + k * k;
        return Biquad{(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                      2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
    };
    const auto highPass = [rate] {
        const double k = std::tan(std::numbers::pi * 38.13547087602444 / rate), q = 0.5003270373238773;
        const double a0 = 1 + k / q + k * k;
        return Biquad{1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
    };
    const size_t frames = stereo.size() / 2;
    const size_t step = static_cast<size_t>(rate / 10);
    std::vector<double> power(frames / step + 1, 0.0);  // K-weighted energy of each 100 ms step
    Biquad s[2] = {shelf(), shelf()}, h[2] = {highPass(), highPass()};
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c) {
            const double y = h[c].Run(s[c].Run(stereo[2 * i + c]));
            power[i / step] += y * y;
        }
    std::vector<double> blocks;  // mean square of each 400 ms block, channels summed
    for (size_t b = 0; b + 4 <= frames / step; ++b)
        blocks.push_back((power[b] + power[b + 1] + power[b + 2] + power[b + 3]) / (4.0 * step));
    const auto lufs = [](double z) { return -0.691 + 10 * std::log10(z); };
    const auto gatedMean = [&](double gate) {
        double sum = 0;
        int n = 0;
        for (double z : blocks)
            if (lufs(z) > gate)
                sum += z, ++n;
        return n ? sum / n : 0.0;
    };
    const double relativeGate = lufs(gatedMean(-70)) - 10;
    return lufs(gatedMean(relativeGate));
}

}  // namespace

TEST(Soundtrack, HeaderIsWhatTheShowExpects)
{
    const std::span<const uint8_t> b = MusicModule;
    ASSERT_GT(b.size(), XmFirstPatternAt);
    EXPECT_EQ(std::string(b.begin() + XmIdAt, b.begin() + XmIdAt + XmIdLength), "Extended Module: ");
    EXPECT_EQ(std::string(b.begin() + XmNameAt, b.begin() + XmNameAt + XmNameLength), std::string(20, ' '));
    EXPECT_EQ(U16(b, XmVersionAt), 0x0104u);
    EXPECT_EQ(U32(b, XmHeaderSizeAt), 276u);
    EXPECT_EQ(U16(b, XmSongLengthAt), 32u);
    EXPECT_EQ(U16(b, XmRestartAt), 0u);
    EXPECT_EQ(U16(b, XmChannelsAt), 12u);
    EXPECT_EQ(U16(b, XmFlagsAt), 1u);  // linear frequency table
    EXPECT_EQ(U16(b, XmTempoAt), 3u);  // ticks per row
    EXPECT_EQ(U16(b, XmBpmAt), 125u);
    // Every pattern has 64 rows.
    size_t at = XmFirstPatternAt;
    for (uint32_t p = 0; p < U16(b, XmPatternsAt); ++p) {
        ASSERT_LE(at + XmPatternHeaderSize, b.size());
        EXPECT_EQ(U16(b, at + XmPatternRowsAt), 64u) << "pattern " << p;
        at += U32(b, at + XmPatternLengthAt) + U16(b, at + XmPatternPackedAt);
    }
}

TEST(Soundtrack, NoCommandChangesSpeedTempoOrTheOrderOfPlay)
{
    openmpt_module* mod = openmpt_module_create_from_memory2(MusicModule.data(), MusicModule.size(), nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(mod, nullptr);
    ASSERT_EQ(openmpt_module_get_num_orders(mod), ShowOrders);
    int previous = -1;
    for (int order = 0; order < ShowOrders; ++order) {
        const int pattern = openmpt_module_get_order_pattern(mod, order);
        EXPECT_NE(pattern, previous) << "order " << order << " repeats the pattern before it";
        previous = pattern;
        ASSERT_EQ(openmpt_module_get_pattern_num_rows(mod, pattern), RowsPerOrder);
        for (int row = 0; row < RowsPerOrder; ++row)
            for (int ch = 0; ch < openmpt_module_get_num_channels(mod); ++ch) {
                const char* text = openmpt_module_format_pattern_row_channel_command(
                    mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_EFFECT);
                const std::string effect = text != nullptr ? text : "";
                openmpt_free_string(text);
                const int param = openmpt_module_get_pattern_row_channel_command(mod, pattern, row, ch,
                                                                                 OPENMPT_MODULE_COMMAND_PARAMETER);
                const bool forbidden = effect == "F" || effect == "B" || effect == "D" ||
                                       (effect == "E" && ((param >> 4) == 0x6 || (param >> 4) == 0xE));
                EXPECT_FALSE(forbidden) << "order " << order << " row " << row << " channel " << ch << ": "
                                        << effect << std::hex << param;
            }
    }
    // The last order is silent: it holds no note at all.
    const int last = openmpt_module_get_order_pattern(mod, ShowOrders - 1);
    for (int row = 0; row < RowsPerOrder; ++row)
        for (int ch = 0; ch < openmpt_module_get_num_channels(mod); ++ch) {
            const int note = openmpt_module_get_pattern_row_channel_command(mod, last, row, ch, OPENMPT_MODULE_COMMAND_NOTE);
            EXPECT_TRUE(note == 0 || note == 255) << "row " << row << " channel " << ch;
        }
    openmpt_module_destroy(mod);
}

// Rendering in slices of 1/300 s (18 slices to a row), the decoder first reports order N, row R
// right after the slice in which that row begins: at (64 N + R) x 0.06 s.
TEST(Soundtrack, EveryRowStartsOnTimeInLibopenmpt)
{
    MusicDecoder* m = OpenMusic(MusicModule.data(), MusicModule.size());
    ASSERT_NE(m, nullptr);
    EXPECT_NEAR(MusicDurationSeconds(m), ShowOrders * RowsPerOrder * 0.06, 1e-6);
    std::vector<float> slice(2 * MusicSliceFrames);
    std::vector<long> firstSlice(ShowOrders * RowsPerOrder, -1);
    uint32_t last = PositionUnknown;
    long index = 0;
    while (RenderMusic(m, slice.data(), MusicSliceFrames) > 0) {
        const uint32_t p = MusicPosition(m);
        ASSERT_NE(p, PositionUnknown);
        const uint32_t order = p & 0xFFFF, row = p >> 16;
        ASSERT_LT(order, static_cast<uint32_t>(ShowOrders));
        if (p != last) {
            EXPECT_EQ(firstSlice[order * RowsPerOrder + row], -1) << "order " << order << " row " << row << " again";
            firstSlice[order * RowsPerOrder + row] = index;
            last = p;
        }
        ++index;
    }
    CloseMusic(m);
    for (int n = 0; n < ShowOrders * RowsPerOrder; ++n)
        ASSERT_EQ(firstSlice[n], 18 * n) << "order " << n / 64 << " row " << n % 64 << " starts at slice "
                                         << firstSlice[n] << ", not at " << n * 0.06 << " s";
    EXPECT_EQ(index, 18 * ShowOrders * RowsPerOrder);
}

// libxmp plays tick by tick: the first tick of order N, row R begins after (64 N + R) x 2646 frames.
TEST(Soundtrack, EveryRowStartsOnTimeInLibxmp)
{
#if defined(_WIN32)
    GTEST_SKIP() << "libxmp, the second player, is a Linux library here (Debian package libxmp4)";
#else
    xmp_context c = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(c, MusicModule.data(), static_cast<long>(MusicModule.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(c, &info);
    EXPECT_EQ(info.mod->len, ShowOrders);
    EXPECT_EQ(info.mod->chn, 12);
    EXPECT_EQ(info.mod->spd, 3);
    EXPECT_EQ(info.mod->bpm, 125);
    ASSERT_EQ(xmp_start_player(c, 44100, 0), 0);
    std::vector<long> firstFrame(ShowOrders * RowsPerOrder, -1);
    long frames = 0;
    xmp_frame_info fi;
    while (xmp_play_frame(c) == 0) {
        xmp_get_frame_info(c, &fi);
        if (fi.loop_count > 0)
            break;
        ASSERT_GE(fi.pos, 0);
        ASSERT_LT(fi.pos, ShowOrders);
        const int n = fi.pos * RowsPerOrder + fi.row;
        if (fi.frame == 0) {
            EXPECT_EQ(firstFrame[n], -1) << "order " << fi.pos << " row " << fi.row << " again";
            firstFrame[n] = frames;
        }
        frames += fi.buffer_size / 4;  // 16-bit stereo
    }
    xmp_end_player(c);
    xmp_release_module(c);
    xmp_free_context(c);
    for (int n = 0; n < ShowOrders * RowsPerOrder; ++n)
        ASSERT_EQ(firstFrame[n], static_cast<long>(n * FramesPerRow))
            << "order " << n / 64 << " row " << n % 64 << " starts at frame " << firstFrame[n];
#endif
}

// Every looped sample's loop holds a whole number of cycles of its fundamental, and its relative
// note and finetune make that fundamental 261.63 Hz at C-4: every note is in equal temperament
// with A-4 at 440 Hz (to within half a cent). Read back through libxmp.
TEST(Soundtrack, TonalSamplesAreTunedToEqualTemperament)
{
#if defined(_WIN32)
    GTEST_SKIP() << "reads the samples back through libxmp, a Linux library here (Debian package libxmp4)";
#else
    xmp_context c = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(c, MusicModule.data(), static_cast<long>(MusicModule.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(c, &info);
    const xmp_module* mod = info.mod;
    int tonal = 0;
    for (int i = 0; i < mod->ins; ++i)
        for (int k = 0; k < mod->xxi[i].nsm; ++k) {
            const xmp_subinstrument* sub = &mod->xxi[i].sub[k];
            const xmp_sample* s = &mod->xxs[sub->sid];
            if (!(s->flg & XMP_SAMPLE_LOOP))
                continue;
            ++tonal;
            SCOPED_TRACE(std::string(mod->xxi[i].name) + " / " + s->name);
            ASSERT_TRUE(s->flg & XMP_SAMPLE_16BIT);
            const int16_t* data = reinterpret_cast<const int16_t*>(s->data);
            const int loop = s->lpe - s->lps;
            const double rateC4 = 8363.0 * std::pow(2.0, (sub->xpo + sub->fin / 128.0) / 12.0);
            const double cycles = 261.6255653 * loop / rateC4;
            const long whole = std::lround(cycles);
            EXPECT_NEAR(cycles / whole, 1.0, 0.0003) << "the fundamental is off equal temperament";
            // The strongest partial in the loop, among the first twice as many cycles, is the fundamental.
            std::vector<double> cosine(static_cast<size_t>(loop)), sine(static_cast<size_t>(loop));
            for (int n = 0; n < loop; ++n) {
                cosine[n] = std::cos(2 * std::numbers::pi * n / loop);
                sine[n] = std::sin(2 * std::numbers::pi * n / loop);
            }
            double best = 0;
            long strongest = 0;
            for (long bin = 1; bin <= 2 * whole + 2 && bin < loop / 2; ++bin) {
                double re = 0, im = 0;
                for (long n = 0, phase = 0; n < loop; ++n, phase = (phase + bin) % loop) {
                    re += data[s->lps + n] * cosine[phase];
                    im += data[s->lps + n] * sine[phase];
                }
                if (re * re + im * im > best)
                    best = re * re + im * im, strongest = bin;
            }
            EXPECT_EQ(strongest, whole);
        }
    EXPECT_GE(tonal, 8);
    xmp_release_module(c);
    xmp_free_context(c);
#endif
}

TEST(Soundtrack, LoudnessPeakAndEveryOrderAudible)
{
    const std::vector<float>& all = Render();
    ASSERT_EQ(all.size(), 2 * ShowOrders * RowsPerOrder * FramesPerRow);
    double peak = 0;
    for (float v : all)
        peak = std::max(peak, static_cast<double>(std::fabs(v)));
    EXPECT_LE(20 * std::log10(peak), -1.0) << "sample peak in dBFS";
    const double lufs = IntegratedLoudness(all, MusicRate);
    EXPECT_GE(lufs, -16.0);
    EXPECT_LE(lufs, -12.0);

    // Audible: somewhere in each order 0..30 a 50 ms stretch is louder than -40 dBFS RMS. Order 31
    // is silent.
    const size_t order = RowsPerOrder * FramesPerRow, window = MusicRate / 20;
    for (int n = 0; n < ShowOrders; ++n) {
        double loudest = 0;
        for (size_t w = n * order; w + window <= (n + 1) * order; w += window) {
            double sum = 0;
            for (size_t i = w; i < w + window; ++i)
                sum += all[2 * i] * all[2 * i] + all[2 * i + 1] * all[2 * i + 1];
            loudest = std::max(loudest, std::sqrt(sum / (2 * window)));
        }
        if (n < ShowOrders - 1) {
            EXPECT_GT(20 * std::log10(loudest), -40.0) << "order " << n;
        } else {
            EXPECT_LT(loudest, 1e-4) << "the last order must be silent";
        }
    }
}

// The composer is deterministic and the committed module is what it writes today.
TEST(Soundtrack, RegeneratingGivesTheCommittedBytes)
{
    const std::string composer = SIDEWAYS_TOOL_RUNNER SIDEWAYS_BINARY_DIR "/tools/compose/compose";
    const std::string out = testing::TempDir() + "music_regenerated.xm";
    std::remove(out.c_str());
    ASSERT_EQ(std::system((composer + " --out " + out).c_str()), 0) << composer << " did not run";
    const std::vector<uint8_t> regenerated = ReadBytes(out);
    const std::vector<uint8_t> committed = ReadBytes(SIDEWAYS_SOURCE_DIR "/assets/music.xm");
    ASSERT_FALSE(committed.empty());
    EXPECT_TRUE(regenerated == committed) << "assets/music.xm is stale: build the target regenerate-music";
    EXPECT_TRUE(std::equal(committed.begin(), committed.end(), MusicModule.begin(), MusicModule.end()))
        << "the program embeds other bytes than assets/music.xm";
    std::remove(out.c_str());
}
