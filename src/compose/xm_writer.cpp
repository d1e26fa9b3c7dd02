#include "compose/xm_writer.h"

#include <string_view>

#include "bytes/little_endian.h"
#include "compose/xm_layout.h"

namespace {

constexpr uint8_t XmSample16Bit = 0x10;
constexpr uint8_t XmHighestEffect = 35;  // 'Z'

// A text field of fixed width, padded with pad bytes.
void PutText(std::vector<uint8_t>* out, std::string_view text, size_t width, uint8_t pad)
{
    for (size_t i = 0; i < width; ++i)
        out->push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : pad);
}

std::string CheckEnvelope(const XmEnvelope* e, int instrument, const char* which)
{
    const long n = static_cast<long>(e->points.size());
    if (n > XmMaxEnvelopePoints)
        return "instrument " + std::to_string(instrument) + ": the " + which + " envelope has " +
               std::to_string(n) + " points, at most 12 are allowed";
    if (e->enabled && n == 0)
        return "instrument " + std::to_string(instrument) + ": the " + which + " envelope is enabled but has no points";
    for (long i = 0; i < n; ++i) {
        if (e->points[i].value > 64)
            return "instrument " + std::to_string(instrument) + ": " + which + " envelope point " +
                   std::to_string(i) + " has value " + std::to_string(e->points[i].value) + ", above 64";
        if (i > 0 && e->points[i].tick <= e->points[i - 1].tick)
            return "instrument " + std::to_string(instrument) + ": " + which + " envelope point " +
                   std::to_string(i) + " does not come after the point before it";
    }
    if (e->sustain && e->sustainPoint >= n)
        return "instrument " + std::to_string(instrument) + ": the " + which + " envelope's sustain point " +
               std::to_string(e->sustainPoint) + " is not one of its " + std::to_string(n) + " points";
    if (e->loop && (e->loopStart > e->loopEnd || e->loopEnd >= n))
        return "instrument " + std::to_string(instrument) + ": the " + which + " envelope's loop " +
               std::to_string(e->loopStart) + ".." + std::to_string(e->loopEnd) + " is not a range of its " +
               std::to_string(n) + " points";
    return "";
}

std::string CheckSample(const XmSample* s, int instrument, int index)
{
    const std::string where = "instrument " + std::to_string(instrument) + " sample " + std::to_string(index);
    if (s->name.size() > XmLongNameLength)
        return where + ": the name is longer than 22 characters";
    if (s->volume > 64)
        return where + ": volume " + std::to_string(s->volume) + " is above 64";
    if (s->data.size() > 0x3FFFFFFF)
        return where + ": the sample is too long for the format";
    if (s->loop != XmLoop::None && s->loop != XmLoop::Forward && s->loop != XmLoop::PingPong)
        return where + ": unknown loop type";
    if (s->loop != XmLoop::None) {
        if (s->loopLength == 0)
            return where + ": a loop must be at least one frame long";
        if (static_cast<uint64_t>(s->loopStart) + s->loopLength > s->data.size())
            return where + ": the loop " + std::to_string(s->loopStart) + "+" + std::to_string(s->loopLength) +
                   " runs past the end of the " + std::to_string(s->data.size()) + " frames";
    }
    return "";
}

std::string CheckInstrument(const XmInstrument* in, int number)
{
    const std::string where = "instrument " + std::to_string(number);
    if (in->name.size() > XmLongNameLength)
        return where + ": the name is longer than 22 characters";
    if (in->samples.size() > XmMaxSamples)
        return where + ": " + std::to_string(in->samples.size()) + " samples, at most 16 are allowed";
    if (!in->samples.empty()) {
        for (size_t k = 0; k < in->keymap.size(); ++k)
            if (in->keymap[k] >= in->samples.size())
                return where + ": note " + std::to_string(k + 1) + " maps to sample " +
                       std::to_string(in->keymap[k]) + ", but there are " + std::to_string(in->samples.size());
    }
    std::string fault = CheckEnvelope(&in->volumeEnvelope, number, "volume");
    if (fault.empty())
        fault = CheckEnvelope(&in->panningEnvelope, number, "panning");
    if (!fault.empty())
        return fault;
    for (size_t i = 0; i < in->samples.size(); ++i) {
        fault = CheckSample(&in->samples[i], number, static_cast<int>(i));
        if (!fault.empty())
            return fault;
    }
    return "";
}

