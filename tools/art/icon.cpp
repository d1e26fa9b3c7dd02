// The desktop icon: the title's lettering, one "s", before the logo's striped sun in an evening
// sky, the whole square turned a quarter turn clockwise as the show's picture is. Drawn afresh at
// each size, so that the small ones stay sharp rather than shrunk.
#include <algorithm>
#include <cmath>

#include "paintings.h"

Image PaintIcon(int size)
{
    const double s = size;
    Canvas upright = MakeCanvas(size, size, Colour{});
    const double sunX = s * 0.5, sunY = s * 0.5, sunRadius = s * 0.40;
    ShadeAll(&upright, [&](double x, double y) {
        const double t = std::clamp(y / s, 0.0, 1.0);
        Colour sky = t < 0.6 ? Mix(Rgb(0x05041A), Rgb(0x4A1060), t / 0.6) : Mix(Rgb(0x4A1060), Rgb(0xE0457A), (t - 0.6) / 0.4);
        const double d = std::hypot(x - sunX, y - sunY);
        sky = Add(sky, Scale(Rgb(0xFF4F8A), 0.5 * std::exp(-std::max(0.0, d - sunRadius) / (s * 0.08))));
        // The sun from gold to pink, cut by slits that widen toward its lower edge.
        double cover = Coverage((d - sunRadius) * std::max(1.0, s / 64));
        if (y > sunY) {
            const double below = (y - sunY) / s * 64, phase = std::fmod(below, 9.0);
            cover *= 1 - std::clamp(1 + below / 8 - phase, 0.0, 1.0);
        }
        const double u = std::clamp((y - (sunY - sunRadius)) / (2 * sunRadius), 0.0, 1.0);
        const Colour sun = u < 0.5 ? Mix(Rgb(0xFFF07A), Rgb(0xFFA040), u * 2) : Mix(Rgb(0xFFA040), Rgb(0xFF2E88), (u - 0.5) * 2);
        return Mix(sky, sun, cover);
    });

    TitleStyle style{};
    style.xHeight = s * 0.5;
    style.slant = 0.2;
    style.condense = 1;
    style.outline = std::max(1.0, s * 0.045);
    style.depthX = s * 0.05;
    style.depthY = s * 0.06;
    style.top = Rgb(0x2F7BFF);
    style.middle = Rgb(0xF6FCFF);
    style.bottom = Rgb(0xFFC640);
    style.side = Rgb(0x7A1E8C);
    style.edge = Rgb(0x0A0216);
    const double width = TitleWidth("s", &style) + style.slant * style.xHeight;
    DrawTitle(&upright, "s", (s - width - style.depthX) / 2, (s + style.xHeight - style.depthY) / 2, &style);

    // A quarter turn clockwise: the upright picture's left column becomes the top row.
    Canvas turned = MakeCanvas(size, size, Colour{});
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            At(&turned, x, y) = At(&upright, y, size - 1 - x);
    return ToRgb565(&turned, Dither::Ordered);
}
