#include "platform/web/audio_clock.h"

#include <emscripten/emscripten.h>

// A listener after SDL's own handler: each callback hands one buffer to the output, which starts
// playing it one buffer later.
EM_JS(void, HookClockScript, (), {
    const node = Module.SDL2.audio.scriptProcessorNode;
    const clock = Module.audioClock = {counting: false, taken: 0, stamp: 0, rate: node.context.sampleRate,
                                       buffer: node.bufferSize};
    node.addEventListener('audioprocess', () => {
        if (!clock.counting)
            return;
        clock.stamp = performance.now();
        clock.taken += clock.buffer;
    });
});

EM_JS(void, RestartClockScript, (), {
    const clock = Module.audioClock;
    if (clock)
        Object.assign(clock, {counting: true, taken: 0, stamp: performance.now()});
});

EM_JS(double, AudioMillis, (), {
    const clock = Module.audioClock;
    if (!clock || !clock.counting)
        return 0;
    const before = clock.taken - clock.buffer;
    if (before <= clock.buffer)
        return 0;
    const heard = (before - clock.buffer) * 1000 / clock.rate + (performance.now() - clock.stamp);
    return Math.min(heard, before * 1000 / clock.rate);
});

void HookAudioClock() { HookClockScript(); }
void RestartAudioClock() { RestartClockScript(); }
uint32_t AudioTicks() { return static_cast<uint32_t>(static_cast<uint64_t>(AudioMillis())); }
