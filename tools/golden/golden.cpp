#include "golden.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "capture/landscape.h"
#include "display/convert.h"
#include "frame/frame.h"
#include "sound/music.h"

const char* const GoldenHeader =
    "# Golden frames of the show at 60 fps: frame order row millis buffer picture.\n"
    "# buffer: FNV-1a 64 of the 153,600-byte RGB565 buffer as drawn, little-endian (an .rgb565 file);\n"
    "# picture: FNV-1a 64 of the 320 x 240 landscape picture, 8-bit RGB (the pixels of a PNG).\n"
    "# Made by tools/golden, which draws every frame of the show in turn as the live loop does.\n"
    "# Redrawing an asset or changing an effect, the timeline or the music changes them: remake with\n"
    "#   cmake --build build --target golden-frames\n"
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
    LandscapePicture(staging.data(), 1, picture.data());
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
