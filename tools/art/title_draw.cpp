#include <algorithm>
#include <cmath>

#include "paintings.h"
#include "title_font.h"

namespace {

constexpr double LetterGap = 0.16;  // x-heights between letters
constexpr int FieldScale = 4;       // distance-field samples per pixel, each way

}  // namespace

double TitleWidth(const std::string& word, const TitleStyle* style)
{
    return LayoutTitle(word, LetterGap).width * style->xHeight * style->condense;
}

void DrawTitle(Canvas* canvas, const std::string& text, double x, double y, const TitleStyle* s)
{
    const TitleWord word = LayoutTitle(text, LetterGap);
    const double k = s->xHeight;
    // Whether canvas point (px, py) lies on the face: the lettering leant and squeezed.
    auto onFace = [&](double px, double py) {
        const double v = (y - py) / k;                                 // height above the baseline
        const double u = ((px - x) / k - s->slant * v) / s->condense;  // undo the lean and the squeeze
        return TitleWordDistance(&word, u, v) < 0;
    };

    // The rectangle the drawing can reach: letters, lean, extrusion and outline.
    const double margin = s->outline + 3;
    const int x0 = int(std::floor(x - 0.5 * k * std::fabs(s->slant) - margin));
    const int x1 = int(std::ceil(x + word.width * k * s->condense + 1.5 * k * std::fabs(s->slant) + s->depthX + margin));
    const int y0 = int(std::floor(y - 1.5 * k - margin));
    const int y1 = int(std::ceil(y + 0.5 * k + s->depthY + margin));
    const Field face = MakeField(x0, y0, x1 - x0, y1 - y0, FieldScale, onFace);

    // The body: the face swept back along the extrusion, sample by sample. along holds, for
    // every sample, how far back the first slice covering it lies (0 at the face, 1 at the back).
    Field body = face;
    std::vector<float> along(body.inside.size(), 1.0f);
    const int steps = std::max(1, int(std::lround(std::hypot(s->depthX, s->depthY) * FieldScale)));
    for (int sy = 0; sy < body.height; ++sy)
        for (int sx = 0; sx < body.width; ++sx) {
            const size_t i = size_t(sy) * body.width + sx;
            if (face.inside[i]) {
                along[i] = 0;
                continue;
            }
            for (int step = 1; step <= steps; ++step) {
                const double t = double(step) / steps;
                const int fx = sx - int(std::lround(s->depthX * FieldScale * t));
                const int fy = sy - int(std::lround(s->depthY * FieldScale * t));
                if (fx >= 0 && fy >= 0 && fx < body.width && fy < body.height &&
                    face.inside[size_t(fy) * body.width + fx]) {
                    body.inside[i] = 1;
                    along[i] = float(t);
                    break;
                }
            }
        }
    MeasureField(&body);

    for (int py = std::max(0, y0); py < std::min(canvas->height, y1); ++py)
        for (int px = std::max(0, x0); px < std::min(canvas->width, x1); ++px) {
            const double cx = px + 0.5, cy = py + 0.5;
            const double f = FieldAt(&face, cx, cy), b = FieldAt(&body, cx, cy);
            // Outline around everything, then the extrusion, then the face.
            Blend(canvas, px, py, s->edge, Coverage(b - s->outline));
            const int sx = std::clamp(int((cx - x0) * FieldScale), 0, body.width - 1);
            const int sy = std::clamp(int((cy - y0) * FieldScale), 0, body.height - 1);
            const double depth = along[size_t(sy) * body.width + sx];
            Blend(canvas, px, py, Mix(s->side, s->edge, 0.1 + 0.65 * depth), Coverage(b));
            if (f > 1)
                continue;
            const double v = (y - cy) / k;
            // The face: the top colour above the middle of the x-height, a sharp horizon there,
            // then the bottom colour darkening downward.
            Colour c = v > 0.5 ? Mix(s->middle, s->top, std::clamp((v - 0.5) / 0.9, 0.0, 1.0))
                              : Mix(s->bottom, Scale(s->bottom, 0.55), std::clamp((0.5 - v) / 0.9, 0.0, 1.0));
            // A rim just inside the edge, bright where it faces the light from the upper left.
            const double gx = FieldAt(&face, cx + 0.5, cy) - FieldAt(&face, cx - 0.5, cy);
            const double gy = FieldAt(&face, cx, cy + 0.5) - FieldAt(&face, cx, cy - 0.5);
            const double len = std::hypot(gx, gy);
            if (len > 1e-6 && f > -2.2) {
                const double light = (-gx - gy) / (len * std::sqrt(2.0));
                const double rim = std::clamp((f + 2.2) / 1.2, 0.0, 1.0);
                c = light > 0 ? Mix(c, Rgb(0xFFFFFF), light * 0.75 * rim) : Mix(c, s->edge, -light * 0.5 * rim);
            }
            Blend(canvas, px, py, c, Coverage(f));
        }
}
