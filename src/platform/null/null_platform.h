// A platform without devices, for tests and offline drawing: a display that shows nothing, a clock
// that advances a fixed step at every reading, and a sound layer whose position follows that clock
// at the show's pace (or answers from a script). It keeps a trace of what the driver asked of it.
// Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/driver.h"

struct NullPlatform {
    // How it behaves.
    bool displayOk = true, initOk = true, loadOk = true;
    uint32_t tick = 0, tickStep = 16;  // each Ticks call adds tickStep to tick and returns it
    // The answer of the n-th position query, the last one repeating. Empty: the position that
    // tick - (the tick at play or at the last move) - delay reaches at 60 ms a row from the place
    // play started or was moved to; PositionUnknown before play.
    std::vector<uint32_t> positions;
    int quitOnFrame = -1;              // PollQuit's call of this number (from 0) reports a quit
    void (*onPresent)() = nullptr;     // called by every PresentFrame, after it is traced

    // What it was asked: "display", "present", "box", "pump", "init", "musicfree", "load",
    // "length", "play", "free", "setposition", "setdelay" in call order, and counts and arguments
    // of the rest.
    std::vector<std::string> log;
    int polls = 0, pumps = 0, queries = 0;
    std::string boxText, boxCaption;
    uint32_t loadLength = 0;
    int initDevice = 0;
    std::vector<std::string> deviceNames;  // what GetDeviceName answers for devices 1, 2, ...
    uint32_t startPosition = 0;            // where playback starts or was last moved to
    int32_t delayMillis = 0;
    uint32_t playTick = 0;
    bool playing = false;
};

// The platform table, whose calls read and write *state; state must outlive every call.
const Platform* UseNullPlatform(NullPlatform* state);
