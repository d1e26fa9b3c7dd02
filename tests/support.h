// Shared test helpers: a frame buffer owned by the test, the tables built once per process, test
// pictures, scratch folders and files, and the whole show's music rendered once.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "offline/show_music.h"
#include "effects/effects.h"
#include "effects/loops.h"
#include "frame/frame.h"

// Points Framebuffer at a fresh buffer filled with `fill` for the test's lifetime.
struct ScopedFramebuffer {
    std::vector<uint16_t> pixels;
    explicit ScopedFramebuffer(uint16_t fill = 0) : pixels(BufferPixels, fill) { Framebuffer = pixels.data(); }
    ~ScopedFramebuffer() { Framebuffer = nullptr; }
    uint16_t At(int x, int y) const { return pixels[size_t(y) * BufferWidth + x]; }
};

// A record for the given rectangle with the standard geometry and the given time.
inline Region MakeRegion(uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1, uint32_t millis = 0)
{
    return Region{millis / 1000, millis, x0, y0, x1, y1, BufferWidth, BufferHeight, BufferCenterX, BufferCenterY};
}

// A rectangle of buffer columns [x0, x1) and rows [y0, y1).
struct Rect {
    uint16_t x0, y0, x1, y1;
};

// A whole buffer that differs from pixel to pixel, so that untouched pixels are told apart: pixel
// k is the multiplicative hash k * 2654435761 shifted right by shift (7, 9 or 11 in the tests).
std::vector<uint16_t> HashPattern(int shift);

// Builds the lookup tables, the font and the encoded text once for the whole test binary.
void EnsureTables();
// Builds everything again, ScrollerPicture as start-up leaves it, for tests that ran the driver
// or the scroller and so left the picture changed.
void RebuildTables();

// The error a routine of the bool-plus-message kind reports: "" when it succeeds. Called as
// ErrorOf(CheckModule, bytes) for CheckModule(bytes, &error).
template <typename Routine, typename... Given>
std::string ErrorOf(Routine routine, Given&&... given)
{
    std::string error;
    if (routine(std::forward<Given>(given)..., &error))
        return "";
    return error.empty() ? "(failed without a message)" : error;
}

// A command line that must be refused, and words the refusal must say.
struct RefusedArguments {
    std::vector<const char*> args;
    const char* reason;
};
// Expects parse(args, &error) to return false with the reason in error, for every case.
template <typename Parse>
void ExpectRefused(Parse parse, std::initializer_list<RefusedArguments> cases)
{
    for (const RefusedArguments& c : cases) {
        std::string error;
        EXPECT_FALSE(parse(c.args, &error)) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << "got: " << error;
    }
}

// A fresh folder under the system's temporary one, removed with everything in it at the end.
struct ScratchFolder {
    std::string path;
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // The names in the folder (without the folder), sorted byte by byte.
    std::vector<std::string> Names() const;
};

// The whole file as text or bytes; empty when it cannot be read.
std::string ReadText(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// Every name and byte in a folder and its subfolders (links shown, not followed), for comparing
// before and after.
std::string Snapshot(const ScratchFolder& dir);

// The whole show's music at 60 fps, rendered once per test process, and its stretch.
const ShowMusic& WholeShow(Stretch* stretch = nullptr);

// A fixture whose cases run once per form of the pixel loops this processor runs (the plain loops
// and each vector form), drawing with that form (tables built); the default form is put back
// afterwards. Instantiate with EFFECT_LOOPS_SUITE.
class EffectLoopsTest : public ::testing::TestWithParam<PixelLoops> {
protected:
    void SetUp() override;
    void TearDown() override;
};
std::string EffectLoopsName(const ::testing::TestParamInfo<PixelLoops>& info);
inline void PrintTo(const PixelLoops& loops, std::ostream* os) { *os << loops.name; }
#define EFFECT_LOOPS_SUITE(Suite)                                                                          \
    INSTANTIATE_TEST_SUITE_P(Loops, Suite, ::testing::ValuesIn(PixelLoopChoices().begin(), PixelLoopChoices().end()), \
                             EffectLoopsName)
