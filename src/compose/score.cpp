#include "compose/score.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "compose/synth.h"
#include "show/show_timing.h"

// The soundtrack in A minor at 125 BPM, 8 rows to a beat: a row is a 32nd note, an order of 64
// rows is two bars of 4/4. The song is written on one long grid of 32 x 64 rows and cut into
// patterns at the end, so that a phrase or a fill may run across an order boundary.
//
// Sections, one per scene of the show:
//   0      opening: strings swell under a bell that hints at the theme, a riser
//   1-2    build-up: kick, arpeggio, a snare roll, silence for a beat, then the drop
//   3-4    the drop: full beat, driving bass, chord stabs
//   5-9    the theme on the lead, then a two-bar tag
//   10-14  the theme developed, with a counter-melody; a tag that builds to the climax
//   15-18  climax: the theme doubled an octave up, everything playing
//   19-22  breakdown: no drums, strings and bells; the beat returns in 22
//   23-29  credits: e-piano and a light beat, the last statement of the theme, a coda
//   30     a final chord that dies away; 31 is silent

namespace {

constexpr uint16_t Channels = 12;
constexpr int Orders = ShowOrders;
constexpr int RowsPerBar = 32;
constexpr int RowsPerStep = 2;  // a sixteenth note
constexpr int TotalRows = Orders * RowsPerOrder;

enum Channel : int {
    KickCh, SnareCh, HatCh, PercCh, BassCh, LeadCh, CounterCh, ArpCh, Pad1Ch, Pad2Ch, Pad3Ch, FxCh,
};

constexpr uint8_t EffectPanning = 0x8;
constexpr uint8_t VolumeSlideDown = 0x60;  // volume column: slide down by x every tick but the first

struct Song {
    std::vector<XmCell> cells;  // TotalRows x Channels
};

XmCell* CellAt(Song* s, int row, int ch) { return &s->cells[static_cast<size_t>(row) * Channels + ch]; }

int Row(int order, int row) { return order * RowsPerOrder + row; }

// A note name such as "A-4", "G#3" or "C-5" as an XM note number (C-0 = 1).
constexpr int N(std::string_view name)
{
    constexpr int semitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    const int base = semitone[name[0] - 'A'] + (name[1] == '#' ? 1 : 0);
    return 12 * (name[2] - '0') + base + 1;
}

// The mix: the volume at which each instrument plays a note of full strength (velocity 64), in
// 64ths. Everything the score writes is a velocity scaled by this table; a result above the
// format's 64 plays at 64, which squeezes the loudest notes of the tonal instruments together.
constexpr int Mix[VoiceCount + 1] = {
    0,
    60,  // kick
    60,  // snare
    60,  // clap
    44,  // closed hat
    40,  // open hat
    48,  // crash
    30,  // ride
    56,  // tom
    56,  // riser
    56,  // reverse cymbal
    60,  // impact
    78,  // bass
    76,  // sub bass
    80,  // lead
    64,  // bell
    84,  // pad
    84,  // strings
    80,  // pluck
    72,  // stab
    80,  // e-piano
    78,  // flute
};

// A volume column byte for a velocity 0..64 of the voice.
uint8_t Volume(int velocity, Voice voice)
{
    const int v = velocity < 0 ? 0 : velocity > 64 ? 64 : velocity;
    const int volume = (v * Mix[static_cast<int>(voice)] + 32) / 64;
    return static_cast<uint8_t>(0x10 + (volume > 64 ? 64 : volume));
}

void Play(Song* s, int row, int ch, int note, Voice voice, int velocity = -1, uint8_t effect = 0, uint8_t param = 0)
{
    XmCell* c = CellAt(s, row, ch);
    c->note = static_cast<uint8_t>(note);
    c->instrument = static_cast<uint8_t>(voice);
    c->volume = velocity < 0 ? 0 : Volume(velocity, voice);
    c->effect = effect;
    c->param = param;
}

void Release(Song* s, int row, int ch)
{
    XmCell* c = CellAt(s, row, ch);
    *c = XmCell{};
    c->note = XmKeyOff;
}

// Sets the channel volume every other row from one velocity to another, e.g. for a swell.
void Ramp(Song* s, int ch, Voice voice, int fromRow, int toRow, int fromVelocity, int toVelocity)
{
    for (int row = fromRow; row < toRow; row += 2)
        CellAt(s, row, ch)->volume =
            Volume(fromVelocity + (toVelocity - fromVelocity) * (row - fromRow) / (toRow - fromRow), voice);
}

// A chord: the bass root, a three-voice pad voicing around middle C, and four arpeggio tones.
struct Chord {
    std::string_view name;
    int bass;
    std::array<int, 3> pad;
    std::array<int, 4> arp;
};

constexpr Chord Chords[] = {
    {"Am", N("A-1"), {N("A-3"), N("C-4"), N("E-4")}, {N("A-4"), N("C-5"), N("E-5"), N("A-5")}},
    {"F", N("F-1"), {N("A-3"), N("C-4"), N("F-4")}, {N("F-4"), N("A-4"), N("C-5"), N("F-5")}},
    {"C", N("C-2"), {N("G-3"), N("C-4"), N("E-4")}, {N("G-4"), N("C-5"), N("E-5"), N("G-5")}},
    {"G", N("G-1"), {N("G-3"), N("B-3"), N("D-4")}, {N("G-4"), N("B-4"), N("D-5"), N("G-5")}},
    {"E", N("E-1"), {N("G#3"), N("B-3"), N("E-4")}, {N("E-4"), N("G#4"), N("B-4"), N("E-5")}},
    {"Dm", N("D-2"), {N("A-3"), N("D-4"), N("F-4")}, {N("D-4"), N("F-4"), N("A-4"), N("D-5")}},
    {"Em", N("E-1"), {N("G-3"), N("B-3"), N("E-4")}, {N("E-4"), N("G-4"), N("B-4"), N("E-5")}},
};

// The first slip found in the score's text (a misspelt chord or note). Composing goes on with a
// stand-in so that ComposeSoundtrack can hand the slip back instead of ending the program.
std::string ScoreFault;

void ScoreError(const char* what, std::string_view text)
{
    if (ScoreFault.empty())
        ScoreFault = std::string("the score has ") + what + " \"" + std::string(text) + "\"";
}

const Chord* ChordNamed(std::string_view name)
{
    for (const Chord& c : Chords)
        if (c.name == name)
            return &c;
    ScoreError("an unknown chord", name);
    return &Chords[0];
}

// The chords of a progression written as "Am F C G", one per bar.
std::vector<const Chord*> Progression(std::string_view text)
{
    std::vector<const Chord*> out;
    while (!text.empty()) {
        const size_t space = text.find(' ');
        out.push_back(ChordNamed(text.substr(0, space)));
        text = space == std::string_view::npos ? std::string_view{} : text.substr(space + 1);
    }
    return out;
}

// Writes a line in sixteenth-note steps: "E-5:6 D-5:2 r:4" is E for six sixteenths, D for two and
// a rest of four. A note that runs into a rest is released where the rest starts. Returns the row
// after the line.
int Melody(Song* s, int row, int ch, Voice voice, int volume, int transpose, std::string_view text)
{
    bool sounding = false;
    while (!text.empty()) {
        const size_t space = text.find(' ');
        const std::string_view token = text.substr(0, space);
        text = space == std::string_view::npos ? std::string_view{} : text.substr(space + 1);
        const size_t colon = token.find(':');
        const bool rest = token.substr(0, colon) == "r";
        const bool note = colon == 3 && token[0] >= 'A' && token[0] <= 'G' && (token[1] == '-' || token[1] == '#') &&
                          token[2] >= '0' && token[2] <= '7';
        const int steps = colon == std::string_view::npos ? 0 : std::atoi(std::string(token.substr(colon + 1)).c_str());
        if ((!rest && !note) || steps <= 0) {
            ScoreError("a malformed melody step", token);
            continue;
        }
        if (rest) {
            if (sounding)
                Release(s, row, ch);
            sounding = false;
        } else {
            Play(s, row, ch, N(token.substr(0, 3)) + transpose, voice, volume);
            sounding = true;
        }
        row += steps * RowsPerStep;
    }
    if (sounding && row < TotalRows)
        Release(s, row, ch);
    return row;
}

// One bar of a drum or percussion line in sixteenths: 'X' loud, 'x' medium, 'o' soft, '.' nothing.
void Steps(Song* s, int row, int ch, Voice voice, int note, std::string_view pattern)
{
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const int volume = c == 'X' ? 64 : c == 'x' ? 46 : c == 'o' ? 30 : -1;
        if (volume >= 0)
            Play(s, row + static_cast<int>(i) * RowsPerStep, ch, note, voice, volume);
    }
}

