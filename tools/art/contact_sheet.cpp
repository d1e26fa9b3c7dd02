// contact-sheet: one PNG for reviewing the show's data as the viewer sees it, taken from the
// arrays the program embeds (so the conversion and the turn into the buffer layout are checked
// too). Row 1: the three pictures upright. Row 2: both textures repeated 2 x 2 (the tunnel's at
// twice the size) the scroller picture after the font is cut out, and the
// cut-out glyphs. Row 3: frames of the show that use them: the logo under the rings, the
// rotozoomer, the tunnel and the scroller (mid-way and its
// last frame).
//   contact-sheet FILE
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/driver.h"
#include "assets/assets.h"
#include "canvas.h"
#include "effects/effects.h"
#include "offline/show_player.h"
#include "pixel_font.h"

namespace {

constexpr int Gap = 16, Label = 18;

Colour FromRgb565(uint16_t p)
{
    return {((p >> 11) << 3) / 255.0, (((p >> 5) & 63) << 2) / 255.0, ((p & 31) << 3) / 255.0};
}

// Lays a buffer-layout frame on the sheet as the display shows it, turned a quarter turn
// clockwise: screen pixel (X, Y) is buffer pixel (x = Y, y = 319 - X).
void PutFrame(Canvas* sheet, const uint16_t* frame, int left, int top, const char* label)
{
    DrawPixelText(sheet, left, top - Label + 2, label, 1, Rgb(0xE0E0E0));
    for (int Y = 0; Y < BufferWidth; ++Y)
        for (int X = 0; X < BufferHeight; ++X)
            At(sheet, left + X, top + Y) = FromRgb565(frame[(BufferHeight - 1 - X) * BufferWidth + Y]);
}

// A texture repeated 2 x 2, each texel a scale x scale square.
void PutTiled(Canvas* sheet, const uint16_t* texture, int size, int scale, int left, int top, const char* label)
{
    DrawPixelText(sheet, left, top - Label + 2, label, 1, Rgb(0xE0E0E0));
    for (int y = 0; y < 2 * size * scale; ++y)
        for (int x = 0; x < 2 * size * scale; ++x)
            At(sheet, left + x, top + y) = FromRgb565(texture[((y / scale) % size) * size + (x / scale) % size]);
}

// The 52 glyphs as the cut-out left them in FontGlyphs, drawn the way the scroller draws them
// (glyph row r is screen column 7 - r, glyph pixel p screen row p), 13 to a row, twice the size.
void PutGlyphs(Canvas* sheet, int left, int top, const char* label)
{
    DrawPixelText(sheet, left, top - Label + 2, label, 1, Rgb(0xE0E0E0));
    for (int g = 0; g < FontGlyphCount; ++g)
        for (int r = 0; r < GlyphRows; ++r)
            for (int p = 0; p < GlyphPixels; ++p) {
                const Colour c = FromRgb565(FontGlyphs[(g * GlyphRows + r) * GlyphPixels + p]);
                const int x = left + ((g % 13) * 10 + 7 - r) * 2, y = top + ((g / 13) * 15 + p) * 2;
                for (int d = 0; d < 4; ++d)
                    At(sheet, x + d % 2, y + d / 2) = c;
            }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: contact-sheet FILE\n");
        return 2;
    }
    const int width = 6 * Gap + 5 * BufferHeight;
    const int row1 = Gap + Label, row2 = row1 + BufferWidth + Gap + Label, row3 = row2 + 512 + Gap + Label;
    Canvas sheet = MakeCanvas(width, row3 + BufferWidth + Gap, Rgb(0x202028));

    PutFrame(&sheet, WarningPicture, Gap, row1, "warning picture");
    PutFrame(&sheet, LogoPicture, 2 * Gap + BufferHeight, row1, "logo picture");
    PutFrame(&sheet, ScrollerPicture, 3 * Gap + 2 * BufferHeight, row1, "scroller picture, as supplied");
    PutTiled(&sheet, RotoTexture, 256, 1, Gap, row2, "roto texture, 2 x 2");
    PutTiled(&sheet, TunnelTexture, 128, 2, 2 * Gap + 512, row2, "tunnel texture, 2 x 2 at twice the size");

    std::vector<uint16_t> frame;
    ShowState start;
    std::string error;
    if (!PrepareOfflineShow(&frame, &start, &error)) {
        std::fprintf(stderr, "contact-sheet: %s\n", error.c_str());
        return 1;
    }
    Region r;
    PutFrame(&sheet, ScrollerPicture, 3 * Gap + 2 * 512, row2, "scroller picture, font cut out");
    PutGlyphs(&sheet, 3 * Gap + 2 * 512, row2 + BufferWidth + Gap + Label, "the font as the scroller draws it");

    ElapsedMillis = 29000;
    IrisCover(RegionFull(&r), 0);
    RingsXor3(RegionFull(&r), 0);
    PutFrame(&sheet, frame.data(), Gap, row3, "logo under the rings");
    ElapsedMillis = 45000;
    Rotozoom(RegionFull(&r));
    PutFrame(&sheet, frame.data(), 2 * Gap + BufferHeight, row3, "rotozoomer");
    ElapsedMillis = 75000;
    Tunnel(RegionFull(&r));
    PutFrame(&sheet, frame.data(), 3 * Gap + 2 * BufferHeight, row3, "tunnel");
    Scroller(RegionFull(&r), 120);
    PutFrame(&sheet, frame.data(), 4 * Gap + 3 * BufferHeight, row3, "scroller");
    Scroller(RegionFull(&r), 447);
    PutFrame(&sheet, frame.data(), 5 * Gap + 4 * BufferHeight, row3, "scroller, last frame");
    Framebuffer = nullptr;

    const Image image = ToRgb565(&sheet, Dither::None);
    if (!WritePng(&image, argv[1], &error)) {
        std::fprintf(stderr, "contact-sheet: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
