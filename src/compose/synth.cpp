#include "compose/synth.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <vector>

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double DrumRate = 44100.0;  // drums and effects are synthesised at the output rate
constexpr double XmC4Rate = 8363.0;   // the linear table's rate of a sample at C-4, relative note 0
constexpr int NoteC4 = 49;
constexpr int NoteA4 = 58;
// Harmonics of a tonal sample stay below this at the top note of the octave it serves, so that
// resampling to 44.1 kHz adds no aliases.
constexpr double BrightnessLimitHz = 15000.0;

// A deterministic noise source (a 32-bit linear congruential generator).
struct Noise {
    uint32_t state;
};

double NextNoise(Noise* n)
{
    n->state = n->state * 1664525u + 1013904223u;
    return static_cast<double>(n->state >> 8) / 8388608.0 - 1.0;
}

// A second-order filter in the usual biquad form (coefficients after Robert Bristow-Johnson).
struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

enum class FilterKind { LowPass, HighPass, BandPass };

Biquad MakeFilter(FilterKind kind, double hz, double q, double rate)
{
    const double w = 2 * Pi * hz / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    double b0 = 0, b1 = 0, b2 = 0;
    switch (kind) {
    case FilterKind::LowPass: b0 = (1 - c) / 2; b1 = 1 - c; b2 = (1 - c) / 2; break;
    case FilterKind::HighPass: b0 = (1 + c) / 2; b1 = -(1 + c); b2 = (1 + c) / 2; break;
    case FilterKind::BandPass: b0 = alpha; b1 = 0; b2 = -alpha; break;
    }
    const double a0 = 1 + alpha;
    return Biquad{b0 / a0, b1 / a0, b2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

double Filter(Biquad* f, double x)
{
    const double y = f->b0 * x + f->b1 * f->x1 + f->b2 * f->x2 - f->a1 * f->y1 - f->a2 * f->y2;
    f->x2 = f->x1;
    f->x1 = x;
    f->y2 = f->y1;
    f->y1 = y;
    return y;
}

double Peak(const std::vector<double>& v)
{
    double top = 0;
    for (double x : v)
        top = std::max(top, std::fabs(x));
    return top;
}

// Converts to 16 bits, full scale being 1 / scale.
std::vector<int16_t> ToPcm16(const std::vector<double>& v, double scale)
{
    std::vector<int16_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        out[i] = static_cast<int16_t>(std::clamp(std::lround(v[i] * scale * 32767.0), -32767l, 32767l));
    return out;
}

// Converts to 16 bits with the loudest value at 97% of full scale.
std::vector<int16_t> Normalised(const std::vector<double>& v) { return ToPcm16(v, 0.97 / std::max(Peak(v), 1e-12)); }

// A short fade at the end of a one-shot sample, so that it never stops on a click.
void FadeTail(std::vector<double>* v, double seconds)
{
    const size_t n = std::min(v->size(), static_cast<size_t>(seconds * DrumRate));
    for (size_t i = 0; i < n; ++i)
        (*v)[v->size() - n + i] *= 1.0 - static_cast<double>(i + 1) / static_cast<double>(n);
}

XmEnvelope MakeEnvelope(std::initializer_list<XmEnvelopePoint> points, int sustainPoint)
{
    XmEnvelope e;
    e.points = points;
    e.enabled = true;
    e.sustain = sustainPoint >= 0;
    e.sustainPoint = static_cast<uint8_t>(std::max(sustainPoint, 0));
    return e;
}

// A one-shot sample at 44.1 kHz, played at that rate at C-4.
XmInstrument OneShot(const char* name, const std::vector<double>& wave, uint8_t volume, uint8_t panning)
{
    XmInstrument in;
    in.name = name;
    XmSample s;
    s.name = name;
    s.data = Normalised(wave);
    s.volume = volume;
    s.panning = panning;
    TuneSample(&s, DrumRate / EqualTemperedHz(NoteC4));
    in.samples.push_back(s);
    // A flat envelope with a sustain point keeps the whole sample after a key-off, then a quick fade.
    in.volumeEnvelope = MakeEnvelope({{0, 64}, {1, 64}, {6, 0}}, 1);
    in.fadeout = 2048;
    return in;
}

std::vector<double> Silence(double seconds) { return std::vector<double>(static_cast<size_t>(seconds * DrumRate), 0.0); }

XmInstrument SynthKick()
{
    std::vector<double> v = Silence(0.45);
    Noise noise{11};
    Biquad click = MakeFilter(FilterKind::LowPass, 3000, 0.7, DrumRate);
    double phase = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / DrumRate;
        phase += 2 * Pi * (46 + 120 * std::exp(-t * 28) + 300 * std::exp(-t * 180)) / DrumRate;
        const double body = std::tanh(1.8 * std::sin(phase)) * std::exp(-t * 7.5) * std::min(1.0, t * 800);
        v[i] = body + 0.35 * Filter(&click, NextNoise(&noise)) * std::exp(-t * 250);
    }
    FadeTail(&v, 0.02);
    return OneShot("kick", v, 64, 128);
}

XmInstrument SynthSnare()
{
    std::vector<double> v = Silence(0.32);
    Noise noise{23};
    Biquad high = MakeFilter(FilterKind::HighPass, 900, 0.7, DrumRate);
    Biquad low = MakeFilter(FilterKind::LowPass, 9000, 0.7, DrumRate);
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / DrumRate;
        const double body = 0.55 * std::sin(2 * Pi * 185 * t) * std::exp(-t * 28) +
                            0.3 * std::sin(2 * Pi * 330 * t) * std::exp(-t * 35);
        const double hiss = Filter(&low, Filter(&high, NextNoise(&noise))) * std::exp(-t * 16);
        v[i] = (body + 0.9 * hiss) * std::min(1.0, t * 2000);
    }
    FadeTail(&v, 0.02);
    return OneShot("snare", v, 64, 128);
}