// One bar of hi-hats: 'X', 'x', 'o' closed at three strengths, 'O' an open hat, '.' nothing.
void Hats(Song* s, int row, std::string_view pattern, int scale = 64)
{
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const int at = row + static_cast<int>(i) * RowsPerStep;
        if (c == 'O')
            Play(s, at, HatCh, N("C-4"), Voice::OpenHat, 34 * scale / 64);
        else if (c != '.')
            Play(s, at, HatCh, N("C-4"), Voice::ClosedHat, (c == 'X' ? 50 : c == 'x' ? 36 : 24) * scale / 64);
    }
}

// One bar of bass in sixteenths: 'R' the root, 'O' an octave up, 'F' the fifth, '-' a release.
void BassBar(Song* s, int row, const Chord* chord, Voice voice, int volume, std::string_view pattern)
{
    for (size_t i = 0; i < pattern.size(); ++i) {
        const int at = row + static_cast<int>(i) * RowsPerStep;
        const char c = pattern[i];
        if (c == 'R')
            Play(s, at, BassCh, chord->bass, voice, volume);
        else if (c == 'O')
            Play(s, at, BassCh, chord->bass + 12, voice, volume);
        else if (c == 'F')
            Play(s, at, BassCh, chord->bass + 7, voice, volume);
        else if (c == '-')
            Release(s, at, BassCh);
    }
}

