#include "asset_checks.h"

#include <cstdio>
#include <cstring>

#include <stb_image.h>

#include "assets/layout.h"
#include "bytes/little_endian.h"
#include "compose/xm_layout.h"

namespace {

constexpr int PictureWidth = 320, PictureHeight = 240;
constexpr uint16_t White = 0xFFFF, Black = 0x0000;

std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// Where buffer pixel (x, y) lies in the landscape picture, as the artist sees it.
std::string PicturePixel(int x, int y)
{
    char text[24];
    std::snprintf(text, sizeof text, "(%d, %d)", 319 - y, x);
    return text;
}

// A character as a message shows it: printable ones quoted, the rest by code.
std::string Describe(char c)
{
    const auto code = static_cast<unsigned char>(c);
    if (c == ' ')
        return "a space";
    if (code >= 0x21 && code < 0x7F)
        return std::string("'") + c + "'";
    if (c == '\t')
        return "a tab";
    return "the byte " + Hex(code, 2);
}

// The glyph that buffer pixel (x, y) belongs to in the supplied font, or -1.
int GlyphAt(int x, int y)
{
    if (y < FontTopRow || y > FontBoxBottom)
        return -1;
    const int k = (y - FontTopRow) / GlyphRows;
    if (x >= FontFirstColumn && x < FontFirstColumn + GlyphPixels)
        return 25 - k;
    if (x >= FontSecondColumn && x < FontSecondColumn + FontSecondLinePixels)
        return 51 - k;
    return -1;
}

}  // namespace

static std::string LoadPngFault(const std::string& path, Image* image)
{
    int width = 0, height = 0, channels = 0;
    uint8_t* rgba = stbi_load(path.c_str(), &width, &height, &channels, 4);
    if (rgba == nullptr)
        return std::string("is not a readable PNG (") + stbi_failure_reason() + ")";
    image->width = width;
    image->height = height;
    image->pixels.assign(size_t(width) * height, 0);
    std::string fault;
    for (size_t i = 0; i < image->pixels.size(); ++i) {
        const uint8_t* p = rgba + 4 * i;
        if (p[3] != 255 && fault.empty())
            fault = "pixel (" + std::to_string(i % width) + ", " + std::to_string(i / width) + ") has alpha " +
                    std::to_string(p[3]) + "; every pixel must be opaque, the screen has no transparency";
        image->pixels[i] = PackRgb565(p[0], p[1], p[2]);
    }
    stbi_image_free(rgba);
    return fault;
}

static std::string CheckImageSizeFault(const Image* image, int width, int height)
{
    if (image->width == width && image->height == height)
        return "";
    return "must be " + std::to_string(width) + " x " + std::to_string(height) + " pixels, is " +
           std::to_string(image->width) + " x " + std::to_string(image->height);
}

std::vector<uint16_t> ToBufferLayout(const Image* picture)
{
    std::vector<uint16_t> buffer(size_t(PictureWidth) * PictureHeight);
    for (int y = 0; y < PictureWidth; ++y)
        for (int x = 0; x < PictureHeight; ++x)
            buffer[size_t(y) * PictureHeight + x] = picture->pixels[size_t(x) * PictureWidth + (PictureWidth - 1 - y)];
    return buffer;
}