XmInstrument SynthClap()
{
    std::vector<double> v = Silence(0.4);
    Noise noise{37};
    Biquad band = MakeFilter(FilterKind::BandPass, 1300, 1.2, DrumRate);
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / DrumRate;
        double env = 0;
        for (double start : {0.0, 0.011, 0.023})
            if (t >= start)
                env += std::exp(-(t - start) * 320);
        if (t >= 0.031)
            env += 0.9 * std::exp(-(t - 0.031) * 17);
        v[i] = Filter(&band, NextNoise(&noise)) * env;
    }
    FadeTail(&v, 0.02);
    return OneShot("clap", v, 64, 128);
}

// The metallic tone of a hi-hat or a cymbal: six square waves at inharmonic ratios, plus noise.
std::vector<double> Metal(double seconds, double decay, double base, double noiseMix, double highPassHz, uint32_t seed)
{
    std::vector<double> v = Silence(seconds);
    static constexpr double ratios[6] = {1.0, 1.4827, 1.8003, 2.5461, 2.6304, 3.8967};
    Noise noise{seed};
    Biquad high1 = MakeFilter(FilterKind::HighPass, highPassHz, 0.7, DrumRate);
    Biquad high2 = MakeFilter(FilterKind::HighPass, highPassHz, 0.7, DrumRate);
    Biquad low = MakeFilter(FilterKind::LowPass, 15000, 0.7, DrumRate);
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / DrumRate;
        double metal = 0;
        for (double r : ratios)
            metal += std::sin(2 * Pi * base * r * t) >= 0 ? 1.0 : -1.0;
        const double x = metal / 6 * (1 - noiseMix) + NextNoise(&noise) * noiseMix;
        v[i] = Filter(&low, Filter(&high2, Filter(&high1, x))) * std::exp(-t * decay) * std::min(1.0, t * 3000);
    }
    FadeTail(&v, std::min(0.02, seconds / 4));
    return v;
}

