// The two textures, both seamless when repeated: every feature lies on a grid that divides the
// texture, and the noise repeats with the texture.
#include <algorithm>
#include <cmath>

#include "paintings.h"
#include "title_font.h"

namespace {

// Distance from (x, y) to the nearest point of a lattice of spacing `cell`, offset by half a cell:
// the centre of the tile the point lies in, as a signed offset.
void TileOffset(double x, double y, double cell, double* dx, double* dy, int* column, int* row)
{
    *column = int(std::floor(x / cell));
    *row = int(std::floor(y / cell));
    *dx = x - (*column + 0.5) * cell;
    *dy = y - (*row + 0.5) * cell;
}

// Light from the upper left on a surface whose height falls off with the distance field d
// (negative inside): a bevel `width` texels wide.
double Bevel(const std::function<double(double, double)>& d, double x, double y, double width)
{
    const double gx = d(x + 0.5, y) - d(x - 0.5, y), gy = d(x, y + 0.5) - d(x, y - 0.5);
    const double len = std::hypot(gx, gy);
    const double inside = -d(x, y);
    if (len < 1e-9 || inside > width || inside < 0)
        return 0;
    return (-gx - gy) / (len * std::sqrt(2.0));  // +1 facing the light, -1 facing away
}

}  // namespace

// A four-pointed sparkle of radius `size` about the origin, as a distance field.
double Sparkle(double x, double y, double size)
{
    std::vector<double> points;
    for (int i = 0; i < 8; ++i) {
        const double a = i * 3.14159265358979 / 4, r = i % 2 == 0 ? size : size * 0.22;
        points.push_back(r * std::cos(a));
        points.push_back(r * std::sin(a));
    }
    return SdPolygon(x, y, points);
}

// 256 x 256: a floor of bevelled gem tiles in four colours. One big gem fills the top left
// quarter with a sparkle; the twelve small ones carry bullseyes and letters. Glowing studs sit
// where the grout lines cross, and a slow colour drift runs over everything. The rotozoomer
// shows the texture mirrored, so the letters are stored mirrored to read right on screen.
Image PaintRotoTexture()
{
    constexpr int Size = 256;
    constexpr double Cell = 64;
    const Colour palette[4] = {Rgb(0xFF3F9E), Rgb(0x27D3FF), Rgb(0xFFC02E), Rgb(0x8A5CFF)};
    const TitleWord letter = LayoutTitle("s", 0);
    // The gem a point belongs to: its centre offset, half size and corner radius.
    auto gemOf = [&](double px, double py, double* ox, double* oy, double* half, int* column, int* row) {
        TileOffset(px, py, Cell, ox, oy, column, row);
        *column &= 3;
        *row &= 3;
        if (*column < 2 && *row < 2) {
            *ox = std::fmod(px + 2 * Size, double(Size)) - Cell;
            *oy = std::fmod(py + 2 * Size, double(Size)) - Cell;
            *half = 59;
            return true;
        }
        *half = 27;
        return false;
    };
    auto gem = [&](double px, double py) {
        double ox, oy, half;
        int c, r;
        const bool big = gemOf(px, py, &ox, &oy, &half, &c, &r);
        return SdBox(ox, oy, 0, 0, half, half, big ? 16 : 9);
    };
    Canvas canvas = MakeCanvas(Size, Size, Colour{});
    ShadeAll(&canvas, [&](double x, double y) {
        double dx, dy, half;
        int column, row;
        const bool big = gemOf(x, y, &dx, &dy, &half, &column, &row);
        const double drift = PeriodicFractal(x / 64.0, y / 64.0, 4, 3, 31);
        const double grain = PeriodicFractal(x / 8.0, y / 8.0, 32, 2, 57);
        const double d = gem(x, y);
        if (d > 0) {
            // Grout: dark, with a glowing stud where four tiles meet.
            double gx, gy;
            int c, r;
            TileOffset(x, y, Cell, &gx, &gy, &c, &r);
            const double stud = std::hypot(std::fabs(gx) - Cell / 2, std::fabs(gy) - Cell / 2);
            Colour grout = Mix(Rgb(0x0B0A1C), Rgb(0x1A1838), grain);
            grout = Add(grout, Scale(Rgb(0x7FE9FF), std::exp(-stud * stud / 14.0)));
            return Mix(grout, Rgb(0x05040E), std::clamp(1.5 - d, 0.0, 1.0) * 0.6);
        }
        const double r = std::hypot(dx, dy) / (half * 1.4);
        Colour face;
        if (big) {
            // Deep violet to magenta, a gold sparkle with a halo, fine rings behind it.
            face = Mix(Rgb(0xD02C9A), Rgb(0x2A1266), std::clamp(r * 1.3, 0.0, 1.0));
            const double ring = std::fabs(std::fmod(std::hypot(dx, dy) + 1000.0, 8.0) - 4.0);
            face = Mix(face, Rgb(0x14082E), std::clamp(1.5 - ring, 0.0, 1.0) * 0.45);
            const double star = Sparkle(dx, dy, 50);
            face = Add(face, Scale(Rgb(0xFFB347), 0.5 * std::exp(-std::max(0.0, star) / 7.0)));
            const Colour gold = Mix(Rgb(0xFFF6C0), Rgb(0xFF9A1E), std::clamp(std::hypot(dx, dy) / 45, 0.0, 1.0));
            face = Mix(face, Rgb(0x1A0828), Coverage(star - 1.5));
            face = Mix(face, gold, Coverage(star));
        } else {
            const Colour tint = palette[(column + 2 * row + row / 2) & 3];
            face = Mix(Scale(tint, 1.15), Scale(tint, 0.55), r);
            if (((column + row) & 1) == 0) {
                // Engraved rings, 6 texels apart.
                const double ring = std::fabs(std::fmod(std::hypot(dx, dy) + 1000.0, 6.0) - 3.0);
                face = Mix(face, Scale(tint, 0.3), std::clamp(1.6 - ring, 0.0, 1.0) * 0.8 * (r < 0.62 ? 1 : 0));
            } else {
                // An embossed letter, mirrored (u runs right to left).
                const double k = 30;
                const double u = -dx / k + 0.39, v = -dy / k + 0.5;
                const double ld = TitleWordDistance(&letter, u, v) * k;
                face = Mix(face, Rgb(0x120818), Coverage(ld - 1.2) * 0.75);
                face = Mix(face, Rgb(0xFFFFFF), Coverage(ld) * 0.9);
            }
        }
        face = Scale(face, 0.8 + 0.4 * drift + 0.12 * (grain - 0.5));
        const double light = Bevel(gem, x, y, big ? 7 : 5);
        face = light > 0 ? Mix(face, Rgb(0xFFFFFF), light * 0.55) : Mix(face, Rgb(0x000000), -light * 0.5);
        return face;
    });
    return ToRgb565(&canvas, Dither::None);
}

