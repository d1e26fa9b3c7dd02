// The XM writer, checked by reading its output back through libopenmpt: the header fields, the
// order list, every cell of the patterns, the instruments, and the sample data and loops as they
// come out of the player.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <libopenmpt/libopenmpt.h>

#include "bytes/little_endian.h"
#include "compose/xm_layout.h"
#include "compose/xm_writer.h"
#include "support.h"

namespace {

// A sample of pseudo-random values with a forward loop over its last part.
XmSample NoiseSample(const char* name, int frames, uint32_t seed)
{
    XmSample s;
    s.name = name;
    uint32_t state = seed;
    for (int i = 0; i < frames; ++i) {
        state = state * 1103515245u + 12345u;
        s.data.push_back(static_cast<int16_t>((state >> 8) & 0xFFFF));
    }
    return s;
}

// One channel, one long empty pattern and a note of instrument 1 at C-4 on the first row.
XmModule OneNoteModule(XmInstrument instrument, uint8_t note = XmNoteC4)
{
    XmModule m;
    m.channels = 1;
    m.tempo = 3;
    m.bpm = 125;
    m.orders = {0};
    m.patterns = {MakeXmPattern(64, 1)};
    *XmCellAt(&m.patterns[0], 1, 0, 0) = XmCell{note, 1, 0, 0, 0};
    m.instruments = {std::move(instrument)};
    return m;
}

openmpt_module* Load(const std::vector<uint8_t>& bytes)
{
    return openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr);
}

// Renders the module at rate in mono with no interpolation and no volume ramping, so that a
// sample played at that very rate comes out frame for frame, scaled by one constant.
std::vector<float> RenderPlain(const XmModule* m, int rate, size_t frames)
{
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ErrorOf(EncodeXm, m, &bytes), "");
    openmpt_module* mod = Load(bytes);
    EXPECT_NE(mod, nullptr);
    std::vector<float> out(frames, 0.0f);
    if (mod == nullptr)
        return out;
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 1);
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, 0);
    out.resize(openmpt_module_read_float_mono(mod, rate, frames, out.data()));
    openmpt_module_destroy(mod);
    return out;
}

// How far the render strays from the expected sample values after scaling by the first frame.
double WorstMismatch(const std::vector<float>& out, const std::function<int(size_t)>& expected, size_t frames)
{
    const double gain = out.at(0) / expected(0);
    double worst = 0;
    for (size_t i = 0; i < frames; ++i)
        worst = std::max(worst, std::fabs(out.at(i) / gain - expected(i)));
    return worst;
}

// A string from libopenmpt, copied and handed back to the library.
std::string Text(const char* s)
{
    std::string text = s != nullptr ? s : "";
    openmpt_free_string(s);
    return text;
}

std::string Format(openmpt_module* mod, int pattern, int row, int channel, int command)
{
    return Text(openmpt_module_format_pattern_row_channel_command(mod, pattern, row, channel, command));
}

int Command(openmpt_module* mod, int pattern, int row, int channel, int command)
{
    return openmpt_module_get_pattern_row_channel_command(mod, pattern, row, channel, command);
}

}  // namespace

