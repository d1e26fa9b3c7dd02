// The golden frames: the committed fingerprints cover the show, and drawing the chosen frames
// gives them. A frame that differs is told by its scene, the box of pixels that changed and a PNG
// of what was drawn, in the build folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "files.h"
#include "golden.h"
#include "offline/show_music.h"
#include "offline/show_player.h"
#include "support.h"

static std::vector<GoldenFrame> CommittedGoldenFrames()
{
    std::ifstream in(SIDEWAYS_SOURCE_DIR "/tests/golden_frames.txt");
    std::vector<GoldenFrame> frames;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        GoldenFrame g;
        EXPECT_TRUE(ParseGolden(line, &g)) << line;
        frames.push_back(g);
    }
    return frames;
}

static std::vector<GoldenLines> CommittedGoldenLines()
{
    std::ifstream in(SIDEWAYS_SOURCE_DIR "/tests/golden_lines.txt");
    std::vector<GoldenLines> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        GoldenLines g;
        EXPECT_TRUE(ParseGoldenLines(line, &g)) << line.substr(0, 40) << "...";
        lines.push_back(g);
    }
    return lines;
}

// Why the frame just drawn is not golden frame g: its scene, where it changed (from the committed
// line hashes), and the PNG of what was drawn, written to the build folder for a look.
static std::string WhereItDiffers(const GoldenFrame& g, const std::vector<GoldenLines>& lines)
{
    std::string text = "frame " + std::to_string(g.frame) + " (order " + std::to_string(g.order) + ", row " +
                       std::to_string(g.row) + ", clock " + std::to_string(g.millis) + " ms) differs.\n  scene: " +
                       DescribeScene(g.order) + "\n  ";
    const GoldenLines drawn = HashLines(g.frame);
    const auto committed = std::find_if(lines.begin(), lines.end(), [&](const GoldenLines& l) { return l.frame == g.frame; });
    text += committed == lines.end() ? "tests/golden_lines.txt has no line hashes for it" : DescribeChange(*committed, drawn);
    const std::filesystem::path folder = std::filesystem::path(SIDEWAYS_BINARY_DIR) / "golden";
    const std::string png = (folder / (std::to_string(g.frame) + ".png")).string();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::string error;
    text += WriteFileAtomically(png, DrawnPng(), &error) ? "\n  drawn: " + png : "\n  " + error;
    return text + "\n  if an asset or effect changed on purpose, remake the file with: "
                  "cmake --build build/release --target golden-frames";
}

TEST(GoldenFrames, CoverEveryOrderAndTheCloseOverTheLastScrollerFrame)
{
    const std::vector<GoldenFrame> frames = CommittedGoldenFrames();
    std::set<int32_t> orders;
    bool closeAfterScroller = false;
    for (size_t i = 0; i < frames.size(); ++i) {
        orders.insert(frames[i].order);
        if (i > 0 && frames[i - 1].order == 29 && frames[i].order == 30 && frames[i].frame == frames[i - 1].frame + 1)
            closeAfterScroller = true;
    }
    EXPECT_EQ(orders.size(), 32u);
    EXPECT_EQ(*orders.rbegin(), LastOrder);
    EXPECT_TRUE(closeAfterScroller);
    const std::vector<GoldenLines> lines = CommittedGoldenLines();
    ASSERT_EQ(lines.size(), frames.size()) << "tests/golden_lines.txt does not match tests/golden_frames.txt";
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(lines[i].frame, frames[i].frame);
}

TEST(GoldenFrames, DrawingOnlyTheChosenFramesGivesTheCommittedFingerprints)
{
    const std::vector<GoldenFrame> expected = CommittedGoldenFrames();
    const std::vector<GoldenLines> lines = CommittedGoldenLines();
    ASSERT_FALSE(expected.empty());
    ScopedFramebuffer fb;
    EnsureTables();
    const ShowMusic& music = WholeShow();
    ShowPlayer player;
    StartPlayer(&player, &music);
    for (size_t i = 0; i < expected.size(); ++i) {
        const GoldenFrame& g = expected[i];
        PlayFrame(&player, g.frame);
        const std::string drawn = FormatGolden(Fingerprint(&player));
        EXPECT_EQ(drawn, FormatGolden(g)) << WhereItDiffers(g, lines);
        if (drawn == FormatGolden(g) && i < lines.size()) {
            EXPECT_EQ(DescribeChange(lines[i], HashLines(g.frame)), "")
                << "tests/golden_lines.txt is stale at frame " << g.frame << ": remake it with the fingerprints";
        }
    }
}

TEST(GoldenFrames, EachFrameDrawnStraightAfterStartUpGivesItsFingerprint)
{
    ScopedFramebuffer fb;
    const ShowMusic& music = WholeShow();
    const std::vector<GoldenLines> lines = CommittedGoldenLines();
    EnsureTables();
    for (const GoldenFrame& g : CommittedGoldenFrames()) {
        ShowPlayer player;
        StartPlayer(&player, &music);
        PlayFrame(&player, g.frame);
        EXPECT_EQ(FormatGolden(Fingerprint(&player)), FormatGolden(g)) << WhereItDiffers(g, lines);
    }
}