// The chord on the three pad channels, spread left, centre and right.
void PadChord(Song* s, int row, const Chord* chord, Voice voice, int volume, int transpose = 0)
{
    static constexpr uint8_t pans[3] = {0x48, 0x80, 0xB8};
    for (int v = 0; v < 3; ++v)
        Play(s, row, Pad1Ch + v, chord->pad[v] + transpose, voice, volume, EffectPanning, pans[v]);
}

void PadRelease(Song* s, int row)
{
    for (int v = 0; v < 3; ++v)
        Release(s, row, Pad1Ch + v);
}

// Chord stabs in a bar: 'X' plays the chord, '.' nothing.
void StabBar(Song* s, int row, const Chord* chord, int volume, std::string_view pattern)
{
    for (size_t i = 0; i < pattern.size(); ++i)
        if (pattern[i] == 'X')
            PadChord(s, row + static_cast<int>(i) * RowsPerStep, chord, Voice::Stab, volume, 12);
}

// A bar of sixteenth-note arpeggio over the chord's four tones, walking the given index pattern
// and swinging between left and right.
void ArpBar(Song* s, int row, const Chord* chord, Voice voice, int volume, std::string_view order, int transpose = 0)
{
    for (int i = 0; i < 16; ++i) {
        const char c = order[static_cast<size_t>(i) % order.size()];
        if (c == '.')
            continue;
        const int note = chord->arp[static_cast<size_t>(c - '0')] + transpose;
        Play(s, row + i * RowsPerStep, ArpCh, note, voice, volume, EffectPanning, i % 2 == 0 ? 0x58 : 0xA8);
    }
}

// A snare roll that doubles its rate: quarters, eighths, sixteenths, then 32nds, getting louder.
void SnareRoll(Song* s, int from, int to, int fromVolume, int toVolume, Voice voice = Voice::Snare)
{
    const int length = to - from;
    for (int row = from; row < to;) {
        const int done = row - from;
        const int step = done < length / 4 ? 8 : done < length / 2 ? 4 : done < length * 3 / 4 ? 2 : 1;
        Play(s, row, SnareCh, N("C-4"), voice, fromVolume + (toVolume - fromVolume) * done / length);
        row += step;
    }
}