std::string CheckPattern(const XmModule* m, const XmPattern* p, int number)
{
    const std::string where = "pattern " + std::to_string(number);
    if (p->rows < 1 || p->rows > XmMaxRows)
        return where + ": " + std::to_string(p->rows) + " rows, a pattern has 1..256";
    if (p->cells.size() != static_cast<size_t>(p->rows) * m->channels)
        return where + ": " + std::to_string(p->cells.size()) + " cells, but " + std::to_string(p->rows) +
               " rows of " + std::to_string(m->channels) + " channels need " +
               std::to_string(p->rows * m->channels);
    for (size_t i = 0; i < p->cells.size(); ++i) {
        const XmCell* c = &p->cells[i];
        const std::string cell = where + " row " + std::to_string(i / m->channels) + " channel " +
                                 std::to_string(i % m->channels);
        if (c->note > XmKeyOff)
            return cell + ": note " + std::to_string(c->note) + " is not 0..97";
        if (c->instrument > m->instruments.size())
            return cell + ": instrument " + std::to_string(c->instrument) + ", but there are " +
                   std::to_string(m->instruments.size());
        if ((c->volume > 0 && c->volume < 0x10) || (c->volume > 0x50 && c->volume < 0x60))
            return cell + ": volume column byte " + std::to_string(c->volume) + " has no meaning";
        if (c->effect > XmHighestEffect)
            return cell + ": effect " + std::to_string(c->effect) + " is not 0..35";
    }
    return "";
}

// The cell in FT2's packed form: five plain bytes when every field is present, otherwise a flag
// byte (bit 7 set, bits 0..4 telling which fields follow) and the fields present.
void PackCell(const XmCell* c, std::vector<uint8_t>* out)
{
    const bool present[5] = {c->note != 0, c->instrument != 0, c->volume != 0, c->effect != 0, c->param != 0};
    const uint8_t fields[5] = {c->note, c->instrument, c->volume, c->effect, c->param};
    uint8_t flags = 0x80;
    for (int i = 0; i < 5; ++i)
        if (present[i])
            flags |= static_cast<uint8_t>(1 << i);
    if (flags == 0x9F) {
        for (uint8_t f : fields)
            out->push_back(f);
        return;
    }
    out->push_back(flags);
    for (int i = 0; i < 5; ++i)
        if (present[i])
            out->push_back(fields[i]);
}

void PutEnvelopePoints(const XmEnvelope* e, std::vector<uint8_t>* out)
{
    for (int i = 0; i < XmMaxEnvelopePoints; ++i) {
        const bool used = i < static_cast<int>(e->points.size());
        PutU16(out, used ? e->points[i].tick : 0);
        PutU16(out, used ? e->points[i].value : 0);
    }
}

uint8_t EnvelopeFlags(const XmEnvelope* e)
{
    return static_cast<uint8_t>((e->enabled ? 1 : 0) | (e->sustain ? 2 : 0) | (e->loop ? 4 : 0));
}

void PutInstrument(const XmInstrument* in, std::vector<uint8_t>* out)
{
    const size_t start = out->size();
    const bool hasSamples = !in->samples.empty();
    PutU32(out, hasSamples ? XmInstrumentHeaderSize : XmEmptyInstrumentHeaderSize);
    PutText(out, in->name, XmLongNameLength, 0);
    PutU8(out, 0);  // instrument type, always 0
    PutU16(out, static_cast<uint32_t>(in->samples.size()));
    if (!hasSamples)
        return;
    PutU32(out, XmSampleHeaderSize);
    for (uint8_t k : in->keymap)
        PutU8(out, k);
    PutEnvelopePoints(&in->volumeEnvelope, out);
    PutEnvelopePoints(&in->panningEnvelope, out);
    PutU8(out, static_cast<uint32_t>(in->volumeEnvelope.points.size()));
    PutU8(out, static_cast<uint32_t>(in->panningEnvelope.points.size()));
    PutU8(out, in->volumeEnvelope.sustainPoint);
    PutU8(out, in->volumeEnvelope.loopStart);
    PutU8(out, in->volumeEnvelope.loopEnd);
    PutU8(out, in->panningEnvelope.sustainPoint);
    PutU8(out, in->panningEnvelope.loopStart);
    PutU8(out, in->panningEnvelope.loopEnd);
    PutU8(out, EnvelopeFlags(&in->volumeEnvelope));
    PutU8(out, EnvelopeFlags(&in->panningEnvelope));
    PutU8(out, in->vibratoType);
    PutU8(out, in->vibratoSweep);
    PutU8(out, in->vibratoDepth);
    PutU8(out, in->vibratoRate);
    PutU16(out, in->fadeout);
    while (out->size() - start < XmInstrumentHeaderSize)
        PutU8(out, 0);  // reserved

    for (const XmSample& s : in->samples) {
        PutU32(out, static_cast<uint32_t>(s.data.size() * 2));
        const bool looped = s.loop != XmLoop::None;
        PutU32(out, looped ? s.loopStart * 2 : 0);
        PutU32(out, looped ? s.loopLength * 2 : 0);
        PutU8(out, s.volume);
        PutU8(out, static_cast<uint8_t>(s.finetune));
        PutU8(out, static_cast<uint8_t>(s.loop) | XmSample16Bit);
        PutU8(out, s.panning);
        PutU8(out, static_cast<uint8_t>(s.relativeNote));
        PutU8(out, 0);  // plain delta coding
        PutText(out, s.name, XmLongNameLength, 0);
    }
    // Sample data is stored as deltas of successive values, wrapping in 16 bits.
    for (const XmSample& s : in->samples) {
        int16_t previous = 0;
        for (int16_t v : s.data) {
            PutU16(out, static_cast<uint16_t>(v - previous));
            previous = v;
        }
    }
}

}  // namespace

