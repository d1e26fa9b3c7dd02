#include <algorithm>
#include <cmath>

#include "paintings.h"
#include "title_font.h"

namespace {

constexpr double LetterGap = 0.16;  // x-heights between letters

}  // namespace

double TitleWidth(const std::string& word, const TitleStyle* style)
{
    return LayoutTitle(word, LetterGap).width * style->xHeight;
}

void DrawTitle(Canvas* canvas, const std::string& text, double x, double y, const TitleStyle* s)
{
    const TitleWord word = LayoutTitle(text, LetterGap);
    const double k = s->xHeight;
    // Distance in pixels from canvas point (px, py) to the face.
    auto face = [&](double px, double py) {
        const double v = (y - py) / k;                 // height above the baseline, x-heights
        const double u = (px - x) / k - s->slant * v;  // undo the lean
        return TitleWordDistance(&word, u, v) * k;
    };
    const double depth = std::hypot(s->depthX, s->depthY);
    const int steps = std::max(1, int(std::ceil(depth * 2)));
    // The extrusion: the face swept toward the lower right; distance and how deep the hit lies.
    auto extrusion = [&](double px, double py, double* along) {
        double best = 1e9;
        *along = 0;
        for (int i = 1; i <= steps; ++i) {
            const double t = double(i) / steps;
            const double d = face(px - s->depthX * t, py - s->depthY * t);
            if (d < best - 1e-9) {
                best = d;
                *along = t;
            }
        }
        return best;
    };

    // Bounds of the drawing, so the slow distance fields run only near the word.
    const int x0 = std::max(0, int(x - s->outline - 2 - 0.5 * k));
    const int x1 = std::min(canvas->width, int(x + word.width * k + 1.6 * k * std::fabs(s->slant) + s->depthX + s->outline + 3));
    const int y0 = std::max(0, int(y - 1.5 * k - s->outline - 2));
    const int y1 = std::min(canvas->height, int(y + 0.5 * k + s->depthY + s->outline + 3));
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) {
            const double cx = px + 0.5, cy = py + 0.5;
            const double f = face(cx, cy);
            double along = 0;
            const double e = depth > 0 ? extrusion(cx, cy, &along) : 1e9;
            const double body = std::min(f, e);
            // Outline first, then the extrusion, then the face, each anti-aliased over the last.
            Blend(canvas, px, py, s->edge, Coverage(body - s->outline));
            if (e < 1e8)
                Blend(canvas, px, py, Mix(s->side, s->edge, 0.15 + 0.6 * along), Coverage(e));
            const double v = (y - cy) / k;
            // The face: top colour above the middle of the x-height, a sharp horizon, then the bottom.
            Color c = v > 0.5 ? Mix(s->middle, s->top, std::clamp((v - 0.5) / 0.9, 0.0, 1.0))
                              : Mix(s->bottom, Scale(s->bottom, 0.55), std::clamp((0.5 - v) / 0.9, 0.0, 1.0));
            // A bright rim just inside the edge, lit from the upper left.
            const double gx = face(cx + 0.5, cy) - face(cx - 0.5, cy), gy = face(cx, cy + 0.5) - face(cx, cy - 0.5);
            const double len = std::hypot(gx, gy);
            if (len > 1e-6 && f > -2.2) {
                const double light = (-gx - gy) / (len * std::sqrt(2.0));
                const double rim = std::clamp((f + 2.2) / 1.2, 0.0, 1.0);
                c = light > 0 ? Mix(c, Rgb(0xFFFFFF), light * 0.75 * rim) : Mix(c, s->edge, -light * 0.5 * rim);
            }
            Blend(canvas, px, py, c, Coverage(f));
        }
}
