// The XM writer: a plain record of a tracker module (orders, patterns of cells, instruments with
// 16-bit samples and envelopes) turned into the bytes of an Extended Module, version 0x0104.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Pattern note values: 0 is an empty note column, 1..96 are C-0..B-7, 97 releases the note.
constexpr uint8_t XmNoNote = 0;
constexpr uint8_t XmKeyOff = 97;
constexpr uint8_t XmNoteC4 = 49;
constexpr int XmMaxChannels = 32;
constexpr int XmMaxRows = 256;
constexpr int XmMaxOrders = 256;
constexpr int XmMaxPatterns = 256;
constexpr int XmMaxInstruments = 128;
constexpr int XmMaxSamples = 16;
constexpr int XmMaxEnvelopePoints = 12;

// One cell of a pattern. volume is the raw volume column (0 empty, 0x10..0x50 a volume, above that
// the volume-column effects); effect and param are the effect column (effect 0 with param 0 is empty).
struct XmCell {
    uint8_t note = XmNoNote;
    uint8_t instrument = 0;  // 0 none, 1..128
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t param = 0;
};

// rows x channels cells, row after row: cell (row, channel) at row * channels + channel.
struct XmPattern {
    uint16_t rows = 64;
    std::vector<XmCell> cells;
};

struct XmEnvelopePoint {
    uint16_t tick;
    uint16_t value;  // 0..64
};

// An envelope is used only when enabled; sustain and loop indices refer to points.
struct XmEnvelope {
    std::vector<XmEnvelopePoint> points;
    bool enabled = false;
    bool sustain = false;
    bool loop = false;
    uint8_t sustainPoint = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
};

enum class XmLoop : uint8_t { None = 0, Forward = 1, PingPong = 2 };

// A 16-bit sample; loopStart and loopLength count sample frames, not bytes.
struct XmSample {
    std::string name;
    std::vector<int16_t> data;
    XmLoop loop = XmLoop::None;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    uint8_t volume = 64;   // 0..64
    int8_t finetune = 0;   // 1/128 semitone steps
    uint8_t panning = 128; // 0 left .. 255 right
    int8_t relativeNote = 0;
};

struct XmInstrument {
    std::string name;
    std::vector<XmSample> samples;
    std::array<uint8_t, 96> keymap{};  // sample index for each note C-0..B-7
    XmEnvelope volumeEnvelope;
    XmEnvelope panningEnvelope;
    uint16_t fadeout = 0;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
};

struct XmModule {
    std::string name;         // at most 20 characters, padded with spaces
    std::string trackerName;  // at most 20 characters, padded with spaces
    uint16_t channels = 2;
    uint16_t restart = 0;
    bool linearFrequencies = true;
    uint16_t tempo = 6;   // ticks per row
    uint16_t bpm = 125;
    std::vector<uint8_t> orders;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// Checks the module against the format's limits; false when it cannot be written, with one
// sentence naming the first rule broken (e.g. "order 3 names pattern 9, but there are 4").
[[nodiscard]] bool CheckXm(const XmModule* module, std::string* error);

// Appends the module's XM bytes to out; when CheckXm finds a fault, writes nothing and returns
// false with that fault.
[[nodiscard]] bool EncodeXm(const XmModule* module, std::vector<uint8_t>* out, std::string* error);

// Makes an empty pattern of the given size (all cells empty).
XmPattern MakeXmPattern(uint16_t rows, uint16_t channels);

// The cell at (row, channel) of a pattern built for the given channel count.
XmCell* XmCellAt(XmPattern* pattern, uint16_t channels, int row, int channel);
