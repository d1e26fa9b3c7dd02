// The warning shown first: hazard stripes, a gold "warning" between two warning signs, and a
// plain statement about flashing images in the pixel font.
#include <algorithm>
#include <cmath>

#include "paintings.h"
#include "pixel_font.h"

namespace {

constexpr int Width = 320, Height = 240;
constexpr int StripeBand = 12;  // height of the hazard bands at top and bottom

const char* const Lines[] = {
    "this show contains flashing lights,",
    "fast moving patterns and sudden",
    "changes of colour.",
    "",
    "if you are sensitive to flashing",
    "images, please watch with care.",
    "press escape at any time to stop.",
};

void Backdrop(Canvas* c)
{
    ShadeAll(c, [](double x, double y) {
        Colour base = Mix(Rgb(0x0C0826), Rgb(0x1E0A34), y / Height);
        // A soft glow behind the title and a fine scanline texture.
        const double dx = (x - Width / 2.0) / 140, dy = (y - 78) / 50;
        base = Add(base, Scale(Rgb(0x6A2A10), 0.7 * std::exp(-(dx * dx + dy * dy))));
        if (int(y) % 2 == 1)
            base = Scale(base, 0.82);
        return base;
    });
}

// Diagonal gold and black stripes, 8 pixels each, leaning right.
void HazardBand(Canvas* c, int top)
{
    for (int y = top; y < top + StripeBand; ++y)
        for (int x = 0; x < Width; ++x) {
            const double s = std::fmod(x + 0.5 + (y + 0.5) + 1600, 16.0);
            const double edge = std::min({s, std::fabs(s - 8), 16 - s});  // distance to a stripe edge
            const bool gold = s < 8;
            Colour band = gold ? Rgb(0xFFC640) : Rgb(0x120818);
            band = Mix(band, gold ? Rgb(0x120818) : Rgb(0xFFC640), 0.5 * std::clamp(1 - edge, 0.0, 1.0));
            // A little relief: lighter toward the top of the band, darker at its bottom.
            band = Scale(band, 1.08 - 0.25 * double(y - top) / StripeBand);
            At(c, x, y) = band;
        }
    for (int x = 0; x < Width; ++x) {
        Blend(c, x, top == 0 ? StripeBand : top - 1, Rgb(0x000000), 0.8);
        Blend(c, x, top == 0 ? StripeBand + 1 : top - 2, Rgb(0x000000), 0.35);
    }
}

// A warning sign: a gold rounded triangle with a dark rim and an exclamation mark.
void Sign(Canvas* c, double cx, double cy, double size)
{
    const double h = size * 0.866;
    const std::vector<double> triangle = {cx, cy - h * 0.62, cx + size / 2, cy + h * 0.38, cx - size / 2, cy + h * 0.38};
    auto shape = [&](double x, double y) { return SdPolygon(x, y, triangle) - size * 0.08; };
    FillShape(c, shape, [](double, double, double) { return Rgb(0x0A0216); }, 2.0);
    FillShape(c, shape, [&](double, double y, double d) {
        const Colour face = Mix(Rgb(0xFFE27A), Rgb(0xFF9A2A), std::clamp((y - (cy - h * 0.6)) / h, 0.0, 1.0));
        return d > -1.6 ? Mix(face, Rgb(0xFFF6C8), 0.6) : face;
    });
    const double bar = size * 0.09;
    FillShape(c, [&](double x, double y) { return SdBox(x, y, cx, cy - h * 0.08, bar, h * 0.22, bar * 0.6); },
              [](double, double, double) { return Rgb(0x120818); });
    FillShape(c, [&](double x, double y) { return SdDisc(x, y, cx, cy + h * 0.25, bar * 1.15); },
              [](double, double, double) { return Rgb(0x120818); });
}

void OutlinedText(Canvas* c, int x, int y, const char* text, Colour colour)
{
    for (auto [dx, dy] : {std::pair{-1, 0}, std::pair{1, 0}, std::pair{0, -1}, std::pair{0, 1}, std::pair{1, 1}})
        DrawPixelText(c, x + dx, y + dy, text, 1, Rgb(0x05030C));
    DrawPixelText(c, x, y, text, 1, colour);
}

}  // namespace

Image PaintWarning()
{
    Canvas canvas = MakeCanvas(Width, Height, Colour{});
    Backdrop(&canvas);
    HazardBand(&canvas, 0);
    HazardBand(&canvas, Height - StripeBand);

    TitleStyle style{};
    style.xHeight = 36;
    style.slant = 0.16;
    style.condense = 0.86;
    style.outline = 2.4;
    style.depthX = 3;
    style.depthY = 4;
    style.top = Rgb(0xFFF2B0);
    style.middle = Rgb(0xFFFFFF);
    style.bottom = Rgb(0xFFB020);
    style.side = Rgb(0x8A2A10);
    style.edge = Rgb(0x0A0216);
    const std::string word = "warning";
    const double width = TitleWidth(word, &style);
    const double left = (Width - width - style.slant * style.xHeight) / 2, baseline = 88;
    DrawTitle(&canvas, word, left, baseline, &style);
    Sign(&canvas, left - 26, baseline - 20, 30);
    Sign(&canvas, left + width + style.slant * style.xHeight + 26, baseline - 20, 30);

    int y = 120;
    for (const char* line : Lines) {
        const int x = (Width - PixelTextWidth(line, 1)) / 2;
        OutlinedText(&canvas, x, y, line, y < 160 ? Rgb(0xFFFFFF) : Rgb(0x9FF3FF));
        y += 14;
    }
    return ToRgb565(&canvas, Dither::Ordered);
}
