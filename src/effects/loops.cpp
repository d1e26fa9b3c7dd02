// Which pixel loops the effects and the conversion run. The vector forms are reached through
// Highway's dispatch, which picks the best compiled form the processor runs; choosing one form
// restricts what Highway believes the processor runs to that form alone.
#include "effects/loops.h"

#include <hwy/targets.h>

#include <algorithm>
#include <vector>

static const std::vector<PixelLoops>& Choices()
{
    // Built before any restriction: Highway lists the compiled forms this processor runs, best first.
    static const std::vector<PixelLoops> choices = [] {
        std::vector<PixelLoops> list;
        for (const int64_t target : hwy::SupportedAndGeneratedTargets())
            list.push_back({hwy::TargetName(target), target});
        list.push_back({"Plain", 0});
        std::reverse(list.begin(), list.end());
        return list;
    }();
    return choices;
}

// Highway's baseline forms for processors without SSE4 draw slower than the plain loops: its
// one-lane SCALAR form (the show's mean frame 1.4 times as long) and SSE2's (2.1 times, and the
// conversion 2 times). A processor whose best form is one of them draws with the plain loops.
static bool SlowerThanPlain(int64_t target)
{
#ifdef HWY_SSE2
    if (target == HWY_SSE2)
        return true;
#endif
    return target == HWY_SCALAR;
}

const PixelLoops& OwnLoops()
{
    return SlowerThanPlain(Choices().back().target) ? Choices().front() : Choices().back();
}

static const PixelLoops*& Chosen()
{
    static const PixelLoops* chosen = &OwnLoops();
    return chosen;
}

std::span<const PixelLoops> PixelLoopChoices()
{
    return Choices();
}

void UsePixelLoops(const PixelLoops& loops)
{
    // The best form is what Highway picks unrestricted.
    const bool best = loops.target == Choices().back().target;
    hwy::SetSupportedTargetsForTest(best || loops.target == 0 ? 0 : loops.target);
    for (const PixelLoops& choice : Choices())
        if (choice.target == loops.target)
            Chosen() = &choice;
}

const PixelLoops& ChosenLoops()
{
    return *Chosen();
}

bool PlainLoops()
{
    return Chosen()->target == 0;
}