static std::string CheckScrollerPictureFault(const Image* picture)
{
    std::string fault = CheckImageSizeFault(picture, PictureWidth, PictureHeight);
    if (!fault.empty())
        return fault;
    const std::vector<uint16_t> buffer = ToBufferLayout(picture);
    auto at = [&](int x, int y) { return buffer[size_t(y) * PictureHeight + x]; };

    const int top = TextWindowTop - FrameWidth, bottom = TextWindowBottom + FrameWidth;
    const int left = TextWindowLeft - FrameWidth, right = TextWindowRight + FrameWidth;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            const bool inside = y >= TextWindowTop && y <= TextWindowBottom && x >= TextWindowLeft && x <= TextWindowRight;
            if (!inside && at(x, y) != White)
                return "pixel " + PicturePixel(x, y) + " is " + Hex(at(x, y), 4) +
                       ", but the white frame around the text window (X " + std::to_string(319 - bottom) + ".." +
                       std::to_string(319 - top) + ", Y " + std::to_string(left) + ".." + std::to_string(right) + ", " +
                       std::to_string(FrameWidth) + " pixels wide) must be 0xFFFF";
        }

    bool ink[FontGlyphCount] = {};
    for (int y = FontBoxTop; y <= FontBoxBottom; ++y)
        for (int x = FontBoxLeft; x <= FontBoxRight; ++x) {
            const int glyph = GlyphAt(x, y);
            const uint16_t p = at(x, y);
            if (glyph < 0 && p != Black)
                return "pixel " + PicturePixel(x, y) + " is " + Hex(p, 4) + ", but the box around the font (X " +
                       std::to_string(319 - FontBoxBottom) + ".." + std::to_string(319 - FontBoxTop) + ", Y " +
                       std::to_string(FontBoxLeft) + ".." + std::to_string(FontBoxRight) +
                       ") must be black 0x0000 outside the glyphs";
            if (glyph >= 0 && p != Black && p != White)
                return "pixel " + PicturePixel(x, y) + " of glyph " + std::to_string(glyph) + " is " + Hex(p, 4) +
                       "; glyph pixels must be white 0xFFFF or black 0x0000";
            if (glyph >= 0 && p == White)
                ink[glyph] = true;
        }
    for (int g = 0; g < FontGlyphCount; ++g) {
        const bool space = FontCharset[g] == ' ';
        if (ink[g] == space)
            return "glyph " + std::to_string(g) + " (" + Describe(FontCharset[g]) + ") " +
                   (space ? "holds white pixels; the space glyphs must be blank"
                          : "is blank; every glyph but the spaces needs white pixels");
    }
    return "";
}

static std::string CheckScrollTextFault(std::string_view file, std::vector<std::string>* lines)
{
    std::vector<std::string> found;
    size_t start = 0;
    while (start < file.size()) {
        size_t end = file.find('\n', start);
        if (end == std::string_view::npos)
            end = file.size();
        found.emplace_back(file.substr(start, end - start));
        start = end + 1;
    }
    if (found.size() != ScrollLines)
        return "must hold " + std::to_string(ScrollLines) + " lines, holds " + std::to_string(found.size());
    for (size_t j = 0; j < found.size(); ++j) {
        const std::string& line = found[j];
        const std::string where = "line " + std::to_string(j + 1);
        if (!line.empty() && line.back() == '\r')
            return where + " ends with a carriage return; lines end with a plain newline";
        if (line.size() != ScrollColumns)
            return where + " must hold " + std::to_string(ScrollColumns) + " characters, holds " +
                   std::to_string(line.size());
        for (size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '\0' || std::strchr(FontCharset, c) == nullptr)
                return where + ", column " + std::to_string(i + 1) + ": " + Describe(c) + " is not in the font" +
                       (c >= 'A' && c <= 'Z' ? " (it has no capital letters; write lower case)" : "");
        }
        const bool blankLine = line.find_first_not_of(' ') == std::string::npos;
        const bool mustBeBlank = int(j) < ScrollLeadInLines || int(j) >= ScrollLines - ScrollRunOutLines;
        if (mustBeBlank && !blankLine)
            return where + " must be blank: lines 1.." + std::to_string(ScrollLeadInLines) + " and " +
                   std::to_string(ScrollLines - ScrollRunOutLines + 1) + ".." + std::to_string(ScrollLines) +
                   " let the text enter at the window's bottom edge and come to rest above it";
    }
    *lines = std::move(found);
    return "";
}

// ---- XM modules -------------------------------------------------------------------------------

