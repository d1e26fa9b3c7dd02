#include "golden.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <iterator>

#include "app/timeline.h"
#include "display/convert.h"
#include "frame/frame.h"
#include "offline/landscape.h"
#include "offline/png.h"
#include "sound/music.h"

const char* const GoldenHeader =
    "# Golden frames of the show at 60 fps: frame order row millis buffer picture.\n"
    "# buffer: FNV-1a 64 of the 153,600-byte RGB565 buffer as drawn, little-endian (an .rgb565 file);\n"
    "# picture: FNV-1a 64 of the 320 x 240 landscape picture, 8-bit RGB (the pixels of a PNG).\n"
    "# Made by tools/golden, which draws every frame of the show in turn as the live loop does.\n"
    "# Redrawing an asset or changing an effect, the timeline or the music changes them: remake with\n"
    "#   cmake --build build/release --target golden-frames\n"
    "# and check that only the frames meant to change did.\n";

static uint32_t FirstFrameAtOrAfter(const ShowMusic* music, const Stretch* show, uint32_t order, uint32_t row)
{
    for (uint32_t frame = 0; frame <= show->last; ++frame) {
        const uint32_t p = FramePosition(music, frame);
        if (PositionOrder(p) > order || (PositionOrder(p) == order && PositionRow(p) >= row))
            return frame;
    }
    return show->last;
}

std::vector<uint32_t> ChooseGoldenFrames(const ShowMusic* music, const Stretch* show)
{
    std::vector<uint32_t> frames;
    for (uint32_t order = 0; order < LastOrder; ++order)
        frames.push_back(FirstFrameAtOrAfter(music, show, order, 32));
    const uint32_t order1 = FirstFrameAtOrAfter(music, show, 1, 0);
    const uint32_t order3 = FirstFrameAtOrAfter(music, show, 3, 0);
    const uint32_t order30 = FirstFrameAtOrAfter(music, show, 30, 0);
    frames.insert(frames.end(), {
        order1 - 1, order1,    // the darkest step of the fade; the wipe at level 0
        order3 - 1,            // the wipe at its last level
        order30 - 1, order30,  // the last scroller frame; the close over what it left
        show->last - 1,        // the close at its last level
        show->last,            // the black end frame
    });
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

GoldenFrame Fingerprint(const ShowPlayer* player)
{
    static std::vector<uint8_t> staging(StagingBytes), picture(LandscapeBytes(1));
    ConvertFrame(Framebuffer, staging.data());
    LandscapePicture(staging.data(), picture.data());
    const std::vector<uint8_t> buffer = BufferBytes(Framebuffer);
    return {static_cast<uint32_t>(player->drawn), player->show.order, player->show.row, ElapsedMillis,
            HashBytes(buffer.data(), buffer.size()), HashBytes(picture.data(), picture.size())};
}

std::string FormatGolden(const GoldenFrame& g)
{
    char line[96];
    std::snprintf(line, sizeof line, "%06" PRIu32 " %" PRId32 " %" PRId32 " %" PRIu32 " %016" PRIx64 " %016" PRIx64,
                  g.frame, g.order, g.row, g.millis, g.buffer, g.picture);
    return line;
}

bool ParseGolden(const std::string& line, GoldenFrame* g)
{
    int end = 0;
    return std::sscanf(line.c_str(), "%" SCNu32 " %" SCNd32 " %" SCNd32 " %" SCNu32 " %16" SCNx64 " %16" SCNx64 "%n",
                       &g->frame, &g->order, &g->row, &g->millis, &g->buffer, &g->picture, &end) == 6 &&
           size_t(end) == line.size();
}

const char* const GoldenLinesHeader =
    "# Line hashes of the golden frames: frame, then the 320 buffer rows, then the 240 buffer columns,\n"
    "# each a 16-bit fold of the FNV-1a 64 of its pixels in 4 hex digits. A frame that no longer\n"
    "# matches its fingerprint is located by the rows and columns whose hashes differ.\n"
    "# Made with tests/golden_frames.txt by tools/golden.\n";

static uint16_t Fold(uint64_t h)
{
    return static_cast<uint16_t>(h ^ (h >> 16) ^ (h >> 32) ^ (h >> 48));
}

GoldenLines HashLines(uint32_t frame)
{
    GoldenLines g{frame, {}, {}};
    std::array<uint8_t, 2 * BufferHeight> line;
    for (int y = 0; y < BufferHeight; ++y)
        g.rows[y] = Fold(HashBytes(Framebuffer + size_t(y) * BufferWidth, BufferWidth * sizeof(uint16_t)));
    for (int x = 0; x < BufferWidth; ++x) {
        const uint16_t* p = Framebuffer + x;
        for (int y = 0; y < BufferHeight; ++y, p += BufferWidth) {
            line[2 * y] = static_cast<uint8_t>(*p);
            line[2 * y + 1] = static_cast<uint8_t>(*p >> 8);
        }
        g.columns[x] = Fold(HashBytes(line.data(), line.size()));
    }
    return g;
}

static void AppendHex(std::string* text, std::span<const uint16_t> hashes)
{
    char digits[8];
    for (uint16_t h : hashes) {
        std::snprintf(digits, sizeof digits, "%04x", h);
        *text += digits;
    }
}

std::string FormatGoldenLines(const GoldenLines& g)
{
    char frame[16];
    std::snprintf(frame, sizeof frame, "%06" PRIu32 " ", g.frame);
    std::string text = frame;
    AppendHex(&text, g.rows);
    text += ' ';
    AppendHex(&text, g.columns);
    return text;
}

static bool ParseHex(const std::string& text, size_t at, std::span<uint16_t> hashes)
{
    for (uint16_t& h : hashes) {
        h = 0;
        for (int k = 0; k < 4; ++k, ++at) {
            const char c = text[at];
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0)
                return false;
            h = static_cast<uint16_t>(h << 4 | digit);
        }
    }
    return true;
}