XmInstrument SynthClosedHat() { return OneShot("closed hat", Metal(0.09, 60, 410, 0.45, 7000, 41), 64, 150); }
XmInstrument SynthOpenHat() { return OneShot("open hat", Metal(0.55, 7.5, 410, 0.45, 6500, 43), 64, 106); }
XmInstrument SynthCrash() { return OneShot("crash", Metal(2.6, 1.7, 520, 0.7, 3500, 47), 64, 120); }

XmInstrument SynthRide()
{
    std::vector<double> v = Metal(0.8, 5.5, 680, 0.55, 5000, 53);
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / DrumRate;  // the bell of the ride: two plain partials
        v[i] += (0.03 * std::sin(2 * Pi * 2830 * t) + 0.025 * std::sin(2 * Pi * 4070 * t)) * std::exp(-t * 14);
    }
    return OneShot("ride", v, 64, 176);
}

XmInstrument SynthTom()
{
    std::vector<double> v = Silence(0.6);
    Noise noise{59};
    Biquad band = MakeFilter(FilterKind::BandPass, 900, 1.0, DrumRate);
    double phase = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / DrumRate;
        phase += 2 * Pi * (98 + 50 * std::exp(-t * 14)) / DrumRate;
        v[i] = std::sin(phase) * std::exp(-t * 7) * std::min(1.0, t * 1500) +
               0.25 * Filter(&band, NextNoise(&noise)) * std::exp(-t * 40);
    }
    FadeTail(&v, 0.02);
    return OneShot("tom", v, 64, 128);
}

// Noise through a resonant band that sweeps up over one order (3.84 s), growing louder.
XmInstrument SynthRiser()
{
    std::vector<double> v = Silence(3.84);
    Noise noise{61};
    const double n = static_cast<double>(v.size());
    Biquad band{};
    for (size_t i = 0; i < v.size(); ++i) {
        const double x = static_cast<double>(i) / n;
        if (i % 32 == 0) {  // retune the band every 32 frames; its memory carries over
            Biquad next = MakeFilter(FilterKind::BandPass, 250 * std::pow(40.0, x), 4.0, DrumRate);
            next.x1 = band.x1; next.x2 = band.x2; next.y1 = band.y1; next.y2 = band.y2;
            band = next;
        }
        v[i] = Filter(&band, NextNoise(&noise)) * (0.05 + 0.95 * x * x);
    }
    FadeTail(&v, 0.01);
    return OneShot("riser", v, 64, 128);
}

// A crash played backwards: swells over 16 rows (0.96 s) and stops dead on the beat.
XmInstrument SynthReverseCymbal()
{
    std::vector<double> crash = Metal(0.96, 2.4, 520, 0.75, 3000, 67);
    std::reverse(crash.begin(), crash.end());
    return OneShot("reverse cymbal", crash, 64, 128);
}

XmInstrument SynthImpact()
{
    std::vector<double> v = Silence(2.2);
    Noise noise{71};
    Biquad low = MakeFilter(FilterKind::LowPass, 500, 0.7, DrumRate);
    double phase = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / DrumRate;
        phase += 2 * Pi * (34 + 50 * std::exp(-t * 6)) / DrumRate;
        v[i] = std::tanh(1.5 * std::sin(phase)) * std::exp(-t * 2.2) * std::min(1.0, t * 500) +
               0.6 * Filter(&low, NextNoise(&noise)) * std::exp(-t * 5);
    }
    FadeTail(&v, 0.05);
    return OneShot("impact", v, 64, 128);
}

