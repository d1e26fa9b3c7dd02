#include "platform/null/null_platform.h"

#include <algorithm>

#include "assets/assets.h"
#include "show/show_timing.h"
#include "sound/music.h"

static NullPlatform* State = nullptr;

static bool CreateDisplay(std::string* error)
{
    State->log.push_back("display");
    if (!State->displayOk)
        *error = "the null display was told to fail";
    return State->displayOk;
}

static void PresentFrame()
{
    State->log.push_back("present");
    if (State->onPresent != nullptr)
        State->onPresent();
}

static uint32_t Ticks() { return State->tick += State->tickStep; }

static bool PollQuit() { return State->polls++ == State->quitOnFrame; }

static void ShowMessage(const char* text, const char* caption)
{
    State->log.push_back("box");
    State->boxText = text;
    State->boxCaption = caption;
}

static bool PumpMessage()
{
    State->log.push_back("pump");
    ++State->pumps;
    return true;
}

static int Init(int device, uint32_t, uint32_t)
{
    State->log.push_back("init");
    State->initDevice = device;
    return State->initOk;
}

static int MusicFree()
{
    State->log.push_back("musicfree");
    return 1;
}

static int MusicLoad(int, const void*, uint32_t, uint32_t length, uint32_t)
{
    State->log.push_back("load");
    State->loadLength = length;
    return State->loadOk;
}

static uint32_t MusicGetLength(int)
{
    State->log.push_back("length");
    return 0;
}

static int MusicPlay()
{
    State->log.push_back("play");
    State->playTick = State->tick;
    State->playing = true;
    return 1;
}

static uint32_t MusicGetPosition()
{
    const size_t n = static_cast<size_t>(State->queries++);
    if (!State->positions.empty())
        return State->positions[std::min(n, State->positions.size() - 1)];
    if (!State->playing)
        return PositionUnknown;
    const int64_t heard = int64_t{State->tick - State->playTick} - State->delayMillis;
    const uint32_t perOrder = static_cast<uint32_t>(RowsPerOrder);
    const uint32_t rows = PositionOrder(State->startPosition) * perOrder + PositionRow(State->startPosition) +
                          static_cast<uint32_t>(std::max<int64_t>(heard, 0) / RowMillis);
    return PackPosition(rows / perOrder, rows % perOrder);
}

static int Free()
{
    State->log.push_back("free");
    State->playing = false;
    return 1;
}

static const char* GetDeviceName(int device)
{
    const size_t n = static_cast<size_t>(device);
    return device >= 1 && n <= State->deviceNames.size() ? State->deviceNames[n - 1].c_str() : nullptr;
}

static int MusicSetPosition(uint32_t position)
{
    State->log.push_back("setposition");
    State->startPosition = position;
    State->playTick = State->tick;
    return 1;
}

static int MusicSetDelay(int32_t millis)
{
    State->log.push_back("setdelay");
    State->delayMillis = millis;
    return 1;
}

static const Platform Table = {CreateDisplay, PresentFrame, Ticks, PollQuit, ShowMessage, PumpMessage,
                               {Init, MusicFree, MusicLoad, MusicGetLength, MusicPlay, MusicGetPosition, Free,
                                GetDeviceName, MusicSetPosition, MusicSetDelay},
                               MusicModule};

const Platform* UseNullPlatform(NullPlatform* state)
{
    State = state;
    return &Table;
}
