// The painters' canvas: colours as doubles 0..1 per channel, shapes as signed distance fields
// (negative inside, in pixels) drawn with one pixel of analytic anti-aliasing, and the one way out
// to RGB565 and PNG. Everything here is deterministic: same calls, same pixels.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "asset_checks.h"

struct Colour {
    double r = 0, g = 0, b = 0;
};

// 0xRRGGBB as a colour.
constexpr Colour Rgb(uint32_t hex)
{
    return {((hex >> 16) & 255) / 255.0, ((hex >> 8) & 255) / 255.0, (hex & 255) / 255.0};
}
Colour Mix(Colour a, Colour b, double t);    // a at t = 0, b at t = 1
Colour Scale(Colour c, double k);           // every channel times k
Colour Add(Colour a, Colour b);
// Hue 0..1 around the colour wheel, saturation and value 0..1.
Colour Hsv(double hue, double saturation, double value);

// width x height colours, row-major from the top left.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;
};

Canvas MakeCanvas(int width, int height, Colour fill);
Colour& At(Canvas* canvas, int x, int y);
// Lays colour over pixel (x, y) with the given opacity 0..1; outside the canvas nothing happens.
void Blend(Canvas* canvas, int x, int y, Colour colour, double opacity);

// A shape: signed distance in pixels from the point (x, y) to its edge, negative inside.
using Shape = std::function<double(double x, double y)>;
// The colour of a shape at (x, y), given the distance there (negative inside).
using Paint = std::function<Colour(double x, double y, double distance)>;

// Coverage of a pixel whose centre lies at distance d from an edge: 1 inside, 0 outside, a
// linear ramp one pixel wide across the edge.
double Coverage(double d);
// Paints every pixel the shape covers (grown by `grow` pixels) with paint, blended by coverage
// times opacity.
void FillShape(Canvas* canvas, const Shape& shape, const Paint& paint, double grow = 0, double opacity = 1);
// Sets every pixel to shade(x, y) at its centre.
void ShadeAll(Canvas* canvas, const std::function<Colour(double x, double y)>& shade);

// Distance fields of the primitives (negative inside), all in the caller's units.
double SdBox(double x, double y, double cx, double cy, double halfW, double halfH, double radius = 0);
double SdDisc(double x, double y, double cx, double cy, double radius);
double SdSegment(double x, double y, double ax, double ay, double bx, double by, double halfWidth);
// A simple polygon of n points (x0, y0, x1, y1, ...), either winding.
double SdPolygon(double x, double y, const std::vector<double>& points);

// An exact signed distance field over a rectangle of the canvas, measured on a grid `scale`
// times finer than the canvas from a shape's inside test: negative inside, in canvas pixels.
// Exact where the shape is made of pieces whose own distance functions are only estimates.
struct Field {
    int left = 0, top = 0;        // canvas position of the rectangle
    int width = 0, height = 0;    // in grid samples
    int scale = 1;                // grid samples per canvas pixel
    std::vector<uint8_t> inside;  // 1 for a sample inside the shape
    std::vector<float> distance;  // signed, canvas pixels
};
// Samples inside(x, y) at the centre of every grid cell covering canvas pixels [left, left + w) x
// [top, top + h), then measures.
Field MakeField(int left, int top, int w, int h, int scale, const std::function<bool(double x, double y)>& inside);
// Recomputes field->distance after field->inside has been changed.
void MeasureField(Field* field);
// The signed distance at canvas point (x, y), interpolated; far outside beyond the rectangle.
double FieldAt(const Field* field, double x, double y);

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
// The 8-bit RGB bytes a PNG of the image holds: each 565 channel shifted up, its low bits 0, so
// the PNG shows exactly what the screen shows.
std::vector<uint8_t> PngBytes(const Image* image);
// Writes the image as an 8-bit RGB PNG of PngBytes, atomically; false with why it failed.
bool WritePng(const Image* image, const std::string& path, std::string* error);
// Reads a PNG's 8-bit RGB bytes and size; false when it cannot be read.
bool ReadPngBytes(const std::string& path, std::vector<uint8_t>* rgb, int* width, int* height);