// A tonal instrument made of harmonics of one or more detuned voices. Every voice makes a whole
// number of cycles in the loop, so the loop joins without a click; the attack before the loop may
// change the harmonics over time, the loop holds them still (the volume envelope does the rest).
struct ToneSpec {
    const char* name;
    int loopFrames;         // the loop's length in frames
    int cycles;             // cycles of the nominal pitch in the loop (the period is loopFrames / cycles)
    std::vector<int> detune;         // each voice's cycles in the loop, relative to cycles
    std::vector<double> voiceGain;
    int referenceNote;      // the note at which the partials' times are given
    double attackSeconds;   // time before the loop, at the reference note
    double (*partial)(int harmonic, double seconds);  // amplitude; constant from attackSeconds on
    int lowOctave, highOctave;  // one sample per octave in this range, the keymap clamps the rest
    uint32_t seed;              // phases of the harmonics
};

// How loud each harmonic is over a tone's attack: for harmonic h, partial(h, i / rate) at frame i
// of the attack, then as the last entry partial(h, attackFrames / rate), which holds from there on.
// Every voice and every octave's sample of an instrument shares them, so each harmonic's are
// worked out once, when first asked for.
struct Harmonics {
    const ToneSpec* tone;
    double rate;  // frames a second at the reference note
    int attackFrames;
    std::vector<std::vector<double>> amplitude;  // by harmonic; empty until asked for
};

Harmonics MakeHarmonics(const ToneSpec* tone)
{
    const double periodFrames = static_cast<double>(tone->loopFrames) / tone->cycles;
    const double rate = EqualTemperedHz(tone->referenceNote) * periodFrames;
    return Harmonics{tone, rate, static_cast<int>(std::lround(tone->attackSeconds * rate)), {}};
}

const std::vector<double>& AmplitudeOf(Harmonics* harmonics, int h)
{
    if (harmonics->amplitude.size() <= static_cast<size_t>(h))
        harmonics->amplitude.resize(static_cast<size_t>(h) + 1);
    std::vector<double>& a = harmonics->amplitude[static_cast<size_t>(h)];
    if (a.empty()) {
        const int frames = harmonics->attackFrames;
        a.resize(static_cast<size_t>(frames) + 1);
        for (int i = 0; i < frames; ++i)
            a[i] = harmonics->tone->partial(h, i / harmonics->rate);
        a[frames] = harmonics->tone->partial(h, frames / harmonics->rate);
    }
    return a;
}

std::vector<double> RenderTone(Harmonics* harmonics, int maxHarmonic, const std::vector<double>& sine)
{
    const ToneSpec* tone = harmonics->tone;
    const int attackFrames = harmonics->attackFrames;
    std::vector<double> out(static_cast<size_t>(attackFrames + tone->loopFrames), 0.0);
    const int64_t loop = tone->loopFrames;
    Noise phases{tone->seed};
    for (size_t v = 0; v < tone->detune.size(); ++v) {
        const int64_t k = tone->cycles + tone->detune[v];
        for (int h = 1; h <= maxHarmonic && h * k < loop / 2; ++h) {
            const int64_t phase = static_cast<int64_t>((NextNoise(&phases) + 1) * 0.5 * static_cast<double>(loop)) % loop;
            const std::vector<double>& amplitude = AmplitudeOf(harmonics, h);
            const double gain = tone->voiceGain[v];
            const double held = gain * amplitude[static_cast<size_t>(attackFrames)];
            // The sine table's index (h * k * i + phase) % loop, stepped: h * k is below loop / 2.
            const int64_t step = h * k;
            int64_t at = phase;
            for (size_t i = 0; i < out.size(); ++i) {
                const double scale = static_cast<int>(i) < attackFrames ? gain * amplitude[i] : held;
                out[i] += scale * sine[static_cast<size_t>(at)];
                at += step;
                if (at >= loop)
                    at -= loop;
            }
        }
    }
    return out;
}

