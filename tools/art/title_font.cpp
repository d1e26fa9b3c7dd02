#include "title_font.h"

#include <algorithm>
#include <cmath>

#include "canvas.h"

namespace {

constexpr double W = 0.84;           // width of a bowl
constexpr double T = TitleWeight;    // stroke
constexpr double R = 0.34;           // outer corner radius of a bowl
constexpr double Ascender = 1.4;
constexpr double Descender = -0.4;

// A box from (x0, y0) to (x1, y1) with rounded corners of radius r.
double Box(double x, double y, double x0, double y0, double x1, double y1, double r = 0)
{
    return SdBox(x, y, (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2, r);
}

// The outline of a rounded box, T thick, inside (x0, y0)..(x1, y1).
double Ring(double x, double y, double x0, double y0, double x1, double y1)
{
    const double outer = Box(x, y, x0, y0, x1, y1, R);
    const double inner = Box(x, y, x0 + T, y0 + T, x1 - T, y1 - T, std::max(R - T, 0.03));
    return std::max(outer, -inner);
}

// A stroke from (ax, ay) to (bx, by) T thick across, its ends cut level.
double Slant(double x, double y, double ax, double ay, double bx, double by)
{
    const double len = std::hypot(bx - ax, by - ay);
    const double half = T / 2 * len / std::fabs(by - ay);
    return SdPolygon(x, y, {ax - half, ay, ax + half, ay, bx + half, by, bx - half, by});
}

double Union(double a, double b) { return std::min(a, b); }
double Cut(double a, double b) { return std::max(a, -b); }

}  // namespace

double TitleLetterWidth(char c)
{
    switch (c) {
    case 'i': case 'l': return T;
    case 'f': case 'j': case 'r': case 't': return 0.58;
    case 's': case 'c': case 'z': return 0.78;
    case 'm': case 'w': return 1.3;
    case 'a': case 'b': case 'd': case 'e': case 'g': case 'h': case 'k': case 'n': case 'o': case 'p': case 'q':
    case 'u': case 'v': case 'x': case 'y': return W;
    case ' ': return 0.5;
    default: return 0;
    }
}

double TitleLetterDistance(char c, double x, double y)
{
    const double far = 1e9;
    const double mid = 0.5;
    switch (c) {
    case 'o': return Ring(x, y, 0, 0, W, 1);
    case 'a': {
        // A bowl with a square right side and a stem.
        return Union(Ring(x, y, 0, 0, W, 1), Box(x, y, W - T, 0, W, 1));
    }
    case 'b': return Union(Ring(x, y, 0, 0, W, 1), Box(x, y, 0, 0, T, Ascender));
    case 'd': return Union(Ring(x, y, 0, 0, W, 1), Box(x, y, W - T, 0, W, Ascender));
    case 'q': return Union(Ring(x, y, 0, 0, W, 1), Box(x, y, W - T, Descender, W, 1));
    case 'p': return Union(Ring(x, y, 0, 0, W, 1), Box(x, y, 0, Descender, T, 1));
    case 'g': {
        const double hook = Cut(Ring(x, y, 0, Descender, W, 0.5), Box(x, y, -1, Descender + T, W - T, 2));
        return Union(Union(Ring(x, y, 0, 0, W, 1), Box(x, y, W - T, 0.1, W, 1)),
                     Cut(hook, Box(x, y, -1, Descender - 1, 0.18, 2)));
    }
    case 'c': return Cut(Ring(x, y, 0, 0, 0.78, 1), Box(x, y, 0.78 - T - 0.01, 0.36, 2, 0.64));
    case 'e': {
        const double ring = Cut(Ring(x, y, 0, 0, W, 1), Box(x, y, W - T - 0.01, T, 2, mid - T / 2));
        return Union(ring, Box(x, y, T / 2, mid - T / 2, W, mid + T / 2));
    }
    case 'n': {
        const double arch = Cut(Ring(x, y, 0, 0, W, 1), Box(x, y, -1, -1, 2, mid));
        return Union(arch, Union(Box(x, y, 0, 0, T, 1), Box(x, y, W - T, 0, W, mid + 0.01)));
    }
    case 'h': {
        const double arch = Cut(Ring(x, y, 0, 0, W, 1), Box(x, y, -1, -1, 2, mid));
        return Union(arch, Union(Box(x, y, 0, 0, T, Ascender), Box(x, y, W - T, 0, W, mid + 0.01)));
    }
    case 'u': {
        const double cup = Cut(Ring(x, y, 0, 0, W, 1), Box(x, y, -1, mid, 2, 2));
        return Union(cup, Union(Box(x, y, 0, mid - 0.01, T, 1), Box(x, y, W - T, 0, W, 1)));
    }
    case 'r': {
        const double arch = Cut(Ring(x, y, 0, 0, 1.0, 1), Box(x, y, -1, -1, 2, mid));
        return Union(Cut(arch, Box(x, y, 0.58, -1, 2, 2)), Box(x, y, 0, 0, T, 1));
    }
    case 'i': return Union(Box(x, y, 0, 0, T, 1), Box(x, y, 0, 1.14, T, 1.14 + T));
    case 'l': return Box(x, y, 0, 0, T, Ascender);
    case 't': {
        const double foot = Cut(Ring(x, y, 0.1, 0, 0.1 + 2 * R + 0.1, 1.0), Box(x, y, -1, mid, 3, 3));
        return Union(Union(Box(x, y, 0.1, mid - 0.01, 0.1 + T, 1.3), Cut(foot, Box(x, y, 0.58, -1, 3, 3))),
                     Box(x, y, 0, 1 - T, 0.58, 1));
    }
    case 's': {
        // Two half bowls meeting in the middle bar: the upper one open to the lower right, the
        // lower one open to the upper left.
        const double sw = 0.78, m = mid + T / 2;
        const double upper = Cut(Ring(x, y, 0, mid - T / 2, sw, 1), Box(x, y, sw - T - 0.01, -1, 2, 1 - T));
        const double lower = Cut(Ring(x, y, 0, 0, sw, m), Box(x, y, -1, T, T + 0.01, 2));
        return Union(Cut(upper, Box(x, y, sw - T - 0.01, -1, 2, m - T)), lower);
    }
    case 'v': return Union(Slant(x, y, T / 2 + 0.02, 1, W / 2, 0), Slant(x, y, W - T / 2 - 0.02, 1, W / 2, 0));
    case 'w': {
        const double ww = 1.3, q = (ww - T) / 4;
        double d = Slant(x, y, T / 2, 1, T / 2 + q, 0);
        d = Union(d, Slant(x, y, T / 2 + 2 * q, 1, T / 2 + q, 0));
        d = Union(d, Slant(x, y, T / 2 + 2 * q, 1, T / 2 + 3 * q, 0));
        d = Union(d, Slant(x, y, ww - T / 2, 1, T / 2 + 3 * q, 0));
        return Cut(d, Box(x, y, -1, -1, 3, 0));
    }
    case 'y': {
        const double left = Slant(x, y, T / 2 + 0.02, 1, W / 2, 0);
        const double right = Slant(x, y, W - T / 2 - 0.02, 1, W / 2 - (W / 2 - T / 2) * 0.8, Descender);
        return Cut(Union(left, right), Box(x, y, -1, -2, 3, Descender));
    }
    case 'x': return Union(Slant(x, y, T / 2, 1, W - T / 2, 0), Slant(x, y, W - T / 2, 1, T / 2, 0));
    case 'z': {
        const double zw = 0.78;
        return Union(Union(Box(x, y, 0, 1 - T, zw, 1), Box(x, y, 0, 0, zw, T)), Slant(x, y, zw - T / 2, 1 - T, T / 2, T));
    }
    case 'k': return Union(Box(x, y, 0, 0, T, Ascender),
                           Union(Slant(x, y, W - T / 2, 1, T, 0.45), Slant(x, y, 0.35, 0.6, W - T / 2, 0)));
    case 'm': {
        const double mw = 1.3, half = (mw + T) / 2;
        const double a1 = Cut(Ring(x, y, 0, 0, half, 1), Box(x, y, -1, -1, 3, mid));
        const double a2 = Cut(Ring(x, y, half - T, 0, mw, 1), Box(x, y, -1, -1, 3, mid));
        return Union(Union(a1, a2), Union(Box(x, y, 0, 0, T, 1), Union(Box(x, y, half - T, 0, half, mid + 0.01),
                                                                    Box(x, y, mw - T, 0, mw, mid + 0.01))));
    }
    case 'f': {
        const double hood = Cut(Ring(x, y, 0.1, 0, 0.1 + 2 * R + 0.2, Ascender), Box(x, y, -1, -1, 3, 1.0));
        return Union(Union(Cut(hood, Box(x, y, 0.64, -1, 3, 3)), Box(x, y, 0.1, 0, 0.1 + T, 1.0)),
                     Box(x, y, 0, 1 - T, 0.58, 1));
    }
    case 'j': return Union(Cut(Ring(x, y, -0.3, Descender, 0.58, 1), Box(x, y, -2, -0.1, 0.58 - T, 3)),
                           Box(x, y, 0.58 - T, 1.14, 0.58, 1.14 + T));
    default: return far;
    }
}

TitleWord LayoutTitle(std::string_view text, double gap)
{
    TitleWord word;
    word.text = std::string(text);
    double x = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        word.offsets.push_back(x);
        x += TitleLetterWidth(text[i]) + (i + 1 < text.size() ? gap : 0);
    }
    word.width = x;
    return word;
}

double TitleWordDistance(const TitleWord* word, double x, double y)
{
    double d = 1e9;
    for (size_t i = 0; i < word->text.size(); ++i) {
        const double left = word->offsets[i];
        // Letters lie between their offset and offset + width; skip the far ones cheaply.
        if (x < left - 1.0 || x > left + TitleLetterWidth(word->text[i]) + 1.0)
            continue;
        d = std::min(d, TitleLetterDistance(word->text[i], x - left, y));
    }
    return d;
}
