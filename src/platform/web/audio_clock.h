// The show's clock in the browser, counted in the frames the Web Audio output has taken from the
// music. The output's callbacks run on the page's thread, in bursts after a busy moment and fewer
// than the output plays when the page is late, so the music drifts from the wall clock by an
// amount that differs from run to run; a clock counted in the same frames keeps the picture with
// the music. An output that takes nothing (no sound device, a context the browser holds back or
// puts to sleep, a device slow to start) would stop that clock, so a stalled output is noticed
// and the clock then runs on the page's own time until the output takes sound again.
// Main thread only.
#pragma once
#include <cstdint>

// How long the output may take nothing, while the page is shown, before it counts as stalled.
constexpr uint32_t AudioStallMillis = 1200;

// Starts counting the frames of SDL's Web Audio output; after its Init, before the music plays.
void HookAudioClock();
// From now on the clock counts from 0: call as the music starts, or starts again elsewhere.
void RestartAudioClock();
// Milliseconds of music heard since the last restart: the frames taken before the last callback,
// less one output buffer, plus the time since that callback, never past what was taken; 0 before
// the first restart. Counted on from its reading whenever it changes between the output's
// frames and the page's time.
uint32_t AudioTicks();
// True when the clock counts the output's frames and the output has taken none for
// AudioStallMillis while the page was shown (time spent hidden does not count).
bool AudioStalled();
// From now on the clock runs on the page's time, on from where it stands.
void RunClockWithoutAudio();
// True when the clock runs on the page's time and the output has taken frames since.
bool AudioBack();
// From now on the clock counts the output's frames again, on from millis.
void RunClockOnAudio(uint32_t millis);
