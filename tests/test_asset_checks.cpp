// The build's refusals of broken assets, checked on assets made in memory.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include "asset_checks.h"
#include "assets/layout.h"
#include "files.h"
#include "compose/xm_layout.h"
#include "compose/xm_writer.h"
#include "support.h"

static testing::AssertionResult Contains(const std::string& text, const std::string& part)
{
    if (text.find(part) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "\"" << text << "\" does not contain \"" << part << "\"";
}

// ---- scroll text --------------------------------------------------------------------------------

static std::vector<std::string> GoodLines()
{
    std::vector<std::string> lines(ScrollLines, std::string(ScrollColumns, ' '));
    lines[14] = "  made by our own tools!  ";
    lines[40] = " #1 \"quote\" & (c) ^+,-.:'#";
    lines[78] = "abcdefghijklmnopqrstuvwxyz";
    return lines;
}

static std::string Join(const std::vector<std::string>& lines, bool finalNewline = true)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += lines[i] + (i + 1 < lines.size() || finalNewline ? "\n" : "");
    return text;
}

static std::string TextFault(const std::vector<std::string>& lines)
{
    std::vector<std::string> parsed;
    return ErrorOf(CheckScrollText, Join(lines), &parsed);
}

TEST(ScrollTextCheck, AcceptsEightyFourLinesOfFontCharactersWithOrWithoutTheLastNewline)
{
    for (bool finalNewline : {true, false}) {
        std::vector<std::string> parsed;
        EXPECT_EQ(ErrorOf(CheckScrollText, Join(GoodLines(), finalNewline), &parsed), "");
        EXPECT_EQ(parsed, GoodLines());
    }
}

TEST(ScrollTextCheck, RefusesTheWrongNumberOfLines)
{
    std::vector<std::string> lines = GoodLines();
    lines.pop_back();
    EXPECT_EQ(TextFault(lines), "must hold 84 lines, holds 83");
    lines = GoodLines();
    lines.push_back(std::string(26, ' '));
    EXPECT_EQ(TextFault(lines), "must hold 84 lines, holds 85");
    std::vector<std::string> parsed;
    EXPECT_EQ(ErrorOf(CheckScrollText, "", &parsed), "must hold 84 lines, holds 0");
    EXPECT_EQ(ErrorOf(CheckScrollText, Join(GoodLines()) + "\n", &parsed), "must hold 84 lines, holds 85");
    EXPECT_TRUE(parsed.empty());
}

TEST(ScrollTextCheck, RefusesALineOfTheWrongLengthNamingItFromOne)
{
    std::vector<std::string> lines = GoodLines();
    lines[20] = std::string(25, 'a');
    EXPECT_EQ(TextFault(lines), "line 21 must hold 26 characters, holds 25");
    lines[20] = std::string(27, 'a');
    EXPECT_EQ(TextFault(lines), "line 21 must hold 26 characters, holds 27");
    lines[20] = "";
    EXPECT_EQ(TextFault(lines), "line 21 must hold 26 characters, holds 0");
}

TEST(ScrollTextCheck, RefusesCharactersOutsideTheFontNamingLineAndColumn)
{
    struct Case { char c; const char* shown; };
    for (const Case& c : {Case{'?', "'?'"}, Case{'\\', "'\\'"}, Case{'\t', "a tab"}, Case{'\0', "the byte 0x00"},
                          Case{'\xE9', "the byte 0xE9"}, Case{'@', "'@'"}}) {
        std::vector<std::string> lines = GoodLines();
        lines[30][5] = c.c;
        EXPECT_EQ(TextFault(lines), std::string("line 31, column 6: ") + c.shown + " is not in the font") << int(c.c);
    }
}

TEST(ScrollTextCheck, RefusesCapitalLettersAndSaysToWriteLowerCase)
{
    std::vector<std::string> lines = GoodLines();
    lines[15][0] = 'S';
    EXPECT_EQ(TextFault(lines),
              "line 16, column 1: 'S' is not in the font (it has no capital letters; write lower case)");
}

