#include "canvas.h"

#include <algorithm>
#include <cmath>

#include <stb_image.h>

#include "files.h"
#include "offline/png.h"

Colour Mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Scale(Colour c, double k)
{
    return {c.r * k, c.g * k, c.b * k};
}

Colour Add(Colour a, Colour b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

Colour Hsv(double hue, double saturation, double value)
{
    const double h = (hue - std::floor(hue)) * 6.0;
    const int sector = std::min(5, int(h));
    const double f = h - sector;
    const double p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
    switch (sector) {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
    }
}

Canvas MakeCanvas(int width, int height, Colour fill)
{
    return Canvas{width, height, std::vector<Colour>(size_t(width) * height, fill)};
}

Colour& At(Canvas* canvas, int x, int y)
{
    return canvas->pixels[size_t(y) * canvas->width + x];
}

void Blend(Canvas* canvas, int x, int y, Colour colour, double opacity)
{
    if (x < 0 || y < 0 || x >= canvas->width || y >= canvas->height || opacity <= 0)
        return;
    Colour& p = At(canvas, x, y);
    p = Mix(p, colour, std::min(opacity, 1.0));
}

double Coverage(double d)
{
    return std::clamp(0.5 - d, 0.0, 1.0);
}

void FillShape(Canvas* canvas, const Shape& shape, const Paint& paint, double grow, double opacity)
{
    for (int y = 0; y < canvas->height; ++y)
        for (int x = 0; x < canvas->width; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double d = shape(px, py);
            const double cover = Coverage(d - grow);
            if (cover > 0)
                Blend(canvas, x, y, paint(px, py, d), cover * opacity);
        }
}

void ShadeAll(Canvas* canvas, const std::function<Colour(double x, double y)>& shade)
{
    for (int y = 0; y < canvas->height; ++y)
        for (int x = 0; x < canvas->width; ++x)
            At(canvas, x, y) = shade(x + 0.5, y + 0.5);
}

double SdBox(double x, double y, double cx, double cy, double halfW, double halfH, double radius)
{
    const double qx = std::fabs(x - cx) - halfW + radius, qy = std::fabs(y - cy) - halfH + radius;
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double SdDisc(double x, double y, double cx, double cy, double radius)
{
    return std::hypot(x - cx, y - cy) - radius;
}

double SdSegment(double x, double y, double ax, double ay, double bx, double by, double halfWidth)
{
    const double px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const double h = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - dx * h, py - dy * h) - halfWidth;
}

double SdPolygon(double x, double y, const std::vector<double>& v)
{
    const size_t n = v.size() / 2;
    double best = (x - v[0]) * (x - v[0]) + (y - v[1]) * (y - v[1]);
    double sign = 1;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
        const double ex = v[2 * j] - v[2 * i], ey = v[2 * j + 1] - v[2 * i + 1];
        const double wx = x - v[2 * i], wy = y - v[2 * i + 1];
        const double h = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
        const double bx = wx - ex * h, by = wy - ey * h;
        best = std::min(best, bx * bx + by * by);
        const bool c1 = y >= v[2 * i + 1], c2 = y < v[2 * j + 1], c3 = ex * wy > ey * wx;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3))
            sign = -sign;
    }
    return sign * std::sqrt(best);
}

namespace {

constexpr double Far = 1e20;

// The exact squared distance transform of one line (Felzenszwalb and Huttenlocher): d[q] is the
// least (q - p)^2 + f[p] over all p.
void Transform1d(const std::vector<double>& f, std::vector<double>* d, std::vector<int>* v, std::vector<double>* z)
{
    const int n = int(f.size());
    int k = 0;
    (*v)[0] = 0;
    (*z)[0] = -Far;
    (*z)[1] = Far;
    auto meet = [&](int q, int p) { return ((f[q] + double(q) * q) - (f[p] + double(p) * p)) / (2.0 * q - 2.0 * p); };
    for (int q = 1; q < n; ++q) {
        double s = meet(q, (*v)[k]);
        while (s <= (*z)[k]) {
            --k;
            s = meet(q, (*v)[k]);
        }
        ++k;
        (*v)[k] = q;
        (*z)[k] = s;
        (*z)[k + 1] = Far;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while ((*z)[k + 1] < q)
            ++k;
        const int p = (*v)[k];
        (*d)[q] = double(q - p) * (q - p) + f[p];
    }
}

// Squared distance from every sample to the nearest sample where feature is true.
std::vector<double> SquaredDistances(const std::vector<uint8_t>& mask, bool feature, int w, int h)
{
    std::vector<double> grid(mask.size());
    for (size_t i = 0; i < mask.size(); ++i)
        grid[i] = (mask[i] != 0) == feature ? 0 : Far;
    const int n = std::max(w, h);
    std::vector<double> f(n), d(n), z(n + 1);
    std::vector<int> v(n);
    for (int x = 0; x < w; ++x) {
        f.resize(h);
        d.resize(h);
        for (int y = 0; y < h; ++y)
            f[y] = grid[size_t(y) * w + x];
        Transform1d(f, &d, &v, &z);
        for (int y = 0; y < h; ++y)
            grid[size_t(y) * w + x] = d[y];
    }
    for (int y = 0; y < h; ++y) {
        f.assign(grid.begin() + long(y) * w, grid.begin() + long(y + 1) * w);
        d.resize(w);
        Transform1d(f, &d, &v, &z);
        std::copy(d.begin(), d.end(), grid.begin() + long(y) * w);
    }
    return grid;
}

}  // namespace

