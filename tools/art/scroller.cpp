// The credits window: a night-blue panel with the framed black window the scroller writes into,
// a vertical title beside it, and the font laid into the window where the program cuts it out.
#include <algorithm>
#include <cmath>

#include "assets/layout.h"
#include "paintings.h"
#include "pixel_font.h"

namespace {

constexpr int Width = 320, Height = 240;

// Picture pixel of buffer pixel (x, y): the layout speaks in buffer coordinates.
int PictureX(int bufferY) { return Width - 1 - bufferY; }
int PictureY(int bufferX) { return bufferX; }

// The window and its frame in picture coordinates, inclusive.
const int WindowLeft = PictureX(TextWindowBottom), WindowRight = PictureX(TextWindowTop);
const int WindowTop = PictureY(TextWindowLeft), WindowBottom = PictureY(TextWindowRight);
const int FrameLeft = WindowLeft - FrameWidth, FrameRight = WindowRight + FrameWidth;
const int FrameTop = WindowTop - FrameWidth, FrameBottom = WindowBottom + FrameWidth;

void Backdrop(Canvas* c)
{
    ShadeAll(c, [](double x, double y) {
        const double t = y / Height;
        Colour base = Mix(Rgb(0x0B0E33), Rgb(0x2B0C45), t);
        // Faint diagonal pinstripes, two pixels of every eleven.
        const double stripe = std::fmod(x + y + 1100.0, 11.0) < 2.0 ? 1.0 : 0.0;
        base = Mix(base, Rgb(0x3A3C8C), 0.22 * stripe);
        // A glow behind the window.
        const double dx = (x - (FrameLeft + FrameRight) / 2.0) / 150, dy = (y - (FrameTop + FrameBottom) / 2.0) / 120;
        base = Add(base, Scale(Rgb(0x2A3F9A), 0.35 * std::exp(-(dx * dx + dy * dy) * 2)));
        return base;
    });
    // Scattered stars, a few pixels each, away from the window.
    for (int i = 0; i < 90; ++i) {
        const int x = int(Hash01(i, 1, 77) * Width), y = int(Hash01(i, 2, 77) * Height);
        const double bright = 0.35 + 0.65 * Hash01(i, 3, 77);
        const Colour star = Mix(Rgb(0x9FB8FF), Rgb(0xFFFFFF), Hash01(i, 4, 77));
        Blend(c, x, y, star, bright);
        if (bright > 0.85) {
            for (auto [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}})
                Blend(c, x + dx, y + dy, star, 0.35);
        }
    }
}

void FrameShadowAndGlow(Canvas* c)
{
    const double cx = (FrameLeft + FrameRight + 1) / 2.0, cy = (FrameTop + FrameBottom + 1) / 2.0;
    const double hw = (FrameRight - FrameLeft + 1) / 2.0, hh = (FrameBottom - FrameTop + 1) / 2.0;
    // Drop shadow toward the lower right, then a cyan glow hugging the frame.
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const double d = SdBox(x + 0.5, y + 0.5, cx + 5, cy + 5, hw, hh, 3);
            if (d < 8)
                Blend(c, x, y, Rgb(0x02020A), 0.7 * std::clamp((8 - d) / 8, 0.0, 1.0));
        }
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const double d = SdBox(x + 0.5, y + 0.5, cx, cy, hw, hh, 0);
            if (d > 0 && d < 9)
                Blend(c, x, y, Rgb(0x7FE9FF), 0.55 * std::exp(-d / 2.2));
        }
}

// The vertical title in the column right of the window, reading from the bottom up.
void SideTitle(Canvas* c)
{
    const int left = FrameRight + 1, columns = Width - left;  // picture X left..319
    // Work on the strip turned upright: strip pixel (u, v) is picture (left + v, 239 - u).
    Canvas strip = MakeCanvas(Height, columns, Colour{});
    for (int v = 0; v < columns; ++v)
        for (int u = 0; u < Height; ++u)
            At(&strip, u, v) = At(c, left + v, Height - 1 - u);
    TitleStyle style{};
    style.condense = 1;
    style.xHeight = 38;
    style.slant = 0.12;
    style.outline = 2.2;
    style.depthX = 3;
    style.depthY = 3;
    style.top = Rgb(0x6FD3FF);
    style.middle = Rgb(0xF4FBFF);
    style.bottom = Rgb(0xFF7A2F);
    style.side = Rgb(0x35206A);
    style.edge = Rgb(0x05030F);
    const std::string word = "credits";
    const double width = TitleWidth(word, &style);
    DrawTitle(&strip, word, (Height - width) / 2 - 4, columns / 2.0 + style.xHeight * 0.48, &style);
    for (int v = 0; v < columns; ++v)
        for (int u = 0; u < Height; ++u)
            At(c, left + v, Height - 1 - u) = At(&strip, u, v);
}

// Small lettering in the margins above and below the frame.
void MarginText(Canvas* c)
{
    const std::string above = "sideways", below = "roll the credits";
    DrawPixelText(c, FrameLeft + 1, 4, above, 1, Rgb(0x7FE9FF));
    const int lineX = FrameLeft + 1 + PixelTextWidth(above, 1) + 6;
    for (int x = lineX; x < FrameRight; ++x)
        Blend(c, x, 10, Rgb(0x7FE9FF), 0.6 * (1 - double(x - lineX) / (FrameRight - lineX)));
    DrawPixelText(c, FrameRight + 1 - PixelTextWidth(below, 1), FrameBottom + 4, below, 1, Rgb(0xC9A5FF));
}

}  // namespace

Image PaintScroller()
{
    Canvas canvas = MakeCanvas(Width, Height, Colour{});
    Backdrop(&canvas);
    FrameShadowAndGlow(&canvas);
    SideTitle(&canvas);
    MarginText(&canvas);
    Image picture = ToRgb565(&canvas, Dither::Ordered);

    // The parts the program relies on go in as exact colours, after the dither.
    auto set = [&](int x, int y, uint16_t v) { picture.pixels[size_t(y) * Width + x] = v; };
    for (int y = FrameTop; y <= FrameBottom; ++y)
        for (int x = FrameLeft; x <= FrameRight; ++x) {
            const bool window = x >= WindowLeft && x <= WindowRight && y >= WindowTop && y <= WindowBottom;
            set(x, y, window ? 0x0000 : 0xFFFF);
        }
    // Glyph g of the first line lies in buffer rows FontTopRow + 8k .. + 7 with k = 25 - g, buffer
    // columns FontFirstColumn + p; glyph row r is art column 7 - r, glyph pixel p is art row p.
    for (int g = 0; g < FontGlyphCount; ++g) {
        const bool first = g < 26;
        const int k = first ? 25 - g : 51 - g;
        const int pixels = first ? GlyphPixels : FontSecondLinePixels;
        const int column = first ? FontFirstColumn : FontSecondColumn;
        for (int r = 0; r < GlyphRows; ++r)
            for (int p = 0; p < pixels; ++p)
                if (PixelInk(FontCharset[g], 7 - r, p))
                    set(PictureX(FontTopRow + 8 * k + r), PictureY(column + p), 0xFFFF);
    }
    return picture;
}