bool ParseGoldenLines(const std::string& line, GoldenLines* g)
{
    constexpr size_t RowsAt = 7, ColumnsAt = RowsAt + 4 * BufferHeight + 1;
    int end = 0;
    if (line.size() != ColumnsAt + 4 * BufferWidth ||
        std::sscanf(line.c_str(), "%6" SCNu32 "%n", &g->frame, &end) != 1 || end != 6 || line[6] != ' ' ||
        line[ColumnsAt - 1] != ' ')
        return false;
    return ParseHex(line, RowsAt, g->rows) && ParseHex(line, ColumnsAt, g->columns);
}

// The first and last index whose hashes differ; false when none does.
template <size_t N>
static bool ChangedSpan(const std::array<uint16_t, N>& a, const std::array<uint16_t, N>& b, int* first, int* last)
{
    *first = -1;
    for (int i = 0; i < int(N); ++i)
        if (a[i] != b[i]) {
            if (*first < 0)
                *first = i;
            *last = i;
        }
    return *first >= 0;
}

std::string DescribeChange(const GoldenLines& committed, const GoldenLines& drawn)
{
    int y0 = 0, y1 = 0, x0 = 0, x1 = 0;
    const bool rows = ChangedSpan(committed.rows, drawn.rows, &y0, &y1);
    const bool columns = ChangedSpan(committed.columns, drawn.columns, &x0, &x1);
    if (!rows && !columns)
        return "";
    if (!rows || !columns)
        return "only the " + std::string(rows ? "rows" : "columns") + " changed, which a hash collision can hide";
    char text[256];
    std::snprintf(text, sizeof text,
                  "the changed pixels lie in buffer columns %d..%d, rows %d..%d (picture X %d..%d, Y %d..%d); "
                  "the first changed row is y %d",
                  x0, x1, y0, y1, BufferHeight - 1 - y1, BufferHeight - 1 - y0, x0, x1, y0);
    // The box of a region preset, or of two quadrants side by side, is named.
    struct Box {
        const char* name;
        int x0, y0, x1, y1;
    };
    static constexpr Box Boxes[] = {
        {"the whole buffer", 0, 0, 239, 319},      {"the UpperLeft quadrant", 0, 0, 119, 159},
        {"the UpperRight quadrant", 120, 0, 239, 159}, {"the LowerLeft quadrant", 0, 160, 119, 319},
        {"the LowerRight quadrant", 120, 160, 239, 319}, {"the RightHalf", 120, 0, 239, 319},
        {"the left half", 0, 0, 119, 319},         {"the upper half (UpperLeft and UpperRight)", 0, 0, 239, 159},
        {"the lower half (LowerLeft and LowerRight)", 0, 160, 239, 319},
    };
    std::string described = text;
    for (const Box& box : Boxes)
        if (box.x0 == x0 && box.y0 == y0 && box.x1 == x1 && box.y1 == y1)
            described += std::string(": ") + box.name;
    return described;
}

std::string DescribeScene(int32_t order)
{
    static const char* const Presets[] = {"Keep", "Full", "UpperLeft", "UpperRight", "LowerLeft", "LowerRight",
                                          "RightHalf"};
    static const char* const Calls[] = {"None", "FreezeClock", "FillBlack", "FadePicture", "IrisCover",
                                        "IrisReveal", "CopperBars", "CopperWipe", "RingsXor3", "RingsSum2",
                                        "Rotozoom", "SplitRotoRings2", "SplitRotoRings3", "Tunnel", "Scroller"};
    static const char* const Args[] = {"Zero", "One", "Rise", "Fall", "Wipe", "ScrollPos"};
    static_assert(std::size(Presets) == size_t(Preset::RightHalf) + 1 && std::size(Calls) == size_t(Call::Scroller) + 1 &&
                  std::size(Args) == size_t(Arg::ScrollPos) + 1);
    std::string text;
    for (const SceneStep& step : SceneTimeline) {
        if (order < step.first || order > step.last)
            continue;
        text += text.empty() ? "" : "; ";
        text += std::string(Presets[size_t(step.preset)]) + " R" + std::to_string(step.record + 1) + " " +
                Calls[size_t(step.call)] + " " + Args[size_t(step.arg)];
    }
    return text;
}

std::vector<uint8_t> DrawnPng()
{
    std::vector<uint8_t> staging(StagingBytes), picture(LandscapeBytes(1));
    ConvertFrame(Framebuffer, staging.data());
    LandscapePicture(staging.data(), picture.data());
    return EncodePng(picture.data(), LandscapeWidth, LandscapeHeight);
}
