// The rules an asset must keep before the build embeds it, and the conversions the build applies.
// Every check returns true when the asset keeps the rules, otherwise false with one sentence in
// error naming the first rule it breaks; the caller puts the file name in front. Used by the embed tool, the painters
// (which check what they write) and the tests.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/frame.h"  // PackRgb565

// A decoded picture or texture as drawn: width x height RGB565 colours, row-major from the top
// left, each packed as ((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
};

// Reads a PNG into image. Refuses a file that is not a readable PNG or has a pixel that is not
// fully opaque (the screen has no transparency).
bool LoadPng(const std::string& path, Image* image, std::string* error);

// Refuses an image that is not width x height pixels.
bool CheckImageSize(const Image* image, int width, int height, std::string* error);

// A 320 x 240 landscape picture turned into the buffer layout: buffer pixel (x, y) at y * 240 + x
// is picture pixel (X = 319 - y, Y = x).
std::vector<uint16_t> ToBufferLayout(const Image* picture);

// Checks a 320 x 240 scroller picture: the white frame, 3 pixels wide, exactly around the text
// window; the black box around the font; glyph pixels only white or black; ink in every glyph
// but the spaces, none in the spaces. Positions in the message are picture pixels (X, Y).
bool CheckScrollerPicture(const Image* picture, std::string* error);

// Splits a scroll text file into its lines and checks them: 84 lines (the last newline may be
// left out) of 26 characters of FontCharset, the lead-in and run-out lines blank. Lines and
// columns in the message count from 1, as editors do. Fills lines only when the text is good.
bool CheckScrollText(std::string_view file, std::vector<std::string>* lines, std::string* error);

// Checks an XM module: the format (version 0x0104, every header, pattern and sample inside the
// file, packed pattern data that decodes to exactly its rows), at least 32 orders whose patterns
// have 64 rows, default tempo 3 and BPM 125, and no command anywhere that changes speed, tempo or
// the order of play (Fxx, Bxx, Dxx, E6x, EEx).
bool CheckModule(std::span<const uint8_t> bytes, std::string* error);