TEST(ScrollTextCheck, RefusesWindowsLineEndings)
{
    std::string text = Join(GoodLines());
    text.insert(26, "\r");
    std::vector<std::string> parsed;
    EXPECT_EQ(ErrorOf(CheckScrollText, text, &parsed), "line 1 ends with a carriage return; lines end with a plain newline");
}

TEST(ScrollTextCheck, RefusesTextInTheLeadInAndRunOutLines)
{
    for (int line : {0, 13, 79, 83}) {
        std::vector<std::string> lines = GoodLines();
        lines[line][12] = 'x';
        EXPECT_TRUE(Contains(TextFault(lines), "line " + std::to_string(line + 1) + " must be blank")) << line;
    }
    for (int line : {14, 78}) {
        std::vector<std::string> lines = GoodLines();
        lines[line][12] = 'x';
        EXPECT_EQ(TextFault(lines), "") << line;
    }
}

// ---- pictures -----------------------------------------------------------------------------------

// A 320 x 240 landscape picture, written through buffer coordinates: buffer pixel (x, y) is
// picture pixel (319 - y, x).
struct Landscape {
    Image image{320, 240, std::vector<uint16_t>(320 * 240, 0x1234)};
    uint16_t& Buffer(int x, int y) { return image.pixels[size_t(x) * 320 + (319 - y)]; }
};

// A scroller picture that keeps every rule: coloured surroundings, the white frame, a black
// window and font box, and one white pixel in every glyph but the spaces.
static Landscape GoodScroller()
{
    Landscape p;
    for (int y = TextWindowTop - 3; y <= TextWindowBottom + 3; ++y)
        for (int x = TextWindowLeft - 3; x <= TextWindowRight + 3; ++x)
            p.Buffer(x, y) = 0xFFFF;
    for (int y = TextWindowTop; y <= TextWindowBottom; ++y)
        for (int x = TextWindowLeft; x <= TextWindowRight; ++x)
            p.Buffer(x, y) = 0;
    for (int g = 0; g < FontGlyphCount; ++g)
        if (FontCharset[g] != ' ') {
            const bool first = g < 26;
            const int top = first ? 297 - 8 * g : 505 - 8 * g;
            p.Buffer((first ? 181 : 197) + g % 7, top + g % 8) = 0xFFFF;
        }
    return p;
}

TEST(PictureLayout, TurnsTheLandscapePictureAQuarterTurnCounterClockwise)
{
    Image picture{320, 240, std::vector<uint16_t>(320 * 240)};
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = uint16_t(i);
    const std::vector<uint16_t> buffer = ToBufferLayout(&picture);
    ASSERT_EQ(buffer.size(), 76800u);
    auto pictureAt = [](int X, int Y) { return uint16_t(Y * 320 + X); };
    EXPECT_EQ(buffer[0], pictureAt(319, 0));          // buffer origin: the picture's top right
    EXPECT_EQ(buffer[239], pictureAt(319, 239));      // end of buffer row 0: bottom right
    EXPECT_EQ(buffer[319 * 240], pictureAt(0, 0));    // last buffer row: the picture's left edge
    EXPECT_EQ(buffer[100 * 240 + 7], pictureAt(219, 7));
}

TEST(ScrollerPictureCheck, AcceptsFrameWindowAndFontWhereTheScrollerExpectsThem)
{
    Landscape p = GoodScroller();
    EXPECT_EQ(ErrorOf(CheckScrollerPicture, &p.image), "");
}

TEST(ScrollerPictureCheck, RefusesAGapInAnySideOfTheWhiteFrame)
{
    struct Case { int x, y; const char* pixel; };
    for (const Case& c : {Case{19, 200, "(119, 19)"}, Case{218, 150, "(169, 218)"}, Case{100, 89, "(230, 100)"},
                          Case{21, 308, "(11, 21)"}}) {
        Landscape p = GoodScroller();
        p.Buffer(c.x, c.y) = 0xFFDF;
        EXPECT_EQ(ErrorOf(CheckScrollerPicture, &p.image),
                  std::string("pixel ") + c.pixel + " is 0xFFDF, but the white frame around the text window "
                  "(X 11..230, Y 19..218, 3 pixels wide) must be 0xFFFF");
    }
}