Field MakeField(int left, int top, int w, int h, int scale, const std::function<bool(double x, double y)>& inside)
{
    Field field{left, top, w * scale, h * scale, scale, {}, {}};
    field.inside.resize(size_t(field.width) * field.height);
    for (int y = 0; y < field.height; ++y)
        for (int x = 0; x < field.width; ++x)
            field.inside[size_t(y) * field.width + x] = inside(left + (x + 0.5) / scale, top + (y + 0.5) / scale);
    MeasureField(&field);
    return field;
}

void MeasureField(Field* field)
{
    const std::vector<double> toInside = SquaredDistances(field->inside, true, field->width, field->height);
    const std::vector<double> toOutside = SquaredDistances(field->inside, false, field->width, field->height);
    field->distance.resize(field->inside.size());
    for (size_t i = 0; i < field->inside.size(); ++i) {
        // The edge lies half a sample beyond the last sample on either side of it.
        const double d = field->inside[i] ? -(std::sqrt(toOutside[i]) - 0.5) : std::sqrt(toInside[i]) - 0.5;
        field->distance[i] = float(std::min(d, 1e6) / field->scale);
    }
}

double FieldAt(const Field* field, double x, double y)
{
    const double sx = (x - field->left) * field->scale - 0.5, sy = (y - field->top) * field->scale - 0.5;
    if (sx < 0 || sy < 0 || sx > field->width - 1 || sy > field->height - 1)
        return 1e6;
    const int ix = std::min(int(sx), field->width - 2), iy = std::min(int(sy), field->height - 2);
    const double fx = sx - ix, fy = sy - iy;
    auto at = [&](int cx, int cy) { return double(field->distance[size_t(cy) * field->width + cx]); };
    const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * fx;
    const double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * fx;
    return top + (bottom - top) * fy;
}

double Hash01(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return (h & 0xFFFFFF) / double(0x1000000);
}

double PeriodicNoise(double x, double y, int period, uint32_t seed)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const double tx = x - fx, ty = y - fy;
    auto wrap = [period](double v) { return int(((long long)v % period + period) % period); };
    const int x0 = wrap(fx), y0 = wrap(fy), x1 = (x0 + 1) % period, y1 = (y0 + 1) % period;
    auto fade = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
    const double u = fade(tx), v = fade(ty);
    const double a = Hash01(x0, y0, seed), b = Hash01(x1, y0, seed);
    const double c = Hash01(x0, y1, seed), d = Hash01(x1, y1, seed);
    return (a + (b - a) * u) + ((c + (d - c) * u) - (a + (b - a) * u)) * v;
}

double PeriodicFractal(double x, double y, int period, int octaves, uint32_t seed)
{
    double sum = 0, weight = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += PeriodicNoise(x, y, period, seed + uint32_t(o) * 101u) * weight;
        total += weight;
        x *= 2;
        y *= 2;
        period *= 2;
        weight *= 0.5;
    }
    return sum / total;
}

// The 8 x 8 Bayer matrix: thresholds 0..63 spread so that every 2 x 2, 4 x 4 block is even.
static int Bayer(int x, int y)
{
    int value = 0;
    for (int bit = 0; bit < 3; ++bit) {
        const int bx = (x >> bit) & 1, by = (y >> bit) & 1;
        value |= ((bx ^ by) << (5 - 2 * bit)) | (by << (4 - 2 * bit));
    }
    return value;
}

// One channel to `levels` steps: with a threshold 0..1 (0.5 rounds, the dither spreads it).
static int Quantise(double v, int levels, double threshold)
{
    return std::clamp(int(std::floor(std::clamp(v, 0.0, 1.0) * (levels - 1) + threshold)), 0, levels - 1);
}

Image ToRgb565(const Canvas* canvas, Dither dither)
{
    Image image{canvas->width, canvas->height, std::vector<uint16_t>(canvas->pixels.size())};
    for (int y = 0; y < canvas->height; ++y)
        for (int x = 0; x < canvas->width; ++x) {
            const Colour c = canvas->pixels[size_t(y) * canvas->width + x];
            const double t = dither == Dither::Ordered ? (Bayer(x & 7, y & 7) + 0.5) / 64.0 : 0.5;
            const int r = Quantise(c.r, 32, t), g = Quantise(c.g, 64, t), b = Quantise(c.b, 32, t);
            image.pixels[size_t(y) * canvas->width + x] = uint16_t((r << 11) | (g << 5) | b);
        }
    return image;
}

std::vector<uint8_t> PngBytes(const Image* image)
{
    std::vector<uint8_t> rgb(image->pixels.size() * 3);
    for (size_t i = 0; i < image->pixels.size(); ++i) {
        const uint16_t p = image->pixels[i];
        rgb[3 * i + 0] = uint8_t((p >> 11) << 3);
        rgb[3 * i + 1] = uint8_t(((p >> 5) & 63) << 2);
        rgb[3 * i + 2] = uint8_t((p & 31) << 3);
    }
    return rgb;
}

bool ReadPngBytes(const std::string& path, std::vector<uint8_t>* rgb, int* width, int* height)
{
    int channels = 0;
    uint8_t* data = stbi_load(path.c_str(), width, height, &channels, 3);
    if (data == nullptr)
        return false;
    rgb->assign(data, data + size_t(*width) * *height * 3);
    stbi_image_free(data);
    return true;
}

bool WritePng(const Image* image, const std::string& path, std::string* error)
{
    const std::vector<uint8_t> file = EncodePng(PngBytes(image).data(), image->width, image->height);
    if (file.empty()) {
        *error = path + ": cannot be encoded as a PNG";
        return false;
    }
    return WriteFileAtomically(path, file, error);
}