// Toms falling over the last beats of a bar (from the row given up to the bar's end).
void TomFill(Song* s, int from, int to, int volume)
{
    static constexpr int notes[] = {N("G-4"), N("E-4"), N("D-4"), N("C-4"), N("A-3"), N("G-3"), N("E-3"), N("D-3")};
    int k = 0;
    for (int row = from; row < to; row += 2, ++k)
        Play(s, row, PercCh, notes[k * 8 / ((to - from) / 2)], Voice::Tom, volume);
}

void Crash(Song* s, int row, int volume = 52) { Play(s, row, PercCh, N("C-4"), Voice::Crash, volume); }

// The main theme, eight bars over "Am F C G Am F G E", in sixteenth steps.
constexpr std::string_view ThemeA =
    "E-5:6 D-5:2 C-5:4 A-4:4 "
    "C-5:6 D-5:2 C-5:4 A-4:4 "
    "G-4:6 A-4:2 C-5:4 E-5:4 "
    "D-5:12 B-4:4";
constexpr std::string_view ThemeB =
    "E-5:6 D-5:2 C-5:4 A-4:4 "
    "F-5:6 E-5:2 D-5:4 C-5:4 "
    "B-4:4 C-5:4 D-5:4 G-5:4 "
    "E-5:8 D-5:4 B-4:4";

// ---- order 0: the opening ------------------------------------------------------------------
void Opening(Song* s)
{
    const Chord* am = ChordNamed("Am");
    PadChord(s, Row(0, 0), am, Voice::Strings, 6);
    for (int v = 0; v < 3; ++v)
        Ramp(s, Pad1Ch + v, Voice::Strings, Row(0, 2), Row(0, 64), 8, 40);
    Play(s, Row(0, 0), BassCh, am->bass, Voice::SubBass, 10);
    Ramp(s, BassCh, Voice::SubBass, Row(0, 2), Row(0, 64), 10, 36);
    // A bell hints at the theme's first phrase, an octave up, one note a beat.
    Melody(s, Row(0, 16), CounterCh, Voice::Bell, 26, 12, "E-5:4 D-5:4 C-5:4 A-4:12 r:4");
    Play(s, Row(0, 0), FxCh, N("C-4"), Voice::Riser, 30);
    Play(s, Row(0, 48), PercCh, N("C-4"), Voice::ReverseCymbal, 30);
}

// ---- orders 1-2: the build-up -------------------------------------------------------------
void BuildUp(Song* s)
{
    const std::vector<const Chord*> chords = Progression("Am F C G");
    for (int bar = 0; bar < 4; ++bar) {
        const int row = Row(1, bar * RowsPerBar);
        const Chord* c = chords[static_cast<size_t>(bar)];
        PadChord(s, row, c, Voice::Strings, 40 + 6 * bar);
        ArpBar(s, row, c, Voice::Pluck, 24 + 10 * bar, "0123");
        Steps(s, row, KickCh, Voice::Kick, N("C-4"), bar < 3 ? "X...x...X...x..." : "X...X...X...X.X.");
        BassBar(s, row, c, Voice::Bass, 44 + 5 * bar, bar < 2 ? "R..............." : "R.-.R.-.R.-.R.-.");
        if (bar >= 1)
            Hats(s, row, bar < 3 ? "..x...x...x...x." : "o.x.o.x.o.x.o.x.");
    }
    Crash(s, Row(1, 0), 36);
    Play(s, Row(1, 0), FxCh, N("C-4"), Voice::Impact, 40);
    Play(s, Row(2, 0), FxCh, N("C-4"), Voice::Riser, 44);
    SnareRoll(s, Row(2, 0), Row(2, 60), 14, 60);
    // The reverse cymbal is 16 rows long: it ends exactly on the drop.
    Play(s, Row(2, 48), PercCh, N("C-4"), Voice::ReverseCymbal, 50);
    // The lift: one beat of silence before the drop, the reverse cymbal swelling into it.
    for (int ch : {KickCh, HatCh, BassCh, ArpCh, SnareCh})
        Release(s, Row(2, 60), ch);
    PadRelease(s, Row(2, 56));
}