TEST(ScrollerPictureCheck, RefusesAFrameOnePixelOffItsPlace)
{
    Landscape p = GoodScroller();
    for (int x = 19; x <= 218; ++x) {  // move the top side (rows 89..91) up by one row
        p.Buffer(x, 88) = 0xFFFF;
        p.Buffer(x, 91) = 0;
    }
    EXPECT_TRUE(Contains(ErrorOf(CheckScrollerPicture, &p.image), "pixel (228, 19) is 0x0000, but the white frame"));
}

TEST(ScrollerPictureCheck, RefusesAnythingButBlackInTheFontBoxOutsideTheGlyphs)
{
    // Column 209 lies beside the second line of glyphs: pixel 12, which is never copied.
    for (auto [x, y] : {std::pair{179, 96}, std::pair{209, 150}, std::pair{194, 200}, std::pair{210, 304}}) {
        Landscape p = GoodScroller();
        p.Buffer(x, y) = 0xFFFF;
        EXPECT_TRUE(Contains(ErrorOf(CheckScrollerPicture, &p.image), "but the box around the font (X 15..223, Y 179..210) "
                                                              "must be black 0x0000 outside the glyphs"))
            << x << "," << y;
    }
}

TEST(ScrollerPictureCheck, RefusesGlyphPixelsOtherThanWhiteOrBlack)
{
    Landscape p = GoodScroller();
    p.Buffer(185, 300) = 0x8410;
    EXPECT_EQ(ErrorOf(CheckScrollerPicture, &p.image),
              "pixel (19, 185) of glyph 0 is 0x8410; glyph pixels must be white 0xFFFF or black 0x0000");
}

TEST(ScrollerPictureCheck, RefusesABlankCharacterAndInkInASpace)
{
    Landscape p = GoodScroller();
    for (int y = 97; y <= 104; ++y)  // glyph 51, 'z', the last of the second line
        for (int x = 197; x <= 208; ++x)
            p.Buffer(x, y) = 0;
    EXPECT_EQ(ErrorOf(CheckScrollerPicture, &p.image), "glyph 51 ('z') is blank; every glyph but the spaces needs white pixels");

    p = GoodScroller();
    p.Buffer(181, 297 - 8 * 4) = 0xFFFF;
    EXPECT_EQ(ErrorOf(CheckScrollerPicture, &p.image), "glyph 4 (a space) holds white pixels; the space glyphs must be blank");
}

TEST(ScrollerPictureCheck, RefusesAPictureOfTheWrongSize)
{
    Image portrait{240, 320, std::vector<uint16_t>(240 * 320, 0xFFFF)};
    EXPECT_EQ(ErrorOf(CheckScrollerPicture, &portrait), "must be 320 x 240 pixels, is 240 x 320");
}

class PngFiles : public testing::Test {
protected:
    std::string Path(const char* name) { return testing::TempDir() + "sideways_checks_" + name; }
    std::vector<std::string> written;
    std::string Write(const char* name, int w, int h, int channels, const std::vector<uint8_t>& data)
    {
        const std::string path = Path(name);
        EXPECT_NE(stbi_write_png(path.c_str(), w, h, channels, data.data(), w * channels), 0);
        written.push_back(path);
        return path;
    }
    ~PngFiles() override
    {
        for (const std::string& path : written)
            std::remove(path.c_str());
    }
};

TEST_F(PngFiles, PackEveryPixelByDroppingTheLowBits)
{
    const std::vector<uint8_t> rgb = {255, 255, 255, 7, 3, 7, 8, 4, 8, 0x7F, 0x93, 0x9F, 0, 0, 0, 255, 0, 0};
    Image image;
    ASSERT_EQ(ErrorOf(LoadPng, Write("rgb.png", 3, 2, 3, rgb), &image), "");
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels, (std::vector<uint16_t>{0xFFFF, 0x0000, 0x0821, 0x7C93, 0x0000, 0xF800}));
}