TEST(XmWriter, HeaderCarriesTheFixedFields)
{
    XmModule m = OneNoteModule(XmInstrument{});
    m.instruments[0].samples.push_back(NoiseSample("s", 100, 1));
    m.channels = 12;
    m.patterns = {MakeXmPattern(64, 12), MakeXmPattern(16, 12)};
    m.orders = {1, 0, 1};
    m.restart = 2;
    m.trackerName = "tracker";
    std::vector<uint8_t> b;
    ASSERT_EQ(ErrorOf(EncodeXm, &m, &b), "");

    EXPECT_EQ(std::string(b.begin(), b.begin() + XmIdLength), "Extended Module: ");
    EXPECT_EQ(std::string(b.begin() + XmNameAt, b.begin() + XmNameAt + XmNameLength), std::string(20, ' '));  // blank name
    EXPECT_EQ(b[XmMarkAt], 0x1A);
    EXPECT_EQ(std::string(b.begin() + XmTrackerAt, b.begin() + XmTrackerAt + XmNameLength), "tracker" + std::string(13, ' '));
    EXPECT_EQ(U16(b, XmVersionAt), 0x0104u);
    EXPECT_EQ(U32(b, XmHeaderSizeAt), 276u);
    EXPECT_EQ(U16(b, XmSongLengthAt), 3u);
    EXPECT_EQ(U16(b, XmRestartAt), 2u);
    EXPECT_EQ(U16(b, XmChannelsAt), 12u);
    EXPECT_EQ(U16(b, XmPatternsAt), 2u);
    EXPECT_EQ(U16(b, XmInstrumentsAt), 1u);
    EXPECT_EQ(U16(b, XmFlagsAt), 1u);  // linear frequency table
    EXPECT_EQ(U16(b, XmTempoAt), 3u);
    EXPECT_EQ(U16(b, XmBpmAt), 125u);
    EXPECT_EQ(b[XmOrdersAt], 1);
    EXPECT_EQ(b[XmOrdersAt + 1], 0);
    EXPECT_EQ(b[XmOrdersAt + 2], 1);
    for (size_t i = XmOrdersAt + 3; i < XmOrdersAt + XmOrderTableLength; ++i)
        ASSERT_EQ(b[i], 0) << "order table byte " << i - XmOrdersAt;
    // The first pattern header follows the 276 bytes counted from offset 60, at 336.
    constexpr size_t p = XmFirstPatternAt;
    EXPECT_EQ(U32(b, p + XmPatternLengthAt), 9u);
    EXPECT_EQ(b[p + XmPatternPackingAt], 0);
    EXPECT_EQ(U16(b, p + XmPatternRowsAt), 64u);
    EXPECT_EQ(U16(b, p + XmPatternPackedAt), 64u * 12);  // an empty cell packs into one byte

    m.linearFrequencies = false;
    b.clear();
    ASSERT_EQ(ErrorOf(EncodeXm, &m, &b), "");
    EXPECT_EQ(U16(b, XmFlagsAt), 0u);
}

TEST(XmWriter, LibopenmptReadsBackOrdersAndEveryCell)
{
    XmModule m;
    m.channels = 32;
    m.tempo = 3;
    m.bpm = 125;
    m.instruments.resize(3);
    for (XmInstrument& in : m.instruments)
        in.samples.push_back(NoiseSample("s", 64, 7));
    // Pattern sizes at both ends of the range, and cells with every combination of fields.
    m.patterns = {MakeXmPattern(256, 32), MakeXmPattern(1, 32), MakeXmPattern(64, 32)};
    for (int row = 0; row < 256; ++row)
        for (int ch = 0; ch < 32; ++ch) {
            const int k = row * 32 + ch;
            XmCell c;
            if (k & 1) c.note = static_cast<uint8_t>(1 + k % 97);  // up to the key-off
            if (k & 2) c.instrument = static_cast<uint8_t>(1 + k % 3);
            if (k & 4) c.volume = static_cast<uint8_t>(0x10 + k % 65);
            if (k & 8) c.effect = 0x0A;  // volume slide
            if (k & 16) c.param = static_cast<uint8_t>(k % 251 + 1);
            *XmCellAt(&m.patterns[0], 32, row, ch) = c;
        }
    *XmCellAt(&m.patterns[1], 32, 0, 31) = XmCell{XmNoteC4, 2, 0xC8, 0x0C, 0x20};  // all five fields
    *XmCellAt(&m.patterns[2], 32, 63, 0) = XmCell{0, 0, 0, 0, 0x37};              // arpeggio: effect 0
    m.orders = {2, 0, 1, 0};
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ErrorOf(EncodeXm, &m, &bytes), "");
    openmpt_module* mod = Load(bytes);
    ASSERT_NE(mod, nullptr);

    ASSERT_EQ(openmpt_module_get_num_orders(mod), 4);
    EXPECT_EQ(openmpt_module_get_order_pattern(mod, 0), 2);
    EXPECT_EQ(openmpt_module_get_order_pattern(mod, 1), 0);
    EXPECT_EQ(openmpt_module_get_order_pattern(mod, 2), 1);
    EXPECT_EQ(openmpt_module_get_order_pattern(mod, 3), 0);
    EXPECT_EQ(openmpt_module_get_num_channels(mod), 32);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(mod, 0), 256);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(mod, 1), 1);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(mod, 2), 64);

    for (int row = 0; row < 256; ++row)
        for (int ch = 0; ch < 32; ++ch) {
            const XmCell* c = XmCellAt(&m.patterns[0], 32, row, ch);
            SCOPED_TRACE("row " + std::to_string(row) + " channel " + std::to_string(ch));
            // libopenmpt numbers notes an octave above XM (its C-5 is XM's C-4), key-off as 255.
            const int note = c->note == 0 ? 0 : c->note == XmKeyOff ? 255 : c->note + 12;
            ASSERT_EQ(Command(mod, 0, row, ch, OPENMPT_MODULE_COMMAND_NOTE), note);
            ASSERT_EQ(Command(mod, 0, row, ch, OPENMPT_MODULE_COMMAND_INSTRUMENT), c->instrument);
            ASSERT_EQ(Command(mod, 0, row, ch, OPENMPT_MODULE_COMMAND_VOLUME), c->volume ? c->volume - 0x10 : 0);
            ASSERT_EQ(Command(mod, 0, row, ch, OPENMPT_MODULE_COMMAND_PARAMETER), c->param);
            if (c->effect == 0x0A) {
                ASSERT_EQ(Format(mod, 0, row, ch, OPENMPT_MODULE_COMMAND_EFFECT), "A");
            }
        }
    EXPECT_EQ(Format(mod, 1, 0, 31, OPENMPT_MODULE_COMMAND_NOTE), "C-5");
    EXPECT_EQ(Command(mod, 1, 0, 31, OPENMPT_MODULE_COMMAND_INSTRUMENT), 2);
    EXPECT_EQ(Format(mod, 1, 0, 31, OPENMPT_MODULE_COMMAND_VOLUMEEFFECT), "p");  // panning
    EXPECT_EQ(Command(mod, 1, 0, 31, OPENMPT_MODULE_COMMAND_VOLUME), 32);
    EXPECT_EQ(Format(mod, 1, 0, 31, OPENMPT_MODULE_COMMAND_EFFECT), "C");
    EXPECT_EQ(Command(mod, 1, 0, 31, OPENMPT_MODULE_COMMAND_PARAMETER), 0x20);
    EXPECT_EQ(Format(mod, 2, 63, 0, OPENMPT_MODULE_COMMAND_EFFECT), "0");
    EXPECT_EQ(Command(mod, 2, 63, 0, OPENMPT_MODULE_COMMAND_PARAMETER), 0x37);
    EXPECT_EQ(Command(mod, 2, 62, 0, OPENMPT_MODULE_COMMAND_PARAMETER), 0);
    openmpt_module_destroy(mod);
}