namespace {

constexpr int ShowOrders = 32;
constexpr int ShowRows = 64;
constexpr int ShowTempo = 3;
constexpr int ShowBpm = 125;

bool Fits(std::span<const uint8_t> b, uint64_t at, uint64_t n)
{
    return at <= b.size() && n <= b.size() - at;
}

// Why a command breaks the timing the scenes rely on, or "" for a harmless one.
std::string ForbiddenCommand(uint8_t effect, uint8_t param)
{
    switch (effect) {
    case 0x0F: return "sets the speed or tempo";
    case 0x0B: return "jumps to another order";
    case 0x0D: return "breaks the pattern";
    case 0x0E:
        if (param >> 4 == 0x6)
            return "loops part of the pattern";
        if (param >> 4 == 0xE)
            return "delays the pattern";
        return "";
    default: return "";
    }
}

std::string CommandName(uint8_t effect, uint8_t param)
{
    const char letter = effect < 10 ? char('0' + effect) : char('A' + effect - 10);
    char text[8];
    std::snprintf(text, sizeof text, "%c%02X", letter, param);
    return text;
}

// Decodes one pattern's packed cells, rows x channels of them, from data; refuses data that ends
// inside a cell or holds more than the cells, and any forbidden command.
std::string CheckPatternCells(std::span<const uint8_t> data, int pattern, int rows, int channels)
{
    size_t at = 0;
    auto next = [&](uint8_t* value) {
        if (at >= data.size())
            return false;
        *value = data[at++];
        return true;
    };
    const std::string where = "pattern " + std::to_string(pattern);
    for (int row = 0; row < rows; ++row)
        for (int channel = 0; channel < channels; ++channel) {
            uint8_t fields[5] = {};  // note, instrument, volume, effect, parameter
            uint8_t first = 0;
            bool complete = next(&first);
            if (complete && (first & 0x80) != 0) {
                for (int f = 0; f < 5 && complete; ++f)
                    if (first & (1 << f))
                        complete = next(&fields[f]);
            } else if (complete) {
                fields[0] = first;
                for (int f = 1; f < 5 && complete; ++f)
                    complete = next(&fields[f]);
            }
            if (!complete)
                return where + "'s packed data ends inside row " + std::to_string(row) + ", channel " +
                       std::to_string(channel) + "; it must hold " + std::to_string(rows) + " rows of " +
                       std::to_string(channels) + " channels";
            const std::string why = ForbiddenCommand(fields[3], fields[4]);
            if (!why.empty())
                return where + ", row " + std::to_string(row) + ", channel " + std::to_string(channel) + " holds " +
                       CommandName(fields[3], fields[4]) + ", which " + why +
                       "; the scenes need 3 ticks per row at 125 BPM and the orders played in turn";
        }
    if (at != data.size())
        return where + "'s packed data holds " + std::to_string(data.size() - at) + " bytes more than its " +
               std::to_string(rows) + " rows of " + std::to_string(channels) + " channels";
    return "";
}

}  // namespace

