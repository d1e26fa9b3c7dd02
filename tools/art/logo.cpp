// The title picture: "sideways" in heavy chrome lettering across a synthwave evening, a striped
// sun sinking behind it, a glowing grid running to the horizon and the word mirrored in the floor.
#include <algorithm>
#include <cmath>

#include "paintings.h"
#include "pixel_font.h"

namespace {

constexpr int Width = 320, Height = 240;
constexpr double Horizon = 158;          // picture row of the horizon
constexpr double SunX = 160, SunY = 118, SunRadius = 70;

Colour Sky(double y)
{
    struct Stop { double y; Colour c; };
    const Stop stops[] = {{0, Rgb(0x05041A)}, {60, Rgb(0x170A3C)}, {110, Rgb(0x4A1060)},
                          {145, Rgb(0x9A1F6E)}, {Horizon, Rgb(0xE0457A)}};
    for (int i = 1; i < 5; ++i)
        if (y <= stops[i].y)
            return Mix(stops[i - 1].c, stops[i].c, (y - stops[i - 1].y) / (stops[i].y - stops[i - 1].y));
    return stops[4].c;
}

// The sun: a disc from gold to hot pink with ever wider slits toward its lower edge.
double SunCover(double x, double y)
{
    const double cover = Coverage(SdDisc(x, y, SunX, SunY, SunRadius));
    if (cover <= 0 || y < SunY - 8)
        return cover;
    // Slits start thin under the middle and widen toward the horizon, 9 pixels apart.
    const double below = y - (SunY - 8);
    const double period = 9;
    const double phase = std::fmod(below, period);
    const double slit = 1 + below / 16;
    return cover * (1 - std::clamp(slit - phase, 0.0, 1.0));
}

Colour SunColour(double y)
{
    const double t = std::clamp((y - (SunY - SunRadius)) / (2 * SunRadius), 0.0, 1.0);
    return t < 0.5 ? Mix(Rgb(0xFFF07A), Rgb(0xFFA040), t * 2) : Mix(Rgb(0xFFA040), Rgb(0xFF2E88), (t - 0.5) * 2);
}

// Mountains on the horizon: a ridge from a few octaves of noise, purple, lit from the sun.
double RidgeHeight(double x)
{
    const double n = PeriodicFractal(x / 40.0, 3.5, 8, 4, 4242);
    const double valley = 1 - std::exp(-std::pow((x - SunX) / 70.0, 2));  // keep the sun clear
    return (6 + 34 * n * n) * (0.25 + 0.75 * valley);
}

void PaintSky(Canvas* c)
{
    ShadeAll(c, [](double x, double y) {
        if (y >= Horizon)
            return Colour{};
        Colour sky = Sky(y);
        // Glow around the sun.
        const double d = std::hypot(x - SunX, (y - SunY) * 1.15);
        sky = Add(sky, Scale(Rgb(0xFF4F8A), 0.55 * std::exp(-std::max(0.0, d - SunRadius) / 26.0)));
        const double cover = SunCover(x, y);
        return Mix(sky, SunColour(y), cover);
    });
    // Stars in the upper sky, fainter toward the horizon.
    for (int i = 0; i < 140; ++i) {
        const int x = int(Hash01(i, 11, 9) * Width), y = int(std::pow(Hash01(i, 12, 9), 1.6) * (Horizon - 40));
        if (std::hypot(x - SunX, y - SunY) < SunRadius + 8)
            continue;
        const double bright = (0.3 + 0.7 * Hash01(i, 13, 9)) * (1 - y / Horizon);
        Blend(c, x, y, Rgb(0xFFFFFF), bright);
        if (Hash01(i, 14, 9) > 0.92)
            for (auto [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}})
                Blend(c, x + dx, y + dy, Rgb(0xBFD8FF), bright * 0.45);
    }
    // The ridge, with a bright rim along its crest.
    for (int x = 0; x < Width; ++x) {
        const double top = Horizon - RidgeHeight(x + 0.5);
        for (int y = int(top); y < int(Horizon); ++y) {
            const double cover = std::clamp(y + 1 - top, 0.0, 1.0);
            const double depth = (y - top) / (Horizon - top + 1);
            Colour rock = Mix(Rgb(0x2A0C4A), Rgb(0x12052A), depth);
            if (y - top < 1.5)
                rock = Mix(Rgb(0xFF7AB8), rock, (y - top) / 1.5);
            Blend(c, x, y, rock, cover);
        }
    }
}