// The full beat over one bar. variation 0..3 varies the kick and hats a little from bar to bar.
void FullBeat(Song* s, int row, int variation, Voice backbeat, int hatScale = 64)
{
    Steps(s, row, KickCh, Voice::Kick, N("C-4"), variation == 3 ? "X...X...X...X.x." : "X...X...X...X...");
    Steps(s, row, SnareCh, backbeat, N("C-4"), variation == 1 ? "....X.......X..o" : "....X.......X...");
    Hats(s, row, variation % 2 == 0 ? "xoOoxoOoxoOoxoOX" : "xoOoxoOoxoOoxxOo", hatScale);
}

// Last beat of a section: sixteenth snares rising into the next downbeat.
void SnareFill(Song* s, int barRow) { Steps(s, barRow + 24, SnareCh, Voice::Snare, N("C-4"), "oxxX"); }

// ---- orders 3-4: the drop -----------------------------------------------------------------
void Drop(Song* s)
{
    const std::vector<const Chord*> chords = Progression("Am F C G");
    Crash(s, Row(3, 0), 56);
    Play(s, Row(3, 0), FxCh, N("C-4"), Voice::Impact, 50);
    for (int bar = 0; bar < 4; ++bar) {
        const int row = Row(3, bar * RowsPerBar);
        const Chord* c = chords[static_cast<size_t>(bar)];
        FullBeat(s, row, bar, Voice::Clap);
        BassBar(s, row, c, Voice::Bass, 60, "R.-.O.-.R.-.O.-R");
        StabBar(s, row, c, 56, bar % 2 == 0 ? "X..X..X...X..X.." : "X..X..X...X.X...");
        ArpBar(s, row, c, Voice::Pluck, 40, "0123");
    }
    SnareFill(s, Row(4, 32));
}

// ---- orders 5-9: the theme ----------------------------------------------------------------
void Theme(Song* s)
{
    const std::vector<const Chord*> chords = Progression("Am F C G Am F G E Am E");
    Crash(s, Row(5, 0), 50);
    for (int bar = 0; bar < 10; ++bar) {
        const int row = Row(5, bar * RowsPerBar);
        const Chord* c = chords[static_cast<size_t>(bar)];
        if (bar < 8) {
            PadChord(s, row, c, Voice::Pad, 46);
            Steps(s, row, KickCh, Voice::Kick, N("C-4"), "X...X...X...X...");
            Steps(s, row, SnareCh, Voice::Snare, N("C-4"), bar % 4 == 3 ? "....X.......X.oo" : "....X.......X...");
            Hats(s, row, "x.O.x.O.x.O.x.O.", 56);
            BassBar(s, row, c, Voice::Bass, 58, bar % 2 == 0 ? "R.-.R.-.O.-.R.-." : "R.-.R.-.O.-.F.-.");
            ArpBar(s, row, c, Voice::Pluck, 32, "02130213");
        } else {
            // The tag under the rings alone: drums thin out, a bell answers the theme.
            PadChord(s, row, c, Voice::Strings, 48);
            Steps(s, row, KickCh, Voice::Kick, N("C-4"), bar == 8 ? "X.......X......." : "X.......X...X...");
            Hats(s, row, "..x...x...x...x.");
            BassBar(s, row, c, Voice::SubBass, 56, "R...............");
        }
    }
    Melody(s, Row(5, 0), LeadCh, Voice::Lead, 58, 0, ThemeA);
    Melody(s, Row(7, 0), LeadCh, Voice::Lead, 58, 0, ThemeB);
    Melody(s, Row(9, 0), CounterCh, Voice::Bell, 50, 12, "E-5:6 D-5:2 C-5:4 A-4:4 B-4:6 C-5:2 D-5:4 G#4:4");
    Crash(s, Row(9, 0), 40);
    TomFill(s, Row(9, 48), Row(9, 64), 50);
}