XmInstrument MakeTonal(const ToneSpec* tone, uint8_t volume, uint8_t panning)
{
    std::vector<double> sine(static_cast<size_t>(tone->loopFrames));
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = std::sin(2 * Pi * static_cast<double>(i) / tone->loopFrames);
    const int widest = tone->cycles + *std::max_element(tone->detune.begin(), tone->detune.end());
    const int storageLimit = (tone->loopFrames / 2 - 1) / widest;

    XmInstrument in;
    in.name = tone->name;
    Harmonics harmonics = MakeHarmonics(tone);
    std::vector<std::vector<double>> waves;
    std::vector<int> caps;
    std::vector<int> octaveSample;
    for (int octave = tone->lowOctave; octave <= tone->highOctave; ++octave) {
        const double topHz = EqualTemperedHz(12 * octave + 12);
        const int cap = std::min(storageLimit, std::max(1, static_cast<int>(BrightnessLimitHz / topHz)));
        if (caps.empty() || caps.back() != cap) {
            waves.push_back(RenderTone(&harmonics, cap, sine));
            caps.push_back(cap);
        }
        octaveSample.push_back(static_cast<int>(waves.size()) - 1);
    }
    // One scale for all the samples of the instrument, so that its loudness does not jump between octaves.
    double top = 1e-12;
    for (const std::vector<double>& w : waves)
        top = std::max(top, Peak(w));
    const double periodFrames = static_cast<double>(tone->loopFrames) / tone->cycles;
    for (size_t k = 0; k < waves.size(); ++k) {
        XmSample s;
        s.name = std::string(tone->name) + " " + std::to_string(caps[k]) + "h";
        s.data = ToPcm16(waves[k], 0.97 / top);
        s.loop = XmLoop::Forward;
        s.loopLength = static_cast<uint32_t>(tone->loopFrames);
        s.loopStart = static_cast<uint32_t>(s.data.size()) - s.loopLength;
        s.volume = volume;
        s.panning = panning;
        TuneSample(&s, periodFrames);
        in.samples.push_back(s);
    }
    for (int note = 0; note < 96; ++note) {
        const int octave = std::clamp(note / 12, tone->lowOctave, tone->highOctave);
        in.keymap[note] = static_cast<uint8_t>(octaveSample[octave - tone->lowOctave]);
    }
    return in;
}

// A soft low-pass in the harmonic domain: 1 up to the cutoff harmonic, falling with the given slope.
double Rolloff(int h, double cutoff, double slope) { return 1.0 / (1.0 + std::pow(h / cutoff, slope)); }

double SawPartial(int h) { return 1.0 / h; }

XmInstrument SynthBass()
{
    ToneSpec s{"bass", 16384, 128, {0}, {1.0}, 34, 0.3,
               [](int h, double t) {
                   const double cutoff = 5 + 30 * std::exp(-t * 14);
                   return SawPartial(h) * Rolloff(h, cutoff, 3) + (h == 1 ? 0.7 : 0.0);
               },
               1, 3, 101};
    XmInstrument in = MakeTonal(&s, 64, 128);
    in.volumeEnvelope = MakeEnvelope({{0, 64}, {4, 56}, {20, 44}, {24, 44}, {30, 0}}, 3);
    in.fadeout = 4096;
    return in;
}

XmInstrument SynthSubBass()
{
    ToneSpec s{"sub bass", 8192, 64, {0}, {1.0}, 22, 0.0,
               [](int h, double) { return h == 1 ? 1.0 : h == 2 ? 0.12 : h == 3 ? 0.05 : 0.0; },
               1, 3, 103};
    XmInstrument in = MakeTonal(&s, 64, 128);
    in.volumeEnvelope = MakeEnvelope({{0, 0}, {3, 64}, {40, 52}, {52, 0}}, 2);
    in.fadeout = 1024;
    return in;
}

