#include "platform/sdl_sound/sound.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include <SDL.h>

#include "sound/music.h"
#include "sound/music_clock.h"

// Shared with the audio callback. The callback touches only Music, the decoded ring and Queue;
// the main thread changes them only with the device locked, and reads positions only through
// Queue. Without a device (SoundNoDevice) everything runs on the main thread.
static SDL_AudioDeviceID Device = 0;
static SDL_AudioSpec Output;
static bool Muted = false;      // Init(SoundNoDevice), or a device set aside: the module is decoded at the clock's pace
static MusicDecoder* Music = nullptr;
static bool Playing = false;
static PositionQueue Queue;
static uint32_t PlayMicros = 0; // without a device: when playback started

// The module is decoded ahead of the output into a ring, slice by slice, each slice's position
// published at its first frame. AheadFrames is how far the decoding leads what was handed to
// the device: 0, or as much as a negative delay needs to know positions still to be heard.
// Whole slices, so that a slice never wraps: more than 1 s ahead plus any device buffer.
constexpr uint32_t RingFrames = MusicSliceFrames * 448;
static float Ring[2 * RingFrames];
static uint32_t Decoded = 0;            // frames decoded since play started
static uint32_t Rendered = 0;           // frames handed to the device since play started
static bool Ended = false;
static uint32_t AheadFrames = 0;
static int32_t DelayFrames = 0;

// A device buffer of 512 frames (11.6 ms): the position we report trails the decoder by this.
constexpr uint16_t DeviceFrames = 512;

static uint32_t NowMicros()
{
    return static_cast<uint32_t>(SDL_GetPerformanceCounter() * 1000000 / SDL_GetPerformanceFrequency());
}

static void Lock()
{
    if (Device != 0)
        SDL_LockAudioDevice(Device);
}

static void Unlock()
{
    if (Device != 0)
        SDL_UnlockAudioDevice(Device);
}

static bool Open() { return Device != 0 || Muted; }

// Decodes whole slices until `frames` frames are decoded or the module ends.
static void DecodeUntil(uint32_t frames)
{
    while (!Ended && Music != nullptr && Decoded < frames) {
        float* slot = Ring + 2 * (Decoded % RingFrames);
        const size_t got = RenderMusic(Music, slot, MusicSliceFrames);
        if (got == 0) {
            Ended = true;
            break;
        }
        PublishSlice(&Queue, Decoded, MusicPosition(Music));
        Decoded += static_cast<uint32_t>(got);
    }
}

// Starts the decoding afresh from where the module stands. The first slice is decoded at once,
// so that the position reported before the device asks for sound is where playback starts.
static void Restart()
{
    ResetPositions(&Queue);
    Decoded = Rendered = 0;
    Ended = false;
    DecodeUntil(AheadFrames + 1);
    PlayMicros = NowMicros();
}

// Hands decoded frames to the device, decoding as it goes, then fills with silence once the
// module has ended.
static void RenderCallback(void*, Uint8* stream, int bytes)
{
    if (Muted) {
        // Set aside: the clock decodes the module, the device plays silence.
        std::memset(stream, 0, static_cast<size_t>(bytes));
        return;
    }
    auto* out = reinterpret_cast<float*>(stream);
    uint32_t frames = static_cast<uint32_t>(static_cast<size_t>(bytes) / (2 * sizeof(float)));
    StampCallback(&Queue, Rendered, NowMicros());
    DecodeUntil(Rendered + frames + AheadFrames);
    while (frames > 0 && Rendered < Decoded) {
        const uint32_t at = Rendered % RingFrames;
        const uint32_t n = std::min({frames, Decoded - Rendered, RingFrames - at});
        std::memcpy(out, Ring + 2 * at, n * 2 * sizeof(float));
        Rendered += n;
        out += 2 * n;
        frames -= n;
    }
    std::memset(out, 0, frames * 2 * sizeof(float));
}

