// A review sheet of both fonts: the pixel font's characters in FontCharset order, three times
// the size, and the title lettering's alphabet.
#include "assets/layout.h"
#include "paintings.h"
#include "pixel_font.h"
#include "title_font.h"

Image PaintSpecimen()
{
    Canvas sheet = MakeCanvas(960, 520, Rgb(0x101018));
    const std::string charset(FontCharset);
    DrawPixelText(&sheet, 16, 16, charset.substr(0, 26), 3, Rgb(0xFFFFFF));
    DrawPixelText(&sheet, 16, 64, charset.substr(26), 3, Rgb(0xFFFFFF));
    DrawPixelText(&sheet, 16, 120, "the quick brown fox jumps over the lazy dog,", 2, Rgb(0xFFE9A0));
    DrawPixelText(&sheet, 16, 150, "sphinx of black quartz: judge my vow! #42 (ok)", 2, Rgb(0xFFE9A0));
    TitleStyle style{};
    style.condense = 1;
    style.xHeight = 44;
    style.outline = 2;
    style.depthX = 3;
    style.depthY = 3;
    style.top = Rgb(0x6FD3FF);
    style.middle = Rgb(0xF4FBFF);
    style.bottom = Rgb(0xFF7A2F);
    style.side = Rgb(0x35206A);
    style.edge = Rgb(0x000000);
    DrawTitle(&sheet, "abcdefghijklm", 24, 270, &style);
    DrawTitle(&sheet, "nopqrstuvwxyz", 24, 370, &style);
    style.slant = 0.18;
    DrawTitle(&sheet, "sideways warning credits", 24, 470, &style);
    return ToRgb565(&sheet, Dither::None);
}