static std::string CheckModuleFault(std::span<const uint8_t> b)
{
    static constexpr char Id[] = "Extended Module: ";
    if (!Fits(b, 0, XmFixedHeaderBytes) || std::memcmp(b.data() + XmIdAt, Id, XmIdLength) != 0 || b[XmMarkAt] != XmMark)
        return "is not an XM module (no \"Extended Module: \" header)";
    const uint16_t version = U16(b, XmVersionAt);
    if (version != XmVersion)
        return "is XM version " + Hex(version, 4) + "; the build reads version 0x0104";
    const uint32_t headerSize = U32(b, XmHeaderSizeAt);
    const uint16_t songLength = U16(b, XmSongLengthAt), channels = U16(b, XmChannelsAt), patterns = U16(b, XmPatternsAt);
    const uint16_t instruments = U16(b, XmInstrumentsAt), tempo = U16(b, XmTempoAt), bpm = U16(b, XmBpmAt);
    if (songLength < ShowOrders)
        return "has " + std::to_string(songLength) + " orders; the show needs at least " + std::to_string(ShowOrders);
    if (songLength > 256 || patterns > 256 || instruments > 128 || channels < 1 || channels > 32)
        return "is not an XM module (" + std::to_string(songLength) + " orders, " + std::to_string(patterns) +
               " patterns, " + std::to_string(instruments) + " instruments, " + std::to_string(channels) +
               " channels are beyond the format's limits of 256, 256, 128, 1..32)";
    if (headerSize < XmOrdersAt - XmHeaderSizeAt + songLength || !Fits(b, XmHeaderSizeAt, headerSize))
        return "is not an XM module (its header size " + std::to_string(headerSize) +
               " does not fit its order list or the file)";
    if (tempo != ShowTempo)
        return "has a default tempo of " + std::to_string(tempo) + " ticks per row; the scenes are timed for " +
               std::to_string(ShowTempo);
    if (bpm != ShowBpm)
        return "has a default BPM of " + std::to_string(bpm) + "; the scenes are timed for " + std::to_string(ShowBpm);
    for (int i = 0; i < ShowOrders; ++i)
        if (b[XmOrdersAt + i] >= patterns)
            return "order " + std::to_string(i) + " names pattern " + std::to_string(b[XmOrdersAt + i]) + ", but the module holds " +
                   std::to_string(patterns) + " patterns";

    std::vector<int> rowsOf(patterns);
    uint64_t at = XmHeaderSizeAt + uint64_t{headerSize};
    for (int p = 0; p < patterns; ++p) {
        if (!Fits(b, at, XmPatternHeaderSize))
            return "is cut short: pattern " + std::to_string(p) + "'s header runs past the end of the file";
        const uint32_t length = U32(b, at + XmPatternLengthAt);
        const uint8_t packing = b[at + XmPatternPackingAt];
        const uint16_t rows = U16(b, at + XmPatternRowsAt), packedSize = U16(b, at + XmPatternPackedAt);
        if (length < XmPatternHeaderSize || packing != 0 || rows < 1 || rows > 256)
            return "is not an XM module (pattern " + std::to_string(p) + " has header size " + std::to_string(length) +
                   ", packing " + std::to_string(packing) + ", " + std::to_string(rows) + " rows)";
        if (!Fits(b, at, uint64_t{length} + packedSize))
            return "is cut short: pattern " + std::to_string(p) + "'s data runs past the end of the file";
        // A packed size of 0 stores an empty pattern.
        if (packedSize > 0) {
            const std::string fault = CheckPatternCells(b.subspan(at + length, packedSize), p, rows, channels);
            if (!fault.empty())
                return fault;
        }
        rowsOf[p] = rows;
        at += uint64_t{length} + packedSize;
    }
    for (int i = 0; i < ShowOrders; ++i)
        if (rowsOf[b[XmOrdersAt + i]] != ShowRows)
            return "order " + std::to_string(i) + " plays pattern " + std::to_string(b[XmOrdersAt + i]) + " of " +
                   std::to_string(rowsOf[b[XmOrdersAt + i]]) + " rows; each of the first " + std::to_string(ShowOrders) +
                   " orders must be " + std::to_string(ShowRows) + " rows long";

    for (int n = 1; n <= instruments; ++n) {
        const std::string cutShort = "is cut short: instrument " + std::to_string(n) + " runs past the end of the file";
        if (!Fits(b, at, XmEmptyInstrumentHeaderSize))
            return cutShort;
        const uint32_t length = U32(b, at + XmInstrumentSizeAt);
        const uint16_t samples = U16(b, at + XmInstrumentSamplesAt);
        uint32_t sampleHeader = 0;
        if (samples > 0) {
            if (length < XmSampleHeaderSizeEnd || !Fits(b, at, XmSampleHeaderSizeEnd))
                return "is not an XM module (instrument " + std::to_string(n) + " has samples but no sample header size)";
            sampleHeader = U32(b, at + XmSampleHeaderSizeAt);
            if (sampleHeader < 4)
                return "is not an XM module (instrument " + std::to_string(n) + " has sample headers of " +
                       std::to_string(sampleHeader) + " bytes)";
        }
        if (!Fits(b, at, length))
            return cutShort;
        at += length;
        uint64_t sampleBytes = 0;
        for (int s = 0; s < samples; ++s) {
            if (!Fits(b, at, sampleHeader))
                return cutShort;
            sampleBytes += U32(b, at + XmSampleLengthAt);
            at += sampleHeader;
        }
        if (!Fits(b, at, sampleBytes))
            return cutShort;
        at += sampleBytes;
    }
    return "";
}

bool LoadPng(const std::string& path, Image* image, std::string* error)
{
    *error = LoadPngFault(path, image);
    return error->empty();
}

bool CheckImageSize(const Image* image, int width, int height, std::string* error)
{
    *error = CheckImageSizeFault(image, width, height);
    return error->empty();
}

bool CheckScrollerPicture(const Image* picture, std::string* error)
{
    *error = CheckScrollerPictureFault(picture);
    return error->empty();
}

bool CheckScrollText(std::string_view file, std::vector<std::string>* lines, std::string* error)
{
    *error = CheckScrollTextFault(file, lines);
    return error->empty();
}

bool CheckModule(std::span<const uint8_t> bytes, std::string* error)
{
    *error = CheckModuleFault(bytes);
    return error->empty();
}