// ---- orders 10-14: the theme developed ----------------------------------------------------
void Development(Song* s)
{
    const std::vector<const Chord*> chords = Progression("Dm G C Am Dm E Am Am F G");
    Crash(s, Row(10, 0), 50);
    for (int bar = 0; bar < 10; ++bar) {
        const int row = Row(10, bar * RowsPerBar);
        const Chord* c = chords[static_cast<size_t>(bar)];
        PadChord(s, row, c, Voice::Pad, 44);
        if (bar < 8) {
            Steps(s, row, KickCh, Voice::Kick, N("C-4"), bar % 4 == 3 ? "X...X...X...X.x." : "X...X...X...X...");
            Steps(s, row, SnareCh, Voice::Clap, N("C-4"), "....X.......X...");
            Steps(s, row, HatCh, Voice::Ride, N("C-4"), "x.o.x.o.x.o.x.oo");
            BassBar(s, row, c, Voice::Bass, 58, ".RR-.RR-.RO-.RR-");
            ArpBar(s, row, c, Voice::Pluck, 34, "0123210.");
        } else {
            // The tag builds into the climax: kick in eighths, a snare roll, a riser.
            Steps(s, row, KickCh, Voice::Kick, N("C-4"), bar == 8 ? "X...X...X...X..." : "X.X.X.X.X.X.X.X.");
            BassBar(s, row, c, Voice::Bass, 58, "R.R.R.R.R.R.R.R.");
            ArpBar(s, row, c, Voice::Pluck, 36 + 10 * (bar - 8), "0123");
            Hats(s, row, "xxxxxxxxxxxxxxxx");
        }
    }
    Melody(s, Row(10, 0), LeadCh, Voice::Lead, 58, 0,
           "F-5:6 E-5:2 D-5:4 A-4:4 "
           "D-5:6 E-5:2 D-5:4 B-4:4 "
           "E-5:6 F-5:2 E-5:4 C-5:4 "
           "A-4:6 B-4:2 C-5:4 E-5:4 "
           "F-5:6 G-5:2 A-5:4 F-5:4 "
           "G#5:6 F-5:2 E-5:4 D-5:4 "
           "C-5:4 B-4:4 A-4:8 r:16 "
           "C-5:16 D-5:12 r:4");
    Melody(s, Row(10, 0), CounterCh, Voice::Flute, 48, 0,
           "A-4:8 F-4:8 B-4:8 G-4:8 C-5:8 G-4:8 E-4:8 A-4:8 "
           "D-5:8 A-4:8 B-4:8 G#4:8 A-4:16 E-5:4 D-5:4 C-5:4 B-4:4 r:32");
    Play(s, Row(14, 0), FxCh, N("C-4"), Voice::Riser, 50);
    SnareRoll(s, Row(14, 0), Row(14, 64), 16, 60);
    Play(s, Row(14, 48), PercCh, N("C-4"), Voice::ReverseCymbal, 48);
}

// ---- orders 15-18: the climax -------------------------------------------------------------
void Climax(Song* s)
{
    const std::vector<const Chord*> chords = Progression("Am F C G Am F G E");
    for (int bar = 0; bar < 8; ++bar) {
        const int row = Row(15, bar * RowsPerBar);
        const Chord* c = chords[static_cast<size_t>(bar)];
        if (bar % 4 == 0) {
            Crash(s, row, 58);
            Play(s, row, FxCh, N("C-4"), Voice::Impact, 44);
        }
        PadChord(s, row, c, Voice::Pad, 52);
        FullBeat(s, row, bar % 4, bar % 2 == 0 ? Voice::Clap : Voice::Snare);
        BassBar(s, row, c, Voice::Bass, 62, "RROR-ROR-ROR-ROR");
        ArpBar(s, row, c, Voice::Pluck, 38, "0123", 12);
    }
    Melody(s, Row(15, 0), LeadCh, Voice::Lead, 62, 0, ThemeA);
    Melody(s, Row(17, 0), LeadCh, Voice::Lead, 62, 0, ThemeB);
    Melody(s, Row(15, 0), CounterCh, Voice::Bell, 44, 12, ThemeA);
    Melody(s, Row(17, 0), CounterCh, Voice::Bell, 44, 12, ThemeB);
    SnareFill(s, Row(16, 32));
    TomFill(s, Row(18, 48), Row(18, 64), 56);
}

