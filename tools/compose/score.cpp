#include "score.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr uint16_t Channels = 12;
constexpr uint16_t Rows = 64;
constexpr int Orders = 32;

// A deterministic noise source, so that every run synthesises the same samples.
uint32_t NextNoise(uint32_t* state)
{
    *state = *state * 1664525u + 1013904223u;
    return *state;
}

// Played at C-4, these samples sound at 44100 Hz: 8363 Hz * 2^((28 + 101/128) / 12).
void TuneTo44100(XmSample* s)
{
    s->relativeNote = 28;
    s->finetune = 101;
}

XmInstrument Kick()
{
    XmInstrument in;
    in.name = "kick";
    XmSample s;
    s.name = "kick";
    const int length = 44100 / 4;
    double phase = 0;
    for (int i = 0; i < length; i++) {
        const double t = i / 44100.0;
        const double frequency = 50 + 120 * std::exp(-t * 30);
        phase += 2 * M_PI * frequency / 44100.0;
        const double amplitude = std::exp(-t * 12);
        s.data.push_back(static_cast<int16_t>(std::lround(24000 * amplitude * std::sin(phase))));
    }
    TuneTo44100(&s);
    in.samples.push_back(s);
    return in;
}

XmInstrument Hat()
{
    XmInstrument in;
    in.name = "hat";
    XmSample s;
    s.name = "hat";
    const int length = 44100 / 20;
    uint32_t noise = 1;
    int previous = 0;
    for (int i = 0; i < length; i++) {
        const int white = static_cast<int>(NextNoise(&noise) >> 16) - 32768;
        const int high = white - previous;  // a first difference leaves the hiss
        previous = white;
        const double amplitude = std::exp(-i / 44100.0 * 60);
        s.data.push_back(static_cast<int16_t>(std::lround(0.25 * high * amplitude)));
    }
    TuneTo44100(&s);
    s.volume = 40;
    in.samples.push_back(s);
    return in;
}

}  // namespace

void ComposeSoundtrack(XmModule* m)
{
    *m = XmModule{};
    m->name = "";
    m->trackerName = "sideways compose";
    m->channels = Channels;
    m->tempo = 3;
    m->bpm = 125;
    m->linearFrequencies = true;
    m->instruments = {Kick(), Hat()};

    XmPattern beat = MakeXmPattern(Rows, Channels);
    for (int row = 0; row < Rows; row += 8)
        *XmCellAt(&beat, Channels, row, 0) = XmCell{XmNoteC4, 1, 0, 0, 0};
    for (int row = 4; row < Rows; row += 8)
        *XmCellAt(&beat, Channels, row, 1) = XmCell{XmNoteC4, 2, 0, 0, 0};
    m->patterns = {beat, MakeXmPattern(Rows, Channels)};
    m->orders.assign(Orders - 1, 0);
    m->orders.push_back(1);  // the last order is silent: the show ends there
}
