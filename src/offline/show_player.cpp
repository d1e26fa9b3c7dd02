#include "offline/show_player.h"

#include "app/timeline.h"

bool PrepareOfflineShow(std::vector<uint16_t>* pixels, ShowState* show, std::string* error)
{
    pixels->assign(BufferPixels, 0);
    Framebuffer = pixels->data();
    return PrepareShow(show, nullptr, error);
}

void StartPlayer(ShowPlayer* player, const ShowMusic* music)
{
    player->music = music;
    StartShowAt(&player->show, 0);
    player->drawn = -1;
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
            const uint32_t position = FramePosition(player->music, static_cast<uint32_t>(k));
            if (SceneScrolls(static_cast<int32_t>(PositionOrder(position)))) {
                StartShowAt(&player->show, FrameOrder(player->music, frame), position);
                break;
            }
        }
        Draw(player, frame - 1);
    }
    Draw(player, frame);
}