// The floor: dark violet with a grid of glowing lines in perspective from the horizon.
void PaintFloor(Canvas* c)
{
    const double eye = 34;       // camera height over the floor, grid units
    const double vanish = SunX;  // vanishing point column
    for (int y = int(Horizon); y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const double py = y + 0.5 - Horizon, px = x + 0.5;
            const double depth = eye * 40 / py;           // distance into the floor
            const double across = (px - vanish) * depth / 40 / 10;  // grid columns
            const double along = depth / 10 + 0.35;                 // grid rows
            // Line strength from the distance to the nearest line in pixels.
            const double fx = std::fabs(across - std::round(across)) * 10 * 40 / depth;
            const double fy = std::fabs(along - std::round(along)) * 10 * 40 / depth * (py / 40.0);
            const double line = std::max(std::exp(-fx * fx / 0.9), std::exp(-fy * fy / 0.9));
            const double haze = std::exp(-py / 30.0);
            Colour floor = Mix(Rgb(0x1B0736), Rgb(0x06020F), std::clamp(py / 82.0, 0.0, 1.0));
            floor = Add(floor, Scale(Rgb(0xE0457A), 0.55 * haze));
            const Colour glow = Mix(Rgb(0xFF4FD8), Rgb(0x3FE8FF), std::clamp(py / 70.0, 0.0, 1.0));
            At(c, x, y) = Mix(floor, glow, line * (0.55 + 0.45 * (1 - haze)));
        }
}

TitleStyle LogoStyle()
{
    TitleStyle s{};
    s.xHeight = 46;
    s.slant = 0.2;
    s.condense = 0.86;
    s.outline = 2.6;
    s.depthX = 4;
    s.depthY = 5;
    s.top = Rgb(0x2F7BFF);
    s.middle = Rgb(0xF6FCFF);
    s.bottom = Rgb(0xFFC640);
    s.side = Rgb(0x7A1E8C);
    s.edge = Rgb(0x0A0216);
    return s;
}

}  // namespace

Image PaintLogo()
{
    Canvas canvas = MakeCanvas(Width, Height, Colour{});
    PaintSky(&canvas);
    PaintFloor(&canvas);

    const TitleStyle style = LogoStyle();
    const std::string word = "sideways";
    const double width = TitleWidth(word, &style);
    const double left = (Width - width - style.slant * style.xHeight * 1.4) / 2 - 2, baseline = 142;

    // The reflection: the word drawn on its own, mirrored about the horizon, faded into the floor.
    Canvas mirror = MakeCanvas(Width, Height, Colour{});
    Canvas mask = MakeCanvas(Width, Height, Colour{});
    DrawTitle(&mirror, word, left, baseline, &style);
    TitleStyle white = style;
    white.top = white.middle = white.bottom = white.side = white.edge = Rgb(0xFFFFFF);
    DrawTitle(&mask, word, left, baseline, &white);
    for (int y = int(Horizon); y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const int source = int(2 * Horizon) - 1 - y;
            if (source < 0)
                continue;
            const double fade = 0.38 * std::exp(-(y - Horizon) / 26.0);
            Blend(&canvas, x, y, At(&mirror, x, source), At(&mask, x, source).r * fade);
        }

    DrawTitle(&canvas, word, left, baseline, &style);

    const std::string tagline = "a demo drawn in software";
    const int tx = (Width - PixelTextWidth(tagline, 1)) / 2, ty = 214;
    for (auto [dx, dy] : {std::pair{-1, 0}, std::pair{1, 0}, std::pair{0, -1}, std::pair{0, 1}, std::pair{1, 1}})
        DrawPixelText(&canvas, tx + dx, ty + dy, tagline, 1, Rgb(0x0A0216));
    DrawPixelText(&canvas, tx, ty, tagline, 1, Rgb(0x9FF3FF));
    return ToRgb565(&canvas, Dither::Ordered);
}
