// The sound layer as the driver sees it: calls in a table, so the demo plugs in the SDL audio
// output and tests plug in a fake. All calls are made from the main thread.
#pragma once
#include <cstdint>

// The arguments the driver passes, named as the sound library this table is modelled on names
// them. The SDL layer needs neither flag to play the same way.
constexpr int SoundDefaultDevice = -1;
// No output: the module is decoded at the pace of the clock, for the position alone.
constexpr int SoundNoDevice = 0;
constexpr uint32_t SoundInitNoSync = 16;          // no position callbacks: the frame loop asks itself
constexpr uint32_t MusicLoadCalcLength = 0x2000;  // work out the play length at load, for MusicGetLength(1)

struct SoundTable {
    // Opens the output (device -1 = the default one, 0 = none, n = the n-th named by GetDeviceName)
    // at rate Hz; nonzero = ready, 0 = no usable device.
    int (*Init)(int device, uint32_t rate, uint32_t flags);
    // Frees the loaded module, if any.
    int (*MusicFree)();
    // Loads a module from memory (fromMemory 1; data + offset, length bytes, which must stay valid
    // while it is loaded); nonzero = loaded, 0 = no device or the bytes are not a module.
    int (*MusicLoad)(int fromMemory, const void* data, uint32_t offset, uint32_t length, uint32_t flags);
    // playLength nonzero: the play length in sample frames; 0: the number of orders.
    uint32_t (*MusicGetLength)(int playLength);
    // Starts playback where the module stands (order 0, row 0 after a load, or where MusicSetPosition
    // moved it); it runs on by itself.
    int (*MusicPlay)();
    // The position the listener hears now: order in bits 0..15, row in bits 16..31;
    // 0xFFFFFFFF when nothing plays.
    uint32_t (*MusicGetPosition)();
    // Stops the output and frees everything; safe after a failed Init.
    int (*Free)();

    // The calls below serve the viewer's options; the show without options makes none of them.
    // The name of output device n (1, 2, ...), nullptr past the last one; valid until the next call.
    // Callable before Init.
    const char* (*GetDeviceName)(int device);
    // Moves the module to position (order | row << 16), before or during playback; the positions
    // heard from then on count from there. Nonzero = done.
    int (*MusicSetPosition)(uint32_t position);
    // From then on MusicGetPosition answers with what was heard millis ms ago (negative: what will
    // be heard in -millis ms), -1000..1000. Before MusicPlay. Nonzero = done.
    int (*MusicSetDelay)(int32_t millis);
};
