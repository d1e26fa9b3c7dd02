// The fixed workloads: the floor, the conversion, the table build, every order's scene and every
// effect on the rectangles the timeline gives it. Each effect runs at the clock of row 32 of the
// first order that uses it, so its centres, zoom and offsets are those of a real frame.
#include "subjects.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "app/timeline.h"
#include "assets/assets.h"
#include "display/convert.h"
#include "effects/effects.h"
#include "effects/loops.h"
#include "frame/frame.h"
#include "offline/show_player.h"
#include "effects/tables.h"
#include "flash/gentle.h"
#include "show.h"

namespace {

constexpr int32_t SceneRow = 32;

std::vector<uint16_t> Frame(BufferPixels);
std::vector<uint16_t> FloorCopy(BufferPixels);
// On a cache-line boundary, as the display keeps its own.
alignas(64) uint8_t Staging[StagingBytes];
Region SceneRecords[4];

// The clock at row SceneRow of an order.
uint32_t MillisAt(int32_t order)
{
    return static_cast<uint32_t>(order) * OrderMillis + static_cast<uint32_t>(SceneRow) * RowMillis;
}

Region At(uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1, int32_t order)
{
    const uint32_t millis = MillisAt(order);
    return Region{millis / 1000, millis, x0, y0, x1, y1, BufferWidth, BufferHeight, BufferCenterX, BufferCenterY};
}

void SetClock(int32_t order)
{
    ElapsedMillis = MillisAt(order);
    ElapsedSeconds = ElapsedMillis / 1000;
}

void Register(const std::string& name, std::function<void()> work)
{
    benchmark::RegisterBenchmark(name.c_str(), [work](benchmark::State& state) {
        for (auto _ : state) {
            work();
            benchmark::ClobberMemory();
        }
    });
}

void RegisterFloor()
{
    Register(FloorName, [] {
        std::memcpy(FloorCopy.data(), Frame.data(), BufferPixels * sizeof(uint16_t));
        benchmark::DoNotOptimize(FloorCopy.data());
    });
}

void RegisterConversions()
{
    Register("Convert", [] { ConvertFrame(Frame.data(), Staging); });
    // Every form of the loops this machine runs, so the fast one is seen beside the plain one.
    for (const PixelLoops& loops : PixelLoopChoices())
        benchmark::RegisterBenchmark(("Convert/" + std::string(loops.name)).c_str(), [loops](benchmark::State& state) {
            UsePixelLoops(loops);
            for (auto _ : state) {
                ConvertFrame(Frame.data(), Staging);
                benchmark::ClobberMemory();
            }
            UsePixelLoops(OwnLoops());
        });
}

void RegisterBuildTables()
{
    // BuildTables puts ScrollerPicture back as supplied before it cuts the font out: every run
    // does the same work.
    benchmark::RegisterBenchmark("BuildTables", [](benchmark::State& state) {
        Region whole = At(0, 0, BufferWidth, BufferHeight, 0);
        for (auto _ : state) {
            benchmark::DoNotOptimize(BuildTables(&whole));
            benchmark::ClobberMemory();
        }
    });
}

void RegisterScenes()
{
    // Each scene as the frame loop draws it, plus the conversion that PresentFrame makes.
    for (int32_t order = 0; order <= LastOrder; ++order)
        Register("Scene/" + std::to_string(order), [order] {
            SetClock(order);
            DrawScene(order, SceneRow, SceneRecords);
            ConvertFrame(Framebuffer, Staging);
        });
}

struct Rect {
    std::string name;
    uint16_t x0, y0, x1, y1;
};
const Rect Full = {"Full", 0, 0, BufferWidth, BufferHeight};
const Rect UpperLeft = {"UpperLeft", 0, 0, BufferCenterX, BufferCenterY};
const Rect UpperRight = {"UpperRight", BufferCenterX, 0, BufferWidth, BufferCenterY};
const Rect LowerLeft = {"LowerLeft", 0, BufferCenterY, BufferCenterX, BufferHeight};
const Rect LowerRight = {"LowerRight", BufferCenterX, BufferCenterY, BufferWidth, BufferHeight};
const Rect RightHalf = {"RightHalf", BufferCenterX, 0, BufferWidth, BufferHeight};

// The split routines' two parts at column splitX.
Rect Left(uint16_t splitX)
{
    return {"Left" + std::to_string(splitX), 0, 0, splitX, BufferHeight};
}
Rect Right(uint16_t splitX)
{
    return {"Right" + std::to_string(splitX), splitX, 0, BufferWidth, BufferHeight};
}

void RegisterEffect(const char* effect, const Rect& rect, int32_t order, void (*draw)(const Region*, uint32_t),
                    uint32_t argument = 0)
{
    const Region r = At(rect.x0, rect.y0, rect.x1, rect.y1, order);
    Register("Effect/" + std::string(effect) + "/" + rect.name, [r, draw, argument] { draw(&r, argument); });
}

// Split routines fill their records from the clock and split at the level's column.
void RegisterSplit(const char* effect, uint16_t splitX, int32_t order, uint32_t level,
                   void (*split)(Region*, Region*, uint32_t))
{
    Register(std::string("Effect/") + effect + "/Split" + std::to_string(splitX), [order, level, split] {
        SetClock(order);
        Region records[2];
        split(&records[0], &records[1], level);
    });
}

std::vector<ShowTimes> ShowResults_;

void RegisterShow()
{
    // One benchmark per form of the loops, a pass of the whole show per iteration (one, unless
    // the minimum time asks for more): its counters are the mean and the slowest frame of the
    // run's passes, in microseconds, and every pass is kept for the report.
    for (const PixelLoops& loops : PixelLoopChoices()) {
        ShowResults_.push_back({loops.name, {}});
        const size_t slot = ShowResults_.size() - 1;
        benchmark::RegisterBenchmark((ShowName + "/" + loops.name).c_str(), [loops, slot](benchmark::State& state) {
            UsePixelLoops(loops);
            std::vector<double> frames;
            for (auto _ : state) {
                frames = TimeShow(Staging, 1);
                ShowResults_[slot].passes.push_back(frames);
            }
            UsePixelLoops(OwnLoops());
            double sum = 0, slowest = 0;
            for (const double t : frames) {
                sum += t;
                slowest = std::max(slowest, t);
            }
            state.counters["mean"] = sum / static_cast<double>(frames.size()) * 1e6;
            state.counters["slowest"] = slowest * 1e6;
        });
    }
}

void RegisterEffects()
{
    const auto fade = [](const Region* r, uint32_t level) { FadePicture(r, level); };
    const auto cover = [](const Region* r, uint32_t level) { IrisCover(r, level); };
    const auto reveal = [](const Region* r, uint32_t level) { IrisReveal(r, level); };
    const auto bars = [](const Region* r, uint32_t) { CopperBars(r); };
    const auto xor3 = [](const Region* r, uint32_t flag) { RingsXor3(r, static_cast<uint16_t>(flag)); };
    const auto sum2 = [](const Region* r, uint32_t) { RingsSum2(r); };
    const auto roto = [](const Region* r, uint32_t) { Rotozoom(r); };
    const auto tunnel = [](const Region* r, uint32_t) { Tunnel(r); };
    const auto scroller = [](const Region* r, uint32_t pos) { Scroller(r, static_cast<int32_t>(pos)); };
    const auto fill = [](const Region*, uint32_t) { FillScreen(0); };

    RegisterEffect("FadePicture", Full, 0, fade, LevelsAt(0, SceneRow).fall);
    for (const int32_t order : {1, 2}) {
        const uint32_t level = LevelsAt(order, SceneRow).wipe;
        RegisterSplit("CopperWipe", CopperWipeSplit(level), order, level, CopperWipe);
    }
    RegisterEffect("CopperBars", Full, 3, bars);
    RegisterEffect("IrisCover", Full, 4, cover, LevelsAt(4, SceneRow).fall);
    RegisterEffect("RingsXor3Overlay", Full, 7, xor3, 0);
    RegisterEffect("RingsXor3", Full, 9, xor3, 1);
    for (const int32_t row : {1, 32, 63}) {
        const uint32_t level = LevelsAt(10, row).rise;
        const uint16_t splitX = RotoRings3Split(level);
        RegisterSplit("SplitRotoRings3", splitX, 10, level, SplitRotoRings3);
        RegisterEffect("Rotozoom", Left(splitX), 10, roto);
        RegisterEffect("RingsXor3", Right(splitX), 10, xor3, 1);
    }
    RegisterEffect("Rotozoom", Full, 11, roto);
    for (const int32_t row : {0, 1, 32, 63}) {
        const uint32_t level = LevelsAt(14, row).rise;
        const uint16_t splitX = RotoRings2Split(level);
        RegisterSplit("SplitRotoRings2", splitX, 14, level, SplitRotoRings2);
        RegisterEffect("Rotozoom", Left(splitX), 14, roto);
        RegisterEffect("RingsSum2", Right(splitX), 14, sum2);
    }
    for (const Rect& quadrant : {UpperLeft, LowerRight})
        RegisterEffect("RingsSum2", quadrant, 15, sum2);
    for (const Rect& quadrant : {UpperRight, LowerLeft, UpperLeft, LowerRight})
        RegisterEffect("RingsXor3", quadrant, 15, xor3, 1);
    RegisterEffect("Rotozoom", RightHalf, 17, roto);
    RegisterEffect("Rotozoom", UpperRight, 18, roto);
    RegisterEffect("Tunnel", LowerLeft, 18, tunnel);
    RegisterEffect("Tunnel", Full, 19, tunnel);
    RegisterEffect("IrisReveal", Full, 22, reveal, LevelsAt(22, SceneRow).rise);
    RegisterEffect("Scroller", Full, 26, scroller, static_cast<uint32_t>(LevelsAt(26, SceneRow).scrollPos));
    RegisterEffect("FillScreen", Full, 31, fill);
}

// Gentle mode's cost a frame: on the rings, two frames a row apart taking turns (where it blends
// every pixel), and on one frame that stands still (where it shows the drawing as it is).
void RegisterGentle()
{
    static std::vector<uint16_t> rings[2];
    for (int k = 0; k < 2; ++k) {
        const Region r = At(0, 0, BufferWidth, BufferHeight, 9);
        Region moved = r;
        moved.millis += static_cast<uint32_t>(k) * RowMillis;
        RingsXor3(&moved, 1);
        rings[k].assign(Framebuffer, Framebuffer + BufferPixels);
    }
    for (const bool still : {false, true}) {
        benchmark::RegisterBenchmark(still ? "Gentle/Still" : "Gentle/Rings", [still](benchmark::State& state) {
            static GentleMode gentle;
            StartGentle(&gentle);
            uint32_t millis = 0, n = 0;
            for (auto _ : state) {
                millis += 16;
                benchmark::DoNotOptimize(GentleFrame(&gentle, rings[still ? 0 : ++n % 2].data(), millis));
            }
        });
    }
}

}  // namespace

const std::vector<ShowTimes>& ShowResults()
{
    return ShowResults_;
}

bool RegisterSubjects(std::string* error)
{
    ShowState start;
    if (!PrepareOfflineShow(&Frame, &start, error))
        return false;
    for (size_t i = 0; i < Frame.size(); ++i)
        Frame[i] = static_cast<uint16_t>(i * 2654435761u >> 11);
    // Order 30 draws through R1 as the last frame of order 29 left it.
    SetClock(29);
    DrawScene(29, SceneRow, SceneRecords);

    RegisterFloor();
    RegisterConversions();
    RegisterBuildTables();
    RegisterScenes();
    std::string planError;
    if (PlanShow(&planError))
        RegisterShow();
    else
        std::fprintf(stderr, "sideways-bench: %s; no Show subject\n", planError.c_str());
    RegisterEffects();
    RegisterGentle();
    return true;
}
