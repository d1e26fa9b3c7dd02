// The painters' canvas: colours as doubles 0..1 per channel, shapes as signed distance fields
// (negative inside, in pixels) drawn with one pixel of analytic anti-aliasing, and the one way out
// to RGB565 and PNG. Everything here is deterministic: same calls, same pixels.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "asset_checks.h"

struct Color {
    double r = 0, g = 0, b = 0;
};

// 0xRRGGBB as a colour.
constexpr Color Rgb(uint32_t hex)
{
    return {((hex >> 16) & 255) / 255.0, ((hex >> 8) & 255) / 255.0, (hex & 255) / 255.0};
}
Color Mix(Color a, Color b, double t);    // a at t = 0, b at t = 1
Color Scale(Color c, double k);           // every channel times k
Color Add(Color a, Color b);
// Hue 0..1 around the colour wheel, saturation and value 0..1.
Color Hsv(double hue, double saturation, double value);

// width x height colours, row-major from the top left.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;
};

Canvas MakeCanvas(int width, int height, Color fill);
Color& At(Canvas* canvas, int x, int y);
// Lays colour over pixel (x, y) with the given opacity 0..1; outside the canvas nothing happens.
void Blend(Canvas* canvas, int x, int y, Color colour, double opacity);

// A shape: signed distance in pixels from the point (x, y) to its edge, negative inside.
using Shape = std::function<double(double x, double y)>;
// The colour of a shape at (x, y), given the distance there (negative inside).
using Paint = std::function<Color(double x, double y, double distance)>;

// Coverage of a pixel whose centre lies at distance d from an edge: 1 inside, 0 outside, a
// linear ramp one pixel wide across the edge.
double Coverage(double d);
// Paints every pixel the shape covers (grown by `grow` pixels) with paint, blended by coverage
// times opacity.
void FillShape(Canvas* canvas, const Shape& shape, const Paint& paint, double grow = 0, double opacity = 1);
// Calls shade for every pixel centre and lays the result over the canvas with the given opacity.
void ShadeAll(Canvas* canvas, const std::function<Color(double x, double y)>& shade);

// Distance fields of the primitives (negative inside), all in the caller's units.
double SdBox(double x, double y, double cx, double cy, double halfW, double halfH, double radius = 0);
double SdDisc(double x, double y, double cx, double cy, double radius);
double SdSegment(double x, double y, double ax, double ay, double bx, double by, double halfWidth);
// A simple polygon of n points (x0, y0, x1, y1, ...), either winding.
double SdPolygon(double x, double y, const std::vector<double>& points);

// Value noise that repeats every `period` units in x and y (period a whole number), smooth
// (quintic), 0..1; seed chooses the lattice.
double PeriodicNoise(double x, double y, int period, uint32_t seed);
// A few octaves of PeriodicNoise, each twice the frequency and half the weight; 0..1.
double PeriodicFractal(double x, double y, int period, int octaves, uint32_t seed);
// A hash of integers to 0..1.
double Hash01(int x, int y, uint32_t seed);

// How colours become RGB565: plain truncation, or an 8 x 8 ordered dither that spreads gradients
// over the 565 steps (the dither is in the picture, so the PNG still shows exactly the screen).
enum class Dither { None, Ordered };
Image ToRgb565(const Canvas* canvas, Dither dither);
// Writes the image as an 8-bit RGB PNG whose pixels are the 565 colours with their low bits 0,
// so the PNG shows exactly what the screen shows. Returns "" or why it failed.
std::string WritePng(const Image* image, const std::string& path);
