// Which pixel loops the effects draw with.
#include "effects/effects.h"
#include "effects/wide.h"

static const EffectLoops AllLoops[] = {EffectLoops::Plain, EffectLoops::Wide};

std::span<const EffectLoops> EffectLoopChoices()
{
#ifdef SIDEWAYS_WIDE_EFFECTS
    static const size_t count = ProcessorRunsWideLoops() ? 2 : 1;
#else
    constexpr size_t count = 1;
#endif
    return std::span<const EffectLoops>(AllLoops, count);
}

static EffectLoops& ChosenLoops()
{
    static EffectLoops chosen = EffectLoopChoices().back();
    return chosen;
}

void UseEffectLoops(EffectLoops loops)
{
    ChosenLoops() = loops;
}

bool WideLoops()
{
    return ChosenLoops() == EffectLoops::Wide;
}
