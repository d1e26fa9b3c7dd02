#include "platform/sdl/sound.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <SDL.h>

#include "sound/music.h"
#include "sound/music_clock.h"

// Shared with the audio callback. The callback touches only Music, Rendered and Queue; the main
// thread changes Music only with the device locked, and reads positions only through Queue.
static SDL_AudioDeviceID Device = 0;
static SDL_AudioSpec Output;
static MusicDecoder* Music = nullptr;
static uint32_t Rendered = 0;  // frames handed to the device since play started
static bool Playing = false;
static PositionQueue Queue;

// A device buffer of 512 frames (11.6 ms): the position we report trails the decoder by this.
constexpr uint16_t DeviceFrames = 512;

static uint32_t NowMicros()
{
    return static_cast<uint32_t>(SDL_GetPerformanceCounter() * 1000000 / SDL_GetPerformanceFrequency());
}

// Renders in slices aligned to multiples of MusicSliceFrames, so that each published position
// holds for the whole slice, and fills with silence once the module has ended.
static void RenderCallback(void*, Uint8* stream, int bytes)
{
    auto* out = reinterpret_cast<float*>(stream);
    size_t frames = static_cast<size_t>(bytes) / (2 * sizeof(float));
    StampCallback(&Queue, Rendered, NowMicros());
    while (frames > 0) {
        const size_t want = std::min(frames, MusicSliceFrames - Rendered % MusicSliceFrames);
        const size_t got = Music != nullptr ? RenderMusic(Music, out, want) : 0;
        if (got == 0)
            break;
        PublishSlice(&Queue, Rendered, MusicPosition(Music));
        Rendered += static_cast<uint32_t>(got);
        out += 2 * got;
        frames -= got;
    }
    std::memset(out, 0, frames * 2 * sizeof(float));
}

static int Init(int device, uint32_t rate, uint32_t)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "sideways: no audio output: %s\n", SDL_GetError());
        return 0;
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(rate);
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = DeviceFrames;
    want.callback = RenderCallback;
    const char* name = device < 0 ? nullptr : SDL_GetAudioDeviceName(device, 0);
    Device = SDL_OpenAudioDevice(name, 0, &want, &Output, 0);
    if (Device == 0) {
        std::fprintf(stderr, "sideways: cannot open the audio device: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    return 1;
}

static int MusicFree()
{
    if (Device == 0)
        return 0;
    SDL_LockAudioDevice(Device);
    CloseMusic(Music);
    Music = nullptr;
    Playing = false;
    SDL_UnlockAudioDevice(Device);
    return 1;
}

static int MusicLoad(int fromMemory, const void* data, uint32_t offset, uint32_t length, uint32_t)
{
    if (Device == 0 || fromMemory != 1 || data == nullptr || length == 0)
        return 0;
    MusicDecoder* loaded = OpenMusic(static_cast<const uint8_t*>(data) + offset, length);
    if (loaded == nullptr)
        return 0;
    SDL_LockAudioDevice(Device);
    CloseMusic(Music);
    Music = loaded;
    Playing = false;
    SDL_UnlockAudioDevice(Device);
    return 1;
}

static uint32_t MusicGetLength(int playLength)
{
    if (Device == 0 || Music == nullptr)
        return 0xFFFFFFFF;
    SDL_LockAudioDevice(Device);
    const uint32_t length = playLength ? static_cast<uint32_t>(MusicDurationSeconds(Music) * Output.freq)
                                       : MusicOrderCount(Music);
    SDL_UnlockAudioDevice(Device);
    return length;
}

static int MusicPlay()
{
    if (Device == 0 || Music == nullptr)
        return 0;
    SDL_LockAudioDevice(Device);
    ResetPositions(&Queue);
    Rendered = 0;
    SDL_UnlockAudioDevice(Device);
    Playing = true;
    SDL_PauseAudioDevice(Device, 0);
    return 1;
}

static uint32_t MusicGetPosition()
{
    if (!Playing)
        return PositionUnknown;
    const uint32_t heard = HeardFrame(&Queue, NowMicros(), SoundLatencyFrames(), static_cast<uint32_t>(Output.freq));
    return PositionAt(&Queue, heard);
}

static int Free()
{
    if (Device != 0) {
        SDL_CloseAudioDevice(Device);
        Device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    CloseMusic(Music);
    Music = nullptr;
    Playing = false;
    return 1;
}

uint32_t SoundLatencyFrames() { return Device != 0 ? Output.samples : 0; }

const SoundTable SdlSound = {Init, MusicFree, MusicLoad, MusicGetLength, MusicPlay, MusicGetPosition, Free};