static int Init(int device, uint32_t rate, uint32_t)
{
    Output = SDL_AudioSpec{};
    Output.freq = static_cast<int>(rate);
    if (device == SoundNoDevice) {
        Muted = true;
        return 1;
    }
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
    const char* name = device < 0 ? nullptr : SDL_GetAudioDeviceName(device - 1, 0);
    if (device > 0 && name == nullptr) {
        std::fprintf(stderr, "sideways: there is no audio output number %d\n", device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    Device = SDL_OpenAudioDevice(name, 0, &want, &Output, 0);
    if (Device == 0) {
        std::fprintf(stderr, "sideways: cannot open the audio device: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    return 1;
}

// Closes the module playing, if any, and puts m (or none) in its place, stopped.
static void ReplaceMusic(MusicDecoder* m)
{
    Lock();
    CloseMusic(Music);
    Music = m;
    Playing = false;
    Unlock();
}

static int MusicFree()
{
    if (!Open())
        return 0;
    ReplaceMusic(nullptr);
    return 1;
}

static int MusicLoad(int fromMemory, const void* data, uint32_t offset, uint32_t length, uint32_t)
{
    if (!Open() || fromMemory != 1 || data == nullptr || length == 0)
        return 0;
    MusicDecoder* loaded = OpenMusic(static_cast<const uint8_t*>(data) + offset, length);
    if (loaded == nullptr)
        return 0;
    ReplaceMusic(loaded);
    return 1;
}

static uint32_t MusicGetLength(int playLength)
{
    if (!Open() || Music == nullptr)
        return 0xFFFFFFFF;
    Lock();
    const uint32_t length = playLength ? static_cast<uint32_t>(MusicDurationSeconds(Music) * Output.freq)
                                       : MusicOrderCount(Music);
    Unlock();
    return length;
}

static int MusicPlay()
{
    if (!Open() || Music == nullptr)
        return 0;
    Lock();
    Restart();
    Unlock();
    Playing = true;
    if (Device != 0)
        SDL_PauseAudioDevice(Device, 0);
    return 1;
}

static uint32_t MusicGetPosition()
{
    if (!Playing)
        return PositionUnknown;
    const uint32_t rate = static_cast<uint32_t>(Output.freq);
    uint32_t heard = 0;
    if (!Muted) {
        heard = HeardFrame(&Queue, NowMicros(), SoundLatencyFrames(), rate);
    } else {
        // No device: the clock says what would be heard, and the module is decoded up to there.
        heard = static_cast<uint32_t>(uint64_t{NowMicros() - PlayMicros} * rate / 1000000);
        DecodeUntil(heard + AheadFrames + 1);
        Rendered = Decoded;
    }
    const int64_t frame = int64_t{heard} - DelayFrames;
    return PositionAt(&Queue, frame < 0 ? 0 : static_cast<uint32_t>(frame));
}

static int Free()
{
    if (Device != 0) {
        SDL_CloseAudioDevice(Device);
        Device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    Muted = false;
    DelayFrames = 0;
    AheadFrames = 0;
    CloseMusic(Music);
    Music = nullptr;
    Playing = false;
    return 1;
}

static const char* GetDeviceName(int device)
{
    static std::string name;
    if (device < 1 || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return nullptr;
    const char* found = SDL_GetAudioDeviceName(device - 1, 0);
    if (found != nullptr)
        name = found;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return found != nullptr ? name.c_str() : nullptr;
}

bool ListAudioDevices(std::string* text, std::string* error)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *error = std::string("no sound output was found: SDL's audio cannot start (") + SDL_GetError() + ")";
        return false;
    }
    const std::string driver = SDL_GetCurrentAudioDriver();
    for (int device = 0, count = SDL_GetNumAudioDevices(0); device < count; ++device)
        if (const char* name = SDL_GetAudioDeviceName(device, 0); name != nullptr)
            *text += std::string(name) + "\n";
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (text->empty()) {
        *error = "no sound output was found (SDL's audio driver " + driver + " lists none)";
        return false;
    }
    return true;
}

static int MusicSetPosition(uint32_t position)
{
    if (!Open() || Music == nullptr)
        return 0;
    Lock();
    const bool moved = SeekMusic(Music, position);
    if (moved && Playing)
        Restart();
    Unlock();
    return moved;
}

static int MusicSetDelay(int32_t millis)
{
    if (millis < -1000 || millis > 1000 || Playing)
        return 0;
    const int32_t rate = Output.freq != 0 ? Output.freq : MusicRate;
    DelayFrames = millis * rate / 1000;
    AheadFrames = millis < 0 ? static_cast<uint32_t>(-DelayFrames) : 0;
    return 1;
}

uint32_t SoundLatencyFrames() { return Device != 0 ? Output.samples : 0; }

void SetDeviceAside(uint32_t heardMillis)
{
    if (Device == 0 || Muted)
        return;
    Lock();
    Muted = true;
    PlayMicros = NowMicros() - heardMillis * 1000;
    Unlock();
}

uint32_t TakeDeviceBack(uint32_t heardMillis)
{
    if (Device == 0 || !Muted)
        return heardMillis;
    Lock();
    const uint64_t rate = static_cast<uint64_t>(Output.freq);
    DecodeUntil(static_cast<uint32_t>(heardMillis * rate / 1000) + AheadFrames + 1);
    Muted = false;
    // The device goes on from what is decoded, as if it had been handed all of it.
    Rendered = Decoded;
    StampCallback(&Queue, Rendered, NowMicros());
    const uint32_t goesOn = Rendered;
    Unlock();
    return static_cast<uint32_t>(goesOn * 1000 / rate);
}
uint32_t SoundDeliveredFrames() { return static_cast<uint32_t>(Queue.stamp.load(std::memory_order_acquire) >> 32); }

const SoundTable SdlSound = {Init,    MusicFree,     MusicLoad,        MusicGetLength, MusicPlay, MusicGetPosition,
                             Free,    GetDeviceName, MusicSetPosition, MusicSetDelay};