TEST_F(PngFiles, RefuseATransparentPixel)
{
    std::vector<uint8_t> rgba(4 * 4 * 3, 255);
    rgba[4 * (1 * 4 + 2) + 3] = 254;
    Image image;
    EXPECT_EQ(ErrorOf(LoadPng, Write("alpha.png", 4, 3, 4, rgba), &image),
              "pixel (2, 1) has alpha 254; every pixel must be opaque, the screen has no transparency");
}

TEST_F(PngFiles, RefuseAFileThatIsNoPng)
{
    const std::string path = Path("text.png");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "not a picture\n", &error)) << error;
    written.push_back(path);
    Image image;
    EXPECT_TRUE(Contains(ErrorOf(LoadPng, path, &image), "is not a readable PNG"));
    EXPECT_TRUE(Contains(ErrorOf(LoadPng, Path("missing.png"), &image), "is not a readable PNG"));
}

// ---- modules ------------------------------------------------------------------------------------

constexpr uint16_t Channels = 4;

// A module the show could play: 32 orders of one 64-row pattern, tempo 3, BPM 125, one short
// instrument, a few notes and harmless commands.
static XmModule GoodModule()
{
    XmModule m;
    m.name = "";
    m.trackerName = "tests";
    m.channels = Channels;
    m.tempo = 3;
    m.bpm = 125;
    m.orders.assign(32, 0);
    m.patterns.push_back(MakeXmPattern(64, Channels));
    *XmCellAt(&m.patterns[0], Channels, 0, 0) = XmCell{XmNoteC4, 1, 0x40, 0x0A, 0x0F};     // volume slide
    *XmCellAt(&m.patterns[0], Channels, 16, 1) = XmCell{XmNoteC4 + 7, 1, 0, 0x0E, 0x50};   // E5x finetune
    *XmCellAt(&m.patterns[0], Channels, 32, 2) = XmCell{XmNoteC4, 1, 0, 0x0E, 0x90};       // E9x retrigger
    *XmCellAt(&m.patterns[0], Channels, 63, 3) = XmCell{XmKeyOff, 0, 0, 0x0C, 0x20};       // set volume
    XmInstrument instrument;
    instrument.name = "blip";
    XmSample sample;
    sample.data = {0, 8000, 16000, 8000, 0, -8000, -16000, -8000};
    instrument.samples.push_back(sample);
    m.instruments.push_back(instrument);
    return m;
}

static std::vector<uint8_t> Encode(const XmModule& m)
{
    std::vector<uint8_t> bytes;
    const std::string fault = ErrorOf(EncodeXm, &m, &bytes);
    EXPECT_EQ(fault, "");
    return bytes;
}

static std::string ModuleFault(const XmModule& m)
{
    return ErrorOf(CheckModule, Encode(m));
}

TEST(ModuleCheck, AcceptsAModuleTheShowCanFollow)
{
    EXPECT_EQ(ModuleFault(GoodModule()), "");
}

TEST(ModuleCheck, RefusesAnythingThatIsNotAnXmModule)
{
    const std::vector<uint8_t> empty;
    EXPECT_EQ(ErrorOf(CheckModule, empty), "is not an XM module (no \"Extended Module: \" header)");
    std::vector<uint8_t> bytes = Encode(GoodModule());
    bytes[0] = 'e';
    EXPECT_EQ(ErrorOf(CheckModule, bytes), "is not an XM module (no \"Extended Module: \" header)");
    bytes = Encode(GoodModule());
    bytes[XmMarkAt] = ' ';
    EXPECT_EQ(ErrorOf(CheckModule, bytes), "is not an XM module (no \"Extended Module: \" header)");
    bytes = Encode(GoodModule());
    bytes[XmVersionAt] = 0x02;
    EXPECT_EQ(ErrorOf(CheckModule, bytes), "is XM version 0x0102; the build reads version 0x0104");
}

