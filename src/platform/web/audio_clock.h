// The show's clock in the browser, counted in the frames the Web Audio output has taken from the
// music. The output's callbacks run on the page's thread, in bursts after a busy moment and fewer
// than the output plays when the page is late, so the music drifts from the wall clock by an
// amount that differs from run to run; a clock counted in the same frames keeps the picture with
// the music.
// Main thread only.
#pragma once
#include <cstdint>

// Starts counting the frames of SDL's Web Audio output; after its Init, before the music plays.
void HookAudioClock();
// From now on the clock counts from 0: call as the music starts, or starts again elsewhere.
void RestartAudioClock();
// Milliseconds of music heard since the last restart: the frames taken before the last callback,
// less one output buffer, plus the time since that callback, never past what was taken; 0 before
// the first restart.
uint32_t AudioTicks();