// 128 x 128, columns around the tunnel and rows along it: eight dark metal panels around, four
// sections along, each opened by a broad band of coloured light, and a neon spiral winding
// through them so both the turning and the streaming read.
Image PaintTunnelTexture()
{
    constexpr int Size = 128;
    const Colour lights[4] = {Rgb(0x24D8FF), Rgb(0xFF2E9A), Rgb(0xFFB81F), Rgb(0x8D5BFF)};
    Canvas canvas = MakeCanvas(Size, Size, Colour{});
    ShadeAll(&canvas, [&](double x, double y) {
        const int section = int(y / 32) & 3;
        const double along = std::fmod(y, 32.0);  // 0..32 within the section
        const double around = std::fmod(x, 16.0); // 0..16 within the panel
        const Colour light = lights[section];
        const double grain = PeriodicFractal(x / 8.0, y / 8.0, 16, 3, 91);

        // Plates between the bands: bevelled edges lit from one side, dark seams between.
        const double ex = std::min(around, 16 - around), ey = std::min(along - 9, 32 - along);
        Colour c = Mix(Rgb(0x161A30), Rgb(0x343B5C), grain);
        if (ex < 2 || ey < 2) {
            const bool lit = around < 8 ? ex < 2 : false;
            c = lit || (ey < 2 && along < 20) ? Mix(c, Rgb(0x8C96C8), 0.5) : Scale(c, 0.5);
        }
        if (ex < 0.8 || (ey < 0.8 && along > 9))
            c = Rgb(0x04040A);
        // A grille of short slots on every other panel.
        if ((int(x / 16) & 1) == 0 && ex > 4 && ey > 4 && std::fmod(along, 4.0) < 1.5)
            c = Scale(c, 0.45);
        // The band of light at the start of the section: white-hot core, coloured edges.
        const double band = std::fabs(along - 4.5);
        if (band < 4.5) {
            const double core = 1 - band / 4.5;
            c = Mix(Scale(light, 0.85), Rgb(0xFFFFFF), core * core * core * 0.9);
        } else {
            // Its glow on the plates after it, and the next band's glow before it.
            c = Add(c, Scale(light, 0.7 * std::exp(-(along - 9) / 4.0)));
            c = Add(c, Scale(lights[(section + 1) & 3], 0.5 * std::exp(-(32 - along) / 3.0)));
        }
        // The spiral: a soft neon line along x + y, two turns over the texture's length. Its
        // distance across the line is (x + y) measured perpendicular, so divided by sqrt 2.
        const double across = std::fabs(std::fmod(x + y + 256.0, 64.0) - 32) / std::sqrt(2.0);
        const double spiral = std::exp(-across * across / 3.0);
        c = Add(Scale(c, 1 - 0.5 * spiral), Scale(Mix(Rgb(0x3FE0FF), Rgb(0xFFFFFF), spiral * spiral), spiral));
        return c;
    });
    return ToRgb565(&canvas, Dither::None);
}