TEST(XmWriter, LibopenmptReadsBackInstrumentsAndSamples)
{
    XmModule m = OneNoteModule(XmInstrument{});
    m.instruments.resize(4);
    m.instruments[0].name = "first instrument";
    m.instruments[0].samples = {NoiseSample("low", 10, 1), NoiseSample("high", 20, 2)};
    m.instruments[1].name = "no samples";  // written with the short header
    m.instruments[2].name = std::string(22, 'x');
    m.instruments[2].samples = {NoiseSample(std::string(22, 'y').c_str(), 5, 3)};
    m.instruments[3].name = "last";
    m.instruments[3].samples = {NoiseSample("only", 1, 4)};
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ErrorOf(EncodeXm, &m, &bytes), "");
    openmpt_module* mod = Load(bytes);
    ASSERT_NE(mod, nullptr);
    ASSERT_EQ(openmpt_module_get_num_instruments(mod), 4);
    EXPECT_EQ(Text(openmpt_module_get_instrument_name(mod, 0)), "first instrument");
    EXPECT_EQ(Text(openmpt_module_get_instrument_name(mod, 1)), "no samples");
    EXPECT_EQ(Text(openmpt_module_get_instrument_name(mod, 2)), std::string(22, 'x'));
    EXPECT_EQ(Text(openmpt_module_get_instrument_name(mod, 3)), "last");
    ASSERT_EQ(openmpt_module_get_num_samples(mod), 4);
    EXPECT_EQ(Text(openmpt_module_get_sample_name(mod, 0)), "low");
    EXPECT_EQ(Text(openmpt_module_get_sample_name(mod, 1)), "high");
    EXPECT_EQ(Text(openmpt_module_get_sample_name(mod, 2)), std::string(22, 'y'));
    EXPECT_EQ(Text(openmpt_module_get_sample_name(mod, 3)), "only");
    openmpt_module_destroy(mod);
}

