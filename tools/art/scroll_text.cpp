// The scroll text: the show's credits and greetings, each line centred in 26 columns. Column 0
// stays blank because the scroller shows only six of the eight pixel columns of a line's first
// character.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/layout.h"
#include "paintings.h"

namespace {

// Lines 14..78 of the text, top to bottom; "" is a blank line.
const std::vector<std::string> Credits = {
    "sideways",
    "",
    "a demo drawn in software",
    "",
    "",
    "- the credits -",
    "",
    "code",
    "plain c++, one frame",
    "buffer of 240 x 320",
    "and a few lookup tables",
    "",
    "graphics",
    "pictures, textures and",
    "this very font, all",
    "painted by our own tools",
    "",
    "music",
    "twelve channels of xm",
    "written by our own tools",
    "note by note",
    "",
    "not one pixel was pushed",
    "by a graphics card",
    "",
    "",
    "- greetings -",
    "",
    "to all who keep the art",
    "of software rendering",
    "alive:",
    "",
    "the fixed point tamers",
    "the inner loop polishers",
    "the table builders",
    "the copper bar chasers",
    "the rotozoom riders",
    "the tunnel diggers",
    "the plasma brewers",
    "the scroller writers",
    "the pixel pushers",
    "the tracker musicians",
    "and all at the party",
    "",
    "",
    "keep the loops tight",
    "and the frames coming!",
    "",
    "",
    "",
    "made with care, 64 rows",
    "at a time",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "thanks for watching",
};

}  // namespace

std::string WriteScrollText()
{
    const int textLines = ScrollLines - ScrollLeadInLines - ScrollRunOutLines;
    if (int(Credits.size()) != textLines) {
        std::fprintf(stderr, "paint: the credits hold %zu lines, the scroller shows %d\n", Credits.size(), textLines);
        std::exit(1);
    }
    std::string text;
    const std::string blank(ScrollColumns, ' ');
    for (int j = 0; j < ScrollLeadInLines; ++j)
        text += blank + "\n";
    for (const std::string& line : Credits) {
        if (line.size() > ScrollColumns - 2) {
            std::fprintf(stderr, "paint: credit line \"%s\" is longer than %d characters\n", line.c_str(),
                         ScrollColumns - 2);
            std::exit(1);
        }
        const size_t left = (ScrollColumns - line.size()) / 2;
        text += std::string(left, ' ') + line + std::string(ScrollColumns - left - line.size(), ' ') + "\n";
    }
    for (int j = 0; j < ScrollRunOutLines; ++j)
        text += blank + "\n";
    return text;
}