TEST(ModuleCheck, RefusesFewerThanThirtyTwoOrders)
{
    XmModule m = GoodModule();
    m.orders.resize(31);
    EXPECT_EQ(ModuleFault(m), "has 31 orders; the show needs at least 32");
    m.orders.resize(40, 0);
    EXPECT_EQ(ModuleFault(m), "");
}

TEST(ModuleCheck, RefusesADefaultTempoOtherThanThreeOrBpmOtherThan125)
{
    XmModule m = GoodModule();
    m.tempo = 6;
    EXPECT_EQ(ModuleFault(m), "has a default tempo of 6 ticks per row; the scenes are timed for 3");
    m = GoodModule();
    m.bpm = 124;
    EXPECT_EQ(ModuleFault(m), "has a default BPM of 124; the scenes are timed for 125");
}

TEST(ModuleCheck, RefusesAShortOrLongPatternOnlyInTheFirstThirtyTwoOrders)
{
    for (uint16_t rows : {32, 63, 65, 128}) {
        XmModule m = GoodModule();
        m.patterns.push_back(MakeXmPattern(rows, Channels));
        m.orders[31] = 1;
        EXPECT_EQ(ModuleFault(m), "order 31 plays pattern 1 of " + std::to_string(rows) +
                                      " rows; each of the first 32 orders must be 64 rows long");
        m.orders[31] = 0;
        m.orders.push_back(1);  // order 32 comes after the show has ended
        EXPECT_EQ(ModuleFault(m), "") << rows;
    }
}

TEST(ModuleCheck, RefusesEveryCommandThatChangesSpeedTempoOrTheOrderOfPlay)
{
    struct Case { uint8_t effect, param; const char* name; const char* why; };
    const Case cases[] = {
        {0x0F, 0x06, "F06", "sets the speed or tempo"}, {0x0F, 0x7D, "F7D", "sets the speed or tempo"},
        {0x0F, 0x00, "F00", "sets the speed or tempo"}, {0x0B, 0x00, "B00", "jumps to another order"},
        {0x0D, 0x10, "D10", "breaks the pattern"},      {0x0E, 0x60, "E60", "loops part of the pattern"},
        {0x0E, 0x63, "E63", "loops part of the pattern"}, {0x0E, 0xE4, "EE4", "delays the pattern"},
    };
    for (const Case& c : cases) {
        XmModule m = GoodModule();
        *XmCellAt(&m.patterns[0], Channels, 20, 2) = XmCell{0, 0, 0, c.effect, c.param};
        EXPECT_EQ(ModuleFault(m), std::string("pattern 0, row 20, channel 2 holds ") + c.name + ", which " + c.why +
                                      "; the scenes need 3 ticks per row at 125 BPM and the orders played in turn");
    }
}

TEST(ModuleCheck, FindsForbiddenCommandsInFullCellsAndInPatternsNoOrderPlays)
{
    XmModule m = GoodModule();
    // Every field present: the cell is stored as five plain bytes rather than packed.
    *XmCellAt(&m.patterns[0], Channels, 63, 3) = XmCell{XmNoteC4, 1, 0x30, 0x0F, 0x03};
    EXPECT_TRUE(Contains(ModuleFault(m), "pattern 0, row 63, channel 3 holds F03"));

    m = GoodModule();
    m.patterns.push_back(MakeXmPattern(64, Channels));
    *XmCellAt(&m.patterns[1], Channels, 5, 0) = XmCell{0, 0, 0, 0x0B, 0x02};
    EXPECT_TRUE(Contains(ModuleFault(m), "pattern 1, row 5, channel 0 holds B02"));
}