// A sample tuned to 8363 Hz at C-4 and rendered at 8363 Hz comes out frame for frame: first the
// whole sample, then the loop again and again.
TEST(XmWriter, SampleDataAndLoopPlayAsWritten)
{
    XmInstrument in;
    XmSample s = NoiseSample("looped", 3000, 99);
    s.loop = XmLoop::Forward;
    s.loopStart = 2000;
    s.loopLength = 700;  // the loop ends before the data does: the last 300 frames never play
    in.samples.push_back(s);
    const XmModule m = OneNoteModule(in);
    const size_t frames = 6000;
    const std::vector<float> out = RenderPlain(&m, 8363, frames);
    ASSERT_EQ(out.size(), frames);
    const auto expected = [&s](size_t i) {
        const size_t end = s.loopStart + s.loopLength;
        return static_cast<int>(s.data[i < end ? i : s.loopStart + (i - end) % s.loopLength]);
    };
    EXPECT_LT(WorstMismatch(out, expected, frames), 1.0);

    // Without a loop the sample plays once; after it the player only lets the last value die away
    // (its click removal), so nothing of the noise is heard again.
    XmInstrument once;
    once.samples.push_back(NoiseSample("once", 3000, 5));
    const XmModule single = OneNoteModule(once);
    const std::vector<float> plain = RenderPlain(&single, 8363, 4000);
    ASSERT_EQ(plain.size(), 4000u);
    EXPECT_LT(WorstMismatch(plain, [&once](size_t i) { return static_cast<int>(once.samples[0].data[i]); }, 3000), 1.0);
    const double fullScale = std::fabs(plain[0] / once.samples[0].data[0]) * 32768;
    for (size_t i = 3000; i + 1 < 4000; ++i)
        ASSERT_LT(std::fabs(plain[i + 1] - plain[i]), 0.01 * fullScale) << i;
}

// Relative note, finetune and keymap decide what the player reads: a sample an octave up plays
// every second frame, and notes above the split play the other sample.
TEST(XmWriter, KeymapRelativeNoteAndFinetuneReachThePlayer)
{
    XmInstrument in;
    XmSample low = NoiseSample("low", 4000, 11);
    low.relativeNote = 12;
    XmSample high = NoiseSample("high", 4000, 12);
    high.relativeNote = -12;
    in.samples = {low, high};
    for (size_t k = 48; k < in.keymap.size(); ++k)  // from C-4 up: the second sample
        in.keymap[k] = 1;

    const XmModule lowNote = OneNoteModule(in, XmNoteC4 - 12);  // C-3 + 12 semitones = 8363 Hz
    const std::vector<float> a = RenderPlain(&lowNote, 8363, 2000);
    EXPECT_LT(WorstMismatch(a, [&low](size_t i) { return static_cast<int>(low.data[i]); }, 2000), 1.0);

    const XmModule highNote = OneNoteModule(in, XmNoteC4 + 24);  // C-6 - 12 semitones = 2 x 8363 Hz
    const std::vector<float> b = RenderPlain(&highNote, 8363, 1500);
    EXPECT_LT(WorstMismatch(b, [&high](size_t i) { return static_cast<int>(high.data[2 * i]); }, 1500), 1.0);

    // Finetune -128 on top of relative note 1 is the same pitch as relative note 0.
    in.samples[0].relativeNote = 13;
    in.samples[0].finetune = -128;
    const XmModule tuned = OneNoteModule(in, XmNoteC4 - 12);
    const std::vector<float> c = RenderPlain(&tuned, 8363, 2000);
    EXPECT_LT(WorstMismatch(c, [&low](size_t i) { return static_cast<int>(low.data[i]); }, 2000), 1.0);
}

// The volume envelope holds at its sustain point until the key-off, then falls to silence.
TEST(XmWriter, VolumeEnvelopeSustainsUntilKeyOff)
{
    XmInstrument in;
    XmSample dc;
    dc.data.assign(100, 16000);
    dc.loop = XmLoop::Forward;
    dc.loopStart = 0;
    dc.loopLength = 100;
    in.samples.push_back(dc);
    in.volumeEnvelope.points = {{0, 64}, {3, 32}, {9, 0}};
    in.volumeEnvelope.enabled = true;
    in.volumeEnvelope.sustain = true;
    in.volumeEnvelope.sustainPoint = 1;
    XmModule m = OneNoteModule(in);
    *XmCellAt(&m.patterns[0], 1, 10, 0) = XmCell{XmKeyOff, 0, 0, 0, 0};
    // One tick is 0.02 s, 160 frames at 8000 Hz; a row is 3 ticks.
    const std::vector<float> out = RenderPlain(&m, 8000, 160 * 60);
    ASSERT_EQ(out.size(), 160u * 60);
    const double start = out[10];
    EXPECT_GT(start, 0.0);
    EXPECT_NEAR(out[160 * 6 + 10] / start, 0.5, 0.02);   // tick 6: held at the sustain level
    EXPECT_NEAR(out[160 * 29 + 10] / start, 0.5, 0.02);  // tick 29: still held, just before the key-off
    EXPECT_LT(std::fabs(out[160 * 45]), start * 0.01);   // tick 45: gone after the release
}

