// golden-generator FRAMES LINES: draws every frame of the show at 60 fps in turn, as the live loop
// does, and writes the fingerprints of the chosen ones to FRAMES (tests/golden_frames.txt) and
// their row and column hashes to LINES (tests/golden_lines.txt).
#include <cstdio>
#include <string>
#include <vector>

#include "app/driver.h"
#include "effects/effects.h"
#include "files.h"
#include "golden.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: golden-generator FRAMES LINES\n");
        return 2;
    }
    std::vector<uint16_t> pixels;
    ShowState start;
    ShowMusic music;
    Stretch show;
    std::string error;
    if (!PrepareOfflineShow(&pixels, &start, &error) ||
        !RenderShowMusic(&music, GoldenFps, 0, LastOrder, &show, &error)) {
        std::fprintf(stderr, "golden-generator: %s\n", error.c_str());
        return 1;
    }
    const std::vector<uint32_t> chosen = ChooseGoldenFrames(&music, &show);
    std::string text = GoldenHeader, lines = GoldenLinesHeader;
    ShowPlayer player;
    StartPlayer(&player, &music);
    size_t next = 0;
    for (uint32_t frame = 0; frame <= show.last; ++frame) {
        PlayFrame(&player, frame);
        if (next < chosen.size() && chosen[next] == frame) {
            text += FormatGolden(Fingerprint(&player)) + "\n";
            lines += FormatGoldenLines(HashLines(frame)) + "\n";
            ++next;
        }
    }
    if (!WriteFileAtomically(argv[1], text, &error) || !WriteFileAtomically(argv[2], lines, &error)) {
        std::fprintf(stderr, "golden-generator: %s\n", error.c_str());
        return 1;
    }
    std::printf("golden-generator: %zu frames written to %s and %s\n", chosen.size(), argv[1], argv[2]);
    return 0;
}
