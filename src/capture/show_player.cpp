#include "capture/show_player.h"

#include "app/timeline.h"
#include "frame/frame.h"

void StartPlayer(ShowPlayer* player, const ShowMusic* music)
{
    player->music = music;
    player->show = {};
    ElapsedMillis = 0;
    ElapsedSeconds = 0;
    RegionFull(&player->show.records[0]);
    player->drawn = -1;
}

bool SceneScrolls(int32_t order)
{
    for (const SceneStep& step : SceneTimeline)
        if (step.call == Call::Scroller && order >= step.first && order <= step.last)
            return true;
    return false;
}

static void Draw(ShowPlayer* player, uint32_t frame)
{
    const uint32_t fps = player->music->fps;
    DrawShowFrame(&player->show, FrameMillis(frame, fps), FramePosition(player->music, frame));
    player->drawn = frame;
}

void PlayFrame(ShowPlayer* player, uint32_t frame)
{
    const int64_t skipFrom = player->drawn + 1;
    if (frame > skipFrom) {
        for (int64_t k = int64_t{frame} - 2; k >= skipFrom; --k) {
            if (SceneScrolls(FrameOrder(player->music, static_cast<uint32_t>(k)))) {
                Draw(player, static_cast<uint32_t>(k));
                break;
            }
        }
        Draw(player, frame - 1);
    }
    Draw(player, frame);
}