// ---- orders 19-22: the breakdown ----------------------------------------------------------
void Breakdown(Song* s)
{
    const std::vector<const Chord*> chords = Progression("F G Am Em F G Dm E");
    Play(s, Row(19, 0), FxCh, N("C-4"), Voice::Impact, 50);
    Crash(s, Row(19, 0), 44);
    for (int bar = 0; bar < 8; ++bar) {
        const int row = Row(19, bar * RowsPerBar);
        const Chord* c = chords[static_cast<size_t>(bar)];
        PadChord(s, row, c, Voice::Strings, 54);
        BassBar(s, row, c, Voice::SubBass, 58, "R...............");
        ArpBar(s, row, c, Voice::Bell, 36 + (bar >= 6 ? 8 : 0), "0.2.1.3.2.1.3.0.");
        if (bar >= 4 && bar < 6)
            Hats(s, row, "..o...o...o...o.");
        if (bar == 6)
            Steps(s, row, KickCh, Voice::Kick, N("C-4"), "X.......X.......");
        if (bar == 7)
            Steps(s, row, KickCh, Voice::Kick, N("C-4"), "X...X...X...X...");
    }
    // The theme, slowed to half speed, on the flute.
    Melody(s, Row(20, 0), LeadCh, Voice::Flute, 56, 0, "C-5:12 D-5:4 E-5:16 B-4:12 G-4:4 r:16");
    Melody(s, Row(21, 0), CounterCh, Voice::Piano, 50, 0, "A-4:4 C-5:4 E-5:8 D-5:4 C-5:4 B-4:8 r:32");
    SnareRoll(s, Row(22, 16), Row(22, 64), 12, 56);
    Play(s, Row(22, 0), FxCh, N("C-4"), Voice::Riser, 46);
    Play(s, Row(22, 48), PercCh, N("C-4"), Voice::ReverseCymbal, 44);
    Melody(s, Row(22, 0), LeadCh, Voice::Lead, 50, 0, "D-5:16 E-5:14 r:2");
}

// ---- orders 23-29: the credits ------------------------------------------------------------
void Credits(Song* s)
{
    const std::vector<const Chord*> chords = Progression("Am F Am F C G Am F G E F G Dm E");
    Crash(s, Row(23, 0), 46);
    for (int bar = 0; bar < 14; ++bar) {
        const int row = Row(23, bar * RowsPerBar);
        const Chord* c = chords[static_cast<size_t>(bar)];
        // E-piano chords in a lazy dotted rhythm.
        for (int hit : {0, 12, 24})
            PadChord(s, row + hit, c, Voice::Piano, hit == 0 ? 52 : 42);
        const bool last = bar == 13;
        Steps(s, row, KickCh, Voice::Kick, N("C-4"), last ? "X..............." : "X.........X.....");
        if (!last)
            Steps(s, row, SnareCh, Voice::Snare, N("C-4"), bar % 4 == 3 ? "....o.......x.oo" : "....o.......o...");
        Steps(s, row, HatCh, Voice::Ride, N("C-4"), last ? "x..............." : "x.o.x.o.x.o.x.o.");
        BassBar(s, row, c, Voice::Bass, 54, last ? "R..............." : "R.....R-..R.O.-.");
        if (bar >= 2 && bar < 10)
            ArpBar(s, row, c, Voice::Pluck, 24, "0123", 12);
    }
    // The last statement of the theme, then a coda that closes it on the dominant.
    Melody(s, Row(24, 0), LeadCh, Voice::Lead, 54, 0, ThemeA);
    Melody(s, Row(26, 0), LeadCh, Voice::Lead, 54, 0,
           "E-5:6 D-5:2 C-5:4 A-4:4 "
           "F-5:6 E-5:2 D-5:4 C-5:4 "
           "B-4:4 C-5:4 D-5:4 G-5:4 "
           "E-5:6 D-5:2 B-4:4 G#4:4");
    Melody(s, Row(24, 0), CounterCh, Voice::Strings, 40, 0, "E-4:16 F-4:16 E-4:16 D-4:16");
    Melody(s, Row(26, 0), CounterCh, Voice::Strings, 40, 0, "C-4:16 C-4:16 D-4:16 B-3:16");
    Melody(s, Row(28, 0), LeadCh, Voice::Lead, 52, 0,
           "F-5:6 E-5:2 D-5:4 C-5:4 "
           "D-5:6 C-5:2 B-4:4 G-4:4 "
           "A-4:6 B-4:2 C-5:4 D-5:4 "
           "B-4:8 G#4:8");
    Melody(s, Row(28, 0), CounterCh, Voice::Bell, 40, 12, "r:8 C-5:8 r:8 B-4:8 r:8 A-4:8 r:8 G#4:8");
}

