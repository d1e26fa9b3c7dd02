#include "offline/show_music.h"

#include <algorithm>
#include <cmath>

#include "assets/assets.h"
#include "sound/music.h"

uint64_t FrameFirstSample(uint32_t frame, uint32_t fps) { return uint64_t{frame} * MusicRate / fps; }

uint32_t FrameMillis(uint32_t frame, uint32_t fps) { return static_cast<uint32_t>(uint64_t{frame} * 1000 / fps); }

uint32_t FramePosition(const ShowMusic* music, uint32_t frame)
{
    return music->slicePositions[FrameFirstSample(frame, music->fps) / MusicSliceFrames];
}

int32_t FrameOrder(const ShowMusic* music, uint32_t frame)
{
    return static_cast<int32_t>(PositionOrder(FramePosition(music, frame)));
}

// Rounds to the nearest step of 1/32767 and clips to the 16-bit range.
static int16_t ToSample(float v)
{
    const long s = std::lround(static_cast<double>(v) * 32767.0);
    return static_cast<int16_t>(std::clamp(s, -32768L, 32767L));
}

// Renders one more slice; false at the end of the music.
static bool RenderSlice(MusicDecoder* m, ShowMusic* music)
{
    float slice[2 * MusicSliceFrames];
    const size_t got = RenderMusic(m, slice, MusicSliceFrames);
    if (got == 0)
        return false;
    uint32_t position = MusicPosition(m);
    if (position == PositionUnknown)
        position = music->slicePositions.empty() ? PackPosition(0, 0) : music->slicePositions.back();
    music->slicePositions.push_back(position);
    for (size_t i = 0; i < 2 * got; ++i)
        music->samples.push_back(ToSample(slice[i]));
    return got == MusicSliceFrames;
}

bool RenderShowMusic(ShowMusic* music, uint32_t fps, int32_t fromOrder, int32_t toOrder, Stretch* stretch,
                     std::string* error)
{
    MusicDecoder* m = OpenMusic(MusicModule.data(), MusicModule.size());
    if (m == nullptr) {
        *error = "the embedded music cannot be opened";
        return false;
    }
    music->fps = fps;
    music->slicePositions.clear();
    music->samples.clear();
    // The video ends at the first frame past toOrder; past order 30 that is the black end frame.
    const int32_t lastVideoOrder = std::min(toOrder, LastOrder - 1);
    bool haveFirst = false, ended = false;
    for (uint32_t frame = 0;; ++frame) {
        const uint64_t slice = FrameFirstSample(frame, fps) / MusicSliceFrames;
        while (!ended && music->slicePositions.size() <= slice)
            ended = !RenderSlice(m, music);
        if (music->slicePositions.size() <= slice)
            break;
        const int32_t order = FrameOrder(music, frame);
        if (!haveFirst && order >= fromOrder) {
            stretch->first = frame;
            haveFirst = true;
        }
        if (order > lastVideoOrder) {
            stretch->videoEnd = frame;
            stretch->last = toOrder >= LastOrder ? frame : frame - 1;
            CloseMusic(m);
            if (haveFirst && stretch->last >= stretch->first)
                return true;
            *error = "the show has no frame from order " + std::to_string(fromOrder) + " to the end of order " +
                     std::to_string(toOrder);
            return false;
        }
    }
    CloseMusic(m);
    *error = "the embedded music ends before the end of order " + std::to_string(toOrder);
    return false;
}
