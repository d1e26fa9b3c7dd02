// Golden frames: fingerprints of chosen frames of the show at 60 fps, at least one in every order.
// The generator draws every frame in turn, as the live loop does; the test draws only the chosen
// ones, as a capture of a stretch does, so a match also proves that skipping frames loses nothing.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/frame.h"
#include "offline/show_music.h"
#include "offline/show_player.h"

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

// Where a frame changed, without its old picture: a 16-bit hash of every buffer row and column of
// each golden frame, kept beside the fingerprints (tests/golden_lines.txt). The rows and columns
// whose hashes differ bound the pixels that changed.
struct GoldenLines {
    uint32_t frame;
    std::array<uint16_t, BufferHeight> rows;
    std::array<uint16_t, BufferWidth> columns;
};

// The line hashes of the Framebuffer, for the given frame number.
GoldenLines HashLines(uint32_t frame);
// One line of the file: "frame rows columns", each hash in 4 hex digits without spaces.
std::string FormatGoldenLines(const GoldenLines& g);
// Reads such a line; false for anything else.
bool ParseGoldenLines(const std::string& line, GoldenLines* g);
extern const char* const GoldenLinesHeader;

// Where the frame drawn now differs from its committed line hashes: the box of changed rows and
// columns in buffer and picture coordinates, or "" when every line still matches.
std::string DescribeChange(const GoldenLines& committed, const GoldenLines& drawn);
// The timeline's steps for order, "preset record call argument" each, for a failure message.
std::string DescribeScene(int32_t order);
// The Framebuffer as a PNG of the 320 x 240 landscape picture the screen shows.
std::vector<uint8_t> DrawnPng();