// ---- order 30: the final chord, dying away; order 31 silent ------------------------------
void Ending(Song* s)
{
    const Chord* am = ChordNamed("Am");
    const int row = Row(30, 0);
    Crash(s, row, 50);
    Play(s, row, FxCh, N("C-4"), Voice::Impact, 54);
    Play(s, row, KickCh, N("C-4"), Voice::Kick, 56);
    PadChord(s, row, am, Voice::Strings, 48);
    Play(s, row, BassCh, am->bass, Voice::SubBass, 50);
    Play(s, row, LeadCh, N("A-4"), Voice::Lead, 44);
    Play(s, row, CounterCh, N("A-5"), Voice::Bell, 40);
    Play(s, row, ArpCh, N("E-5"), Voice::Pluck, 30);
    // Everything held fades by sliding the channel volume down, slowly at first, and is let go at
    // row 40, so that the releases are over before order 31, which stays silent.
    for (int ch : {BassCh, LeadCh, Pad1Ch, Pad2Ch, Pad3Ch})
        for (int r = 4; r < 40; r += r < 28 ? 2 : 1)
            CellAt(s, Row(30, r), ch)->volume = VolumeSlideDown | 1;
    for (int ch = 0; ch < Channels; ++ch)
        Release(s, Row(30, 40), ch);
}

// Cuts the grid into one pattern per order and keeps each distinct pattern once.
void CutPatterns(Song* s, XmModule* m)
{
    for (int order = 0; order < Orders; ++order) {
        XmPattern p = MakeXmPattern(RowsPerOrder, Channels);
        for (int row = 0; row < RowsPerOrder; ++row)
            for (int ch = 0; ch < Channels; ++ch)
                *XmCellAt(&p, Channels, row, ch) = *CellAt(s, Row(order, row), ch);
        size_t index = 0;
        while (index < m->patterns.size()) {
            const XmPattern& q = m->patterns[index];
            bool same = true;
            for (size_t i = 0; i < q.cells.size() && same; ++i) {
                const XmCell& a = q.cells[i];
                const XmCell& b = p.cells[i];
                same = a.note == b.note && a.instrument == b.instrument && a.volume == b.volume &&
                       a.effect == b.effect && a.param == b.param;
            }
            if (same)
                break;
            ++index;
        }
        if (index == m->patterns.size())
            m->patterns.push_back(p);
        m->orders.push_back(static_cast<uint8_t>(index));
    }
}

}  // namespace

bool ComposeSoundtrack(XmModule* m, std::string* error)
{
    ScoreFault.clear();
    *m = XmModule{};
    m->name = "";
    m->trackerName = "tools/compose";
    m->channels = Channels;
    m->tempo = ShowTempo;
    m->bpm = ShowBpm;
    m->linearFrequencies = true;
    m->restart = 0;
    m->instruments.resize(VoiceCount);
    SynthesiseInstruments(m->instruments.data(), VoiceCount);
    // The module says how it is remade, where a tracker shows it: in the first sample's name.
    m->instruments[0].samples[0].name = "make: regenerate-music";

    Song song;
    song.cells.assign(static_cast<size_t>(TotalRows) * Channels, XmCell{});
    Opening(&song);
    BuildUp(&song);
    Drop(&song);
    Theme(&song);
    Development(&song);
    Climax(&song);
    Breakdown(&song);
    Credits(&song);
    Ending(&song);
    CutPatterns(&song, m);
    *error = ScoreFault;
    return error->empty();
}

bool ComposeSoundtrackBytes(std::vector<uint8_t>* bytes, std::string* error)
{
    bytes->clear();
    XmModule module;
    return ComposeSoundtrack(&module, error) && EncodeXm(&module, bytes, error);
}