TEST(ModuleCheck, LeavesHarmlessExtendedCommandsAndVolumeColumnAlone)
{
    XmModule m = GoodModule();
    const uint8_t harmless[] = {0x00, 0x10, 0x50, 0x70, 0x90, 0xA1, 0xC2, 0xD3};
    for (int i = 0; i < 8; ++i)
        *XmCellAt(&m.patterns[0], Channels, 40 + i, 0) = XmCell{0, 0, 0xF6, 0x0E, harmless[i]};
    EXPECT_EQ(ModuleFault(m), "");
}

TEST(ModuleCheck, RefusesAnOrderNamingAPatternTheModuleLacks)
{
    XmModule m = GoodModule();
    std::vector<uint8_t> bytes = Encode(m);
    bytes[XmOrdersAt + 7] = 3;
    EXPECT_EQ(ErrorOf(CheckModule, bytes), "order 7 names pattern 3, but the module holds 1 patterns");
}

// Offset of pattern 0's packed size field in a module written by the XM writer.
constexpr size_t PackedSizeAt = XmFirstPatternAt + XmPatternPackedAt;

TEST(ModuleCheck, RefusesPackedDataThatEndsInsideACellOrRunsOnPastTheRows)
{
    std::vector<uint8_t> bytes = Encode(GoodModule());
    const uint16_t packed = uint16_t(bytes[PackedSizeAt] | bytes[PackedSizeAt + 1] << 8);
    bytes[PackedSizeAt] = uint8_t(packed - 1);
    bytes[PackedSizeAt + 1] = uint8_t((packed - 1) >> 8);
    EXPECT_EQ(ErrorOf(CheckModule, bytes), "pattern 0's packed data ends inside row 63, channel 3; it must hold 64 rows of 4 channels");
    bytes[PackedSizeAt] = uint8_t(packed + 2);
    bytes[PackedSizeAt + 1] = uint8_t((packed + 2) >> 8);
    EXPECT_EQ(ErrorOf(CheckModule, bytes), "pattern 0's packed data holds 2 bytes more than its 64 rows of 4 channels");
}

TEST(ModuleCheck, TreatsAPackedSizeOfZeroAsAnEmptyPattern)
{
    XmModule m = GoodModule();
    m.patterns[0] = MakeXmPattern(64, Channels);
    std::vector<uint8_t> bytes = Encode(m);
    // The writer packs 256 empty cells as 256 flag bytes; an empty pattern may store none.
    ASSERT_EQ(bytes[PackedSizeAt] | bytes[PackedSizeAt + 1] << 8, 256);
    bytes.erase(bytes.begin() + PackedSizeAt + 2, bytes.begin() + PackedSizeAt + 2 + 256);
    bytes[PackedSizeAt] = 0;
    bytes[PackedSizeAt + 1] = 0;
    EXPECT_EQ(ErrorOf(CheckModule, bytes), "");
}

TEST(ModuleCheck, RefusesEveryTruncationWithoutReadingPastTheEnd)
{
    const std::vector<uint8_t> bytes = Encode(GoodModule());
    for (size_t length = 0; length < bytes.size(); ++length) {
        // A copy of exactly `length` bytes, so the sanitizers see any read beyond it.
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(length));
        EXPECT_NE(ErrorOf(CheckModule, cut), "") << length;
    }
    EXPECT_EQ(ErrorOf(CheckModule, std::vector<uint8_t>(bytes.begin(), bytes.end() - 1)),
              "is cut short: instrument 1 runs past the end of the file");
}

TEST(ModuleCheck, SurvivesCorruptBytesAnywhere)
{
    const std::vector<uint8_t> good = Encode(GoodModule());
    uint32_t seed = 12345;
    for (int trial = 0; trial < 2000; ++trial) {
        std::vector<uint8_t> bytes = good;
        for (int flips = 0; flips < 4; ++flips) {
            seed = seed * 1664525u + 1013904223u;
            // Mostly the headers and the pattern, where the structure lives.
            const size_t at = (seed >> 8) % std::min<size_t>(bytes.size(), 800);
            bytes[at] = uint8_t(seed >> 24);
        }
        ErrorOf(CheckModule, bytes);  // any verdict, but no read outside the bytes
    }
}
