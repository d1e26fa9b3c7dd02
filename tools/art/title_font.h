// Our display lettering for titles: heavy lower-case letters with rounded-square bowls and slanted
// strokes, built from boxes, rings and quadrilaterals as signed distance fields. Units: the
// x-height is 1, the baseline is y = 0 and y grows upward; ascenders reach 1.4, descenders -0.4.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Stroke thickness of the lettering, in x-heights.
constexpr double TitleWeight = 0.27;

// The ink width of letter c (0 for a letter the lettering lacks).
double TitleLetterWidth(char c);
// Distance from (x, y) to letter c set with its left edge at x = 0, negative inside. Its sign is
// exact; its size is an estimate inside and near joins (DrawTitle measures exactly from the sign).
double TitleLetterDistance(char c, double x, double y);

// A word laid out on the baseline from x = 0: the offset of every letter and the whole width.
struct TitleWord {
    std::string text;
    std::vector<double> offsets;
    double width = 0;
};
// Sets text with `gap` x-heights between letters (a space is 0.5 wide).
TitleWord LayoutTitle(std::string_view text, double gap);
// Distance from (x, y) to the nearest letter of the word.
double TitleWordDistance(const TitleWord* word, double x, double y);
