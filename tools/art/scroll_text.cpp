// The scroll text: the show's credits and greetings, each line centred in 26 columns. Column 0
// stays blank because the scroller shows only six of the eight pixel columns of a line's first
// character.
#include <string>
#include <vector>

#include "assets/layout.h"
#include "paintings.h"

namespace {

// Lines 14..78 of the text, top to bottom; "" is a blank line. Lines 68..78 are the end card:
// the last scroller frame, which the closing iris shows once more.
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
    "keep the loops tight",
    "and the frames coming!",
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
    "- sideways -",
    "",
    "code, pictures and music",
    "made with our own tools,",
    "64 rows at a time",
    "",
    "",
    "",
    "thanks for watching!",
};

}  // namespace

std::string WriteScrollText()
{
    // Credits that are too long or too many make lines the paint tool's check refuses.
    std::string text;
    const std::string blank(ScrollColumns, ' ');
    for (int j = 0; j < ScrollLeadInLines; ++j)
        text += blank + "\n";
    for (const std::string& line : Credits) {
        const size_t left = line.size() < ScrollColumns ? (ScrollColumns - line.size()) / 2 : 0;
        const size_t right = line.size() + left < ScrollColumns ? ScrollColumns - left - line.size() : 0;
        text += std::string(left, ' ') + line + std::string(right, ' ') + "\n";
    }
    for (int j = 0; j < ScrollRunOutLines; ++j)
        text += blank + "\n";
    return text;
}