TEST(XmWriter, RefusesWhatTheFormatCannotHold)
{
    struct Case {
        const char* rule;
        std::function<void(XmModule*)> breakIt;
    };
    const std::vector<Case> cases = {
        {"channels", [](XmModule* m) { m->channels = 33; }},
        {"channels", [](XmModule* m) { m->channels = 0; }},
        {"order list has 0 entries", [](XmModule* m) { m->orders.clear(); }},
        {"order 0 names pattern 5, but there are 1", [](XmModule* m) { m->orders = {5}; }},
        {"restart position 1", [](XmModule* m) { m->restart = 1; }},
        {"tempo 0", [](XmModule* m) { m->tempo = 0; }},
        {"BPM 31", [](XmModule* m) { m->bpm = 31; }},
        {"module name", [](XmModule* m) { m->name = std::string(21, 'n'); }},
        {"pattern 0: 0 rows", [](XmModule* m) { m->patterns[0] = MakeXmPattern(0, 1); }},
        {"pattern 0: 63 cells", [](XmModule* m) { m->patterns[0].cells.pop_back(); }},
        {"pattern 0 row 0 channel 0: instrument 2, but there are 1",
         [](XmModule* m) { m->patterns[0].cells[0].instrument = 2; }},
        {"note 98", [](XmModule* m) { m->patterns[0].cells[0].note = 98; }},
        {"volume column byte 5", [](XmModule* m) { m->patterns[0].cells[5].volume = 5; }},
        {"effect 36", [](XmModule* m) { m->patterns[0].cells[0].effect = 36; }},
        {"instrument 1 sample 0: the loop 90+20 runs past the end of the 100 frames",
         [](XmModule* m) {
             XmSample* s = &m->instruments[0].samples[0];
             s->loop = XmLoop::Forward;
             s->loopStart = 90;
             s->loopLength = 20;
         }},
        {"at least one frame long", [](XmModule* m) { m->instruments[0].samples[0].loop = XmLoop::PingPong; }},
        {"volume 65", [](XmModule* m) { m->instruments[0].samples[0].volume = 65; }},
        {"note 1 maps to sample 1, but there are 1", [](XmModule* m) { m->instruments[0].keymap[0] = 1; }},
        {"17 samples", [](XmModule* m) { m->instruments[0].samples.resize(17); }},
        {"volume envelope point 1 does not come after",
         [](XmModule* m) { m->instruments[0].volumeEnvelope.points = {{5, 64}, {5, 0}}; }},
        {"value 65, above 64", [](XmModule* m) { m->instruments[0].panningEnvelope.points = {{0, 65}}; }},
        {"13 points", [](XmModule* m) { m->instruments[0].volumeEnvelope.points.assign(13, {0, 0}); }},
        {"sustain point 2 is not one of its 2 points",
         [](XmModule* m) {
             XmEnvelope* e = &m->instruments[0].volumeEnvelope;
             e->points = {{0, 64}, {4, 0}};
             e->sustain = true;
             e->sustainPoint = 2;
         }},
        {"enabled but has no points", [](XmModule* m) { m->instruments[0].volumeEnvelope.enabled = true; }},
        {"129 instruments", [](XmModule* m) { m->instruments.resize(129); }},
    };
    for (const Case& c : cases) {
        XmInstrument in;
        in.samples.push_back(NoiseSample("s", 100, 1));
        XmModule m = OneNoteModule(in);
        ASSERT_EQ(ErrorOf(CheckXm, &m), "");
        c.breakIt(&m);
        const std::string fault = ErrorOf(CheckXm, &m);
        EXPECT_NE(fault.find(c.rule), std::string::npos) << "expected \"" << c.rule << "\", got \"" << fault << "\"";
        std::vector<uint8_t> bytes;
        EXPECT_EQ(ErrorOf(EncodeXm, &m, &bytes), fault);
        EXPECT_TRUE(bytes.empty()) << c.rule;
    }
}
