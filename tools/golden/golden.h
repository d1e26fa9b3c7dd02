// Golden frames: fingerprints of chosen frames of the show at 60 fps, at least one in every order.
// The generator draws every frame in turn, as the live loop does; the test draws only the chosen
// ones, as a capture of a stretch does, so a match also proves that skipping frames loses nothing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "capture/show_music.h"
#include "capture/show_player.h"

constexpr uint32_t GoldenFps = 60;

struct GoldenFrame {
    uint32_t frame;
    int32_t order, row;
    uint32_t millis;   // the clock the frame was drawn with
    uint64_t buffer;   // FNV-1a of the buffer as drawn, little-endian (an .rgb565 file)
    uint64_t picture;  // FNV-1a of the 320 x 240 landscape picture, 8-bit RGB (a PNG's pixels)
};

// The frames to fingerprint, increasing: row 32 of every order 0..30, the edges of the opening
// fade and the wipe, the last scroller frame and order 30's close over it, and the black end frame.
std::vector<uint32_t> ChooseGoldenFrames(const ShowMusic* music, const Stretch* show);
// The fingerprint of the frame the player drew last, from the Framebuffer.
GoldenFrame Fingerprint(const ShowPlayer* player);

// One line of the file: "frame order row millis buffer picture", hashes in 16 hex digits.
std::string FormatGolden(const GoldenFrame& g);
// Reads such a line; false for anything else.
bool ParseGolden(const std::string& line, GoldenFrame* g);
// The header of the file: what it holds and the command that remakes it.
extern const char* const GoldenHeader;
