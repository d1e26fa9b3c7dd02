#include "app/timeline.h"

#include "effects/effects.h"

SceneLevels LevelsAt(int32_t order, int32_t row)
{
    SceneLevels levels;
    levels.rise = (static_cast<uint32_t>(row) << 10) & 0xFFFF;
    levels.fall = 0xFFFF - levels.rise;
    levels.wipe = ((static_cast<uint32_t>(row) - static_cast<uint32_t>(order - 1) * 64) << 9) & 0xFFFF;
    levels.scrollPos = (order - 23) * 64 + row;
    return levels;
}

constexpr uint16_t Forever = 0xFFFF;
constexpr uint8_t R1 = 0, R2 = 1, R3 = 2, R4 = 3;

static const SceneStep Steps[] = {
    // first last  preset               record call                    argument
    {0, 0,   Preset::Full,       R1, Call::FadePicture,     Arg::Fall},       // the warning fades out
    {1, 2,   Preset::Keep,       R1, Call::FreezeClock,     Arg::Zero},       // bars stand still...
    {1, 2,   Preset::Keep,       R1, Call::CopperWipe,      Arg::Wipe},       // ...while they wipe in
    {3, 3,   Preset::Full,       R1, Call::CopperBars,      Arg::Zero},       // the bars move
    {4, 4,   Preset::Full,       R1, Call::CopperBars,      Arg::Zero},
    {4, 4,   Preset::Keep,       R1, Call::IrisCover,       Arg::Fall},       // the logo closes in
    {5, 6,   Preset::Full,       R1, Call::IrisCover,       Arg::Zero},       // the logo stands
    {7, 8,   Preset::Full,       R1, Call::IrisCover,       Arg::Zero},
    {7, 8,   Preset::Keep,       R1, Call::RingsXor3,       Arg::Zero},       // rings over the logo
    {9, 9,   Preset::Full,       R1, Call::RingsXor3,       Arg::One},        // rings alone
    {10, 10, Preset::Keep,       R1, Call::SplitRotoRings3, Arg::Rise},       // rotozoomer grows in
    {11, 13, Preset::Full,       R1, Call::Rotozoom,        Arg::Zero},
    {14, 14, Preset::Keep,       R1, Call::SplitRotoRings2, Arg::Rise},       // summed rings take over
    {15, 16, Preset::UpperLeft,  R1, Call::RingsSum2,       Arg::Zero},       // four quadrants of rings
    {15, 16, Preset::LowerRight, R2, Call::RingsSum2,       Arg::Zero},
    {15, 16, Preset::UpperRight, R1, Call::RingsXor3,       Arg::One},
    {15, 16, Preset::LowerLeft,  R2, Call::RingsXor3,       Arg::One},
    {17, 17, Preset::LowerLeft,  R1, Call::None,            Arg::Zero},       // R1 filled first...
    {17, 17, Preset::UpperLeft,  R2, Call::RingsSum2,       Arg::Zero},
    {17, 17, Preset::Keep,       R1, Call::RingsXor3,       Arg::One},        // ...drawn after R2
    {17, 17, Preset::RightHalf,  R3, Call::Rotozoom,        Arg::Zero},
    {18, 18, Preset::UpperLeft,  R1, Call::RingsXor3,       Arg::One},        // rings, roto, tunnel
    {18, 18, Preset::LowerRight, R2, Call::RingsXor3,       Arg::One},
    {18, 18, Preset::UpperRight, R3, Call::Rotozoom,        Arg::Zero},
    {18, 18, Preset::LowerLeft,  R4, Call::Tunnel,          Arg::Zero},
    {19, 21, Preset::Full,       R1, Call::Tunnel,          Arg::Zero},
    {22, 22, Preset::Full,       R1, Call::Tunnel,          Arg::Zero},
    {22, 22, Preset::Keep,       R1, Call::IrisReveal,      Arg::Rise},       // the scroller opens
    {23, 29, Preset::Full,       R1, Call::Scroller,        Arg::ScrollPos},  // the credits
    {30, 30, Preset::Keep,       R1, Call::FillBlack,       Arg::Zero},
    {30, 30, Preset::Keep,       R1, Call::IrisReveal,      Arg::Fall},       // R1 from an earlier frame
    {31, Forever, Preset::Keep,  R1, Call::FillBlack,       Arg::Zero},       // the end
};
const std::span<const SceneStep> SceneTimeline(Steps);

bool SceneScrolls(int32_t order)
{
    for (const SceneStep& step : SceneTimeline)
        if (step.call == Call::Scroller && order >= step.first && order <= step.last)
            return true;
    return false;
}

static Region* ApplyPreset(Preset preset, Region* r)
{
    switch (preset) {
    case Preset::Keep: return r;
    case Preset::Full: return RegionFull(r);
    case Preset::UpperLeft: return RegionUpperLeft(r);
    case Preset::UpperRight: return RegionUpperRight(r);
    case Preset::LowerLeft: return RegionLowerLeft(r);
    case Preset::LowerRight: return RegionLowerRight(r);
    case Preset::RightHalf: return RegionRightHalf(r);
    }
    return r;
}

static uint32_t Argument(Arg arg, const SceneLevels& levels)
{
    switch (arg) {
    case Arg::Zero: return 0;
    case Arg::One: return 1;
    case Arg::Rise: return levels.rise;
    case Arg::Fall: return levels.fall;
    case Arg::Wipe: return levels.wipe;
    case Arg::ScrollPos: return static_cast<uint32_t>(levels.scrollPos);
    }
    return 0;
}

void DrawScene(int32_t order, int32_t row, Region records[4])
{
    const SceneLevels levels = LevelsAt(order, row);
    for (const SceneStep& step : SceneTimeline) {
        if (order < step.first || order > step.last)
            continue;
        Region* r = ApplyPreset(step.preset, &records[step.record]);
        const uint32_t a = Argument(step.arg, levels);
        switch (step.call) {
        case Call::None: break;
        case Call::FreezeClock: ElapsedMillis = 3000; break;
        case Call::FillBlack: FillScreen(0); break;
        case Call::FadePicture: FadePicture(r, a); break;
        case Call::IrisCover: IrisCover(r, a); break;
        case Call::IrisReveal: IrisReveal(r, a); break;
        case Call::CopperBars: CopperBars(r); break;
        case Call::CopperWipe: CopperWipe(r, r + 1, a); break;
        case Call::RingsXor3: RingsXor3(r, static_cast<uint16_t>(a)); break;
        case Call::RingsSum2: RingsSum2(r); break;
        case Call::Rotozoom: Rotozoom(r); break;
        case Call::SplitRotoRings2: SplitRotoRings2(r, r + 1, a); break;
        case Call::SplitRotoRings3: SplitRotoRings3(r, r + 1, a); break;
        case Call::Tunnel: Tunnel(r); break;
        case Call::Scroller: Scroller(r, static_cast<int32_t>(a)); break;
        }
    }
}
