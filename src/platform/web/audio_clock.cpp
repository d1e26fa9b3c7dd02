#include "platform/web/audio_clock.h"

#include <emscripten/emscripten.h>

// A listener after SDL's own handler: each callback hands one buffer to the output, which starts
// playing it one buffer later. While the clock runs on the page's time, a callback only says
// that the output takes sound again. A page that comes back into view gives the output a fresh
// AudioStallMillis: a browser may hold a hidden page's sound.
EM_JS(void, HookClockScript, (), {
    const node = Module.SDL2.audio.scriptProcessorNode;
    const clock = Module.audioClock = {counting: false, free: false, back: false, taken: 0, base: 0, stamp: 0,
                                       rate: node.context.sampleRate, buffer: node.bufferSize, shown: performance.now()};
    node.addEventListener('audioprocess', () => {
        if (!clock.counting)
            return;
        if (clock.free) {
            clock.back = true;
            return;
        }
        clock.stamp = performance.now();
        clock.taken += clock.buffer;
    });
    document.addEventListener('visibilitychange', () => {
        if (!document.hidden)
            clock.shown = performance.now();
    });
    // The page resumes a held context on a key or a tap; when the show ends with that key, the
    // context closes before the resume completes, which is no error.
    const context = node.context, resume = context.resume.bind(context);
    context.resume = () => resume().catch(() => {});
});

EM_JS(double, AudioMillis, (), {
    const clock = Module.audioClock;
    if (!clock || !clock.counting)
        return 0;
    if (clock.free)
        return clock.base + (performance.now() - clock.stamp);
    const before = clock.taken - clock.buffer;
    if (before <= clock.buffer)
        return clock.base;
    const heard = (before - clock.buffer) * 1000 / clock.rate + (performance.now() - clock.stamp);
    return clock.base + Math.min(heard, before * 1000 / clock.rate);
});

// Counting from base: the page's time when free is 1, the output's frames when 0, as before
// when -1.
EM_JS(void, CountFrom, (double base, int free), {
    const clock = Module.audioClock;
    if (clock)
        Object.assign(clock, {counting: true, free: free < 0 ? clock.free : free == 1, back: false, taken: 0, base: base,
                              stamp: performance.now()});
});

EM_JS(int, AudioStalledScript, (double limit), {
    const clock = Module.audioClock;
    return !!clock && clock.counting && !clock.free && !document.hidden &&
           performance.now() - Math.max(clock.stamp, clock.shown) > limit;
});

EM_JS(int, AudioBackScript, (), {
    const clock = Module.audioClock;
    return !!clock && clock.free && clock.back;
});

void HookAudioClock() { HookClockScript(); }
void RestartAudioClock() { CountFrom(0, -1); }
uint32_t AudioTicks() { return static_cast<uint32_t>(static_cast<uint64_t>(AudioMillis())); }
bool AudioStalled() { return AudioStalledScript(AudioStallMillis) != 0; }
void RunClockWithoutAudio() { CountFrom(AudioMillis(), 1); }
bool AudioBack() { return AudioBackScript() != 0; }
void RunClockOnAudio(uint32_t millis) { CountFrom(millis, 0); }