XmInstrument SynthLead()
{
    ToneSpec s{"lead", 16384, 256, {0, -1, 1}, {1.0, 0.7, 0.7}, 58, 0.15,
               [](int h, double t) {
                   const double shape = h % 2 == 1 ? 1.0 / h : 0.55 / h;  // between saw and square
                   return shape * Rolloff(h, 9 + 10 * std::exp(-t * 20), 2.5);
               },
               3, 6, 107};
    XmInstrument in = MakeTonal(&s, 64, 128);
    in.volumeEnvelope = MakeEnvelope({{0, 0}, {1, 64}, {8, 52}, {10, 52}, {22, 0}}, 3);
    in.fadeout = 1536;
    in.vibratoType = 0;
    in.vibratoSweep = 24;
    in.vibratoDepth = 3;
    in.vibratoRate = 28;
    return in;
}

XmInstrument SynthPad()
{
    ToneSpec s{"pad", 32768, 256, {0, -1, 1, -2, 2}, {1.0, 0.8, 0.8, 0.6, 0.6}, 49, 0.0,
               [](int h, double) { return SawPartial(h) * Rolloff(h, 7, 2); },
               2, 5, 113};
    XmInstrument in = MakeTonal(&s, 64, 128);
    // A short attack: chords change every bar, and a new note cuts the old one.
    in.volumeEnvelope = MakeEnvelope({{0, 0}, {8, 64}, {10, 64}, {58, 0}}, 2);
    in.fadeout = 600;
    return in;
}

XmInstrument SynthStrings()
{
    ToneSpec s{"strings", 32768, 256, {0, -1, 1}, {1.0, 0.9, 0.9}, 49, 0.0,
               [](int h, double) { return SawPartial(h) * Rolloff(h, 5, 3); },
               2, 6, 127};
    XmInstrument in = MakeTonal(&s, 64, 128);
    in.volumeEnvelope = MakeEnvelope({{0, 0}, {14, 64}, {16, 64}, {79, 0}}, 2);
    in.fadeout = 400;
    in.vibratoSweep = 40;
    in.vibratoDepth = 2;
    in.vibratoRate = 22;
    return in;
}

XmInstrument SynthPluck()
{
    ToneSpec s{"pluck", 8192, 128, {0}, {1.0}, 58, 0.3,
               [](int h, double t) {
                   const double square = h % 2 == 1 ? 1.0 / h : 0.08 / h;
                   return square * Rolloff(h, 3 + 30 * std::exp(-t * 22), 3);
               },
               3, 6, 131};
    XmInstrument in = MakeTonal(&s, 64, 128);
    in.volumeEnvelope = MakeEnvelope({{0, 64}, {3, 40}, {10, 18}, {25, 6}, {40, 0}}, -1);
    in.fadeout = 2048;
    return in;
}

XmInstrument SynthStab()
{
    ToneSpec s{"stab", 16384, 128, {0, -1, 1}, {1.0, 0.8, 0.8}, 49, 0.25,
               [](int h, double t) { return SawPartial(h) * Rolloff(h, 6 + 28 * std::exp(-t * 12), 2.5); },
               3, 5, 137};
    XmInstrument in = MakeTonal(&s, 64, 128);
    in.volumeEnvelope = MakeEnvelope({{0, 64}, {4, 40}, {12, 14}, {20, 0}}, -1);
    in.fadeout = 4096;
    return in;
}

XmInstrument SynthPiano()
{
    ToneSpec s{"e-piano", 8192, 64, {0}, {1.0}, 49, 1.0,
               [](int h, double t) {
                   switch (h) {
                   case 1: return 1.0;
                   case 2: return 0.35 * std::exp(-t * 2.5) + 0.06;
                   case 3: return 0.15 * std::exp(-t * 5) + 0.02;
                   case 4: return 0.06 * std::exp(-t * 6);
                   case 7: return 0.12 * std::exp(-t * 18);  // the tine's bright ping
                   default: return 0.0;
                   }
               },
               3, 6, 139};
    XmInstrument in = MakeTonal(&s, 64, 128);
    in.volumeEnvelope = MakeEnvelope({{0, 64}, {10, 50}, {50, 30}, {150, 10}, {152, 10}, {160, 0}}, 4);
    in.fadeout = 2048;
    return in;
}