namespace {

std::string ModuleFault(const XmModule* m)
{
    if (m->name.size() > XmNameLength)
        return "the module name is longer than 20 characters";
    if (m->trackerName.size() > XmNameLength)
        return "the tracker name is longer than 20 characters";
    if (m->channels < 1 || m->channels > XmMaxChannels)
        return "the module has " + std::to_string(m->channels) + " channels, an XM module has 1..32";
    if (m->orders.empty() || m->orders.size() > XmMaxOrders)
        return "the order list has " + std::to_string(m->orders.size()) + " entries, an XM module has 1..256";
    if (m->restart >= m->orders.size())
        return "restart position " + std::to_string(m->restart) + " is past the end of the " +
               std::to_string(m->orders.size()) + " orders";
    if (m->patterns.empty() || m->patterns.size() > XmMaxPatterns)
        return "the module has " + std::to_string(m->patterns.size()) + " patterns, an XM module has 1..256";
    if (m->instruments.size() > XmMaxInstruments)
        return "the module has " + std::to_string(m->instruments.size()) + " instruments, at most 128 are allowed";
    if (m->tempo < 1 || m->tempo > 31)
        return "tempo " + std::to_string(m->tempo) + " ticks per row is not 1..31";
    if (m->bpm < 32 || m->bpm > 255)
        return "BPM " + std::to_string(m->bpm) + " is not 32..255";
    for (size_t i = 0; i < m->orders.size(); ++i)
        if (m->orders[i] >= m->patterns.size())
            return "order " + std::to_string(i) + " names pattern " + std::to_string(m->orders[i]) +
                   ", but there are " + std::to_string(m->patterns.size());
    for (size_t i = 0; i < m->patterns.size(); ++i) {
        std::string fault = CheckPattern(m, &m->patterns[i], static_cast<int>(i));
        if (!fault.empty())
            return fault;
    }
    for (size_t i = 0; i < m->instruments.size(); ++i) {
        std::string fault = CheckInstrument(&m->instruments[i], static_cast<int>(i + 1));
        if (!fault.empty())
            return fault;
    }
    return "";
}

}  // namespace

bool CheckXm(const XmModule* m, std::string* error)
{
    *error = ModuleFault(m);
    return error->empty();
}

bool EncodeXm(const XmModule* m, std::vector<uint8_t>* out, std::string* error)
{
    if (!CheckXm(m, error))
        return false;

    PutText(out, "Extended Module: ", XmIdLength, ' ');
    PutText(out, m->name, XmNameLength, ' ');
    PutU8(out, XmMark);
    PutText(out, m->trackerName, XmNameLength, ' ');
    PutU16(out, XmVersion);
    PutU32(out, XmHeaderSize);
    PutU16(out, static_cast<uint32_t>(m->orders.size()));
    PutU16(out, m->restart);
    PutU16(out, m->channels);
    PutU16(out, static_cast<uint32_t>(m->patterns.size()));
    PutU16(out, static_cast<uint32_t>(m->instruments.size()));
    PutU16(out, m->linearFrequencies ? 1 : 0);
    PutU16(out, m->tempo);
    PutU16(out, m->bpm);
    for (size_t i = 0; i < XmOrderTableLength; ++i)
        PutU8(out, i < m->orders.size() ? m->orders[i] : 0);

    for (const XmPattern& p : m->patterns) {
        PutU32(out, XmPatternHeaderSize);
        PutU8(out, 0);  // packing type
        PutU16(out, p.rows);
        const size_t sizeAt = out->size();
        PutU16(out, 0);
        const size_t dataStart = out->size();
        for (const XmCell& c : p.cells)
            PackCell(&c, out);
        const size_t packed = out->size() - dataStart;
        if (packed > 0xFFFF)
        {
            *error = "internal: packed pattern larger than 65535 bytes";  // cannot happen: 256 x 32 x 5 < 65536
            return false;
        }
        PatchU16(out, sizeAt, static_cast<uint32_t>(packed));
    }
    for (const XmInstrument& in : m->instruments)
        PutInstrument(&in, out);
    return true;
}

XmPattern MakeXmPattern(uint16_t rows, uint16_t channels)
{
    XmPattern p;
    p.rows = rows;
    p.cells.assign(static_cast<size_t>(rows) * channels, XmCell{});
    return p;
}

XmCell* XmCellAt(XmPattern* pattern, uint16_t channels, int row, int channel)
{
    return &pattern->cells[static_cast<size_t>(row) * channels + channel];
}