XmInstrument SynthFlute()
{
    ToneSpec s{"flute", 8192, 64, {0}, {1.0}, 58, 0.0,
               [](int h, double) { return h == 1 ? 1.0 : h == 2 ? 0.18 : h == 3 ? 0.1 : h == 4 ? 0.03 : 0.0; },
               3, 6, 149};
    XmInstrument in = MakeTonal(&s, 64, 128);
    in.volumeEnvelope = MakeEnvelope({{0, 0}, {4, 64}, {8, 56}, {10, 56}, {22, 0}}, 3);
    in.fadeout = 1024;
    in.vibratoSweep = 30;
    in.vibratoDepth = 4;
    in.vibratoRate = 26;
    return in;
}

// A bell: inharmonic partials that all die away, so it needs no loop. Stored with its fundamental
// at 64 frames per cycle, like the looped instruments.
XmInstrument SynthBell()
{
    struct Partial {
        double ratio, amplitude, decay;
    };
    static constexpr Partial partials[] = {{1.0, 1.0, 1.4}, {2.0, 0.45, 2.2}, {3.0, 0.22, 3.5},
                                           {4.16, 0.2, 5.0}, {5.43, 0.12, 7.0}, {6.79, 0.07, 9.0}};
    const double periodFrames = 64;
    const double rate = EqualTemperedHz(NoteC4) * periodFrames;
    std::vector<double> v(static_cast<size_t>(2.4 * rate));
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double x = 0;
        for (const Partial& p : partials)
            x += p.amplitude * std::sin(2 * Pi * p.ratio * static_cast<double>(i) / periodFrames) * std::exp(-t * p.decay);
        v[i] = x * std::min(1.0, t * 400);
    }
    const size_t fade = static_cast<size_t>(0.05 * rate);
    for (size_t i = 0; i < fade; ++i)
        v[v.size() - fade + i] *= 1.0 - static_cast<double>(i + 1) / static_cast<double>(fade);
    XmInstrument in;
    in.name = "bell";
    XmSample s;
    s.name = "bell";
    s.data = Normalised(v);
    s.volume = 64;
    s.panning = 168;
    TuneSample(&s, periodFrames);
    in.samples.push_back(s);
    in.volumeEnvelope = MakeEnvelope({{0, 64}, {1, 64}, {20, 0}}, 1);
    in.fadeout = 1024;
    return in;
}

}  // namespace

double EqualTemperedHz(int note) { return 440.0 * std::pow(2.0, (note - NoteA4) / 12.0); }

double XmSampleC4Rate(const XmSample* s)
{
    return XmC4Rate * std::pow(2.0, (s->relativeNote + s->finetune / 128.0) / 12.0);
}

void TuneSample(XmSample* s, double periodFrames)
{
    const double semitones = 12.0 * std::log2(EqualTemperedHz(NoteC4) * periodFrames / XmC4Rate);
    const long steps = std::lround(semitones * 128.0);
    const long relative = steps >= 0 ? steps / 128 : -((-steps + 127) / 128);
    s->relativeNote = static_cast<int8_t>(relative);
    s->finetune = static_cast<int8_t>(steps - relative * 128);
}

void SynthesiseInstruments(XmInstrument* out, int count)
{
    XmInstrument (*const makers[VoiceCount])() = {
        SynthKick, SynthSnare, SynthClap, SynthClosedHat, SynthOpenHat, SynthCrash, SynthRide,
        SynthTom, SynthRiser, SynthReverseCymbal, SynthImpact, SynthBass, SynthSubBass, SynthLead,
        SynthBell, SynthPad, SynthStrings, SynthPluck, SynthStab, SynthPiano, SynthFlute,
    };
    for (int i = 0; i < count && i < VoiceCount; ++i)
        out[i] = makers[i]();
}
