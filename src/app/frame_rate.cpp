#include "app/frame_rate.h"

#include <cstdio>
#include <cstring>

bool FrameRateWanted(const char* value)
{
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void CountFrame(FrameRate* rate, int64_t nanos)
{
    ++rate->calls;
    if (rate->calls == 2)
        rate->firstNanos = nanos;
    rate->lastNanos = nanos;
}

static void AddCost(FrameCost* cost, int64_t nanos)
{
    ++cost->frames;
    cost->totalNanos += nanos;
    if (nanos > cost->worstNanos)
        cost->worstNanos = nanos;
}

void CountTimedFrame(FrameRate* rate, const PresentMoments* moments)
{
    const int64_t previousSwap = rate->lastNanos;
    CountFrame(rate, moments->swapped);
    if (rate->calls > 2) {
        AddCost(&rate->software, moments->converted - previousSwap);
        AddCost(&rate->present, moments->swapped - moments->converted);
    }
}

// Frames of the loop: every call but the start frame's.
static uint64_t LoopFrames(const FrameRate* rate)
{
    return rate->calls > 1 ? rate->calls - 1 : 0;
}

double FramesPerSecond(const FrameRate* rate)
{
    const uint64_t frames = LoopFrames(rate);
    const int64_t nanos = rate->lastNanos - rate->firstNanos;
    if (frames < 2 || nanos <= 0)
        return 0;
    return static_cast<double>(frames - 1) * 1e9 / static_cast<double>(nanos);
}

std::string FrameRateReport(const FrameRate* rate)
{
    char line[128];
    const double seconds = LoopFrames(rate) > 0 ? static_cast<double>(rate->lastNanos - rate->firstNanos) * 1e-9 : 0;
    std::snprintf(line, sizeof line, "sideways: %.1f frames per second (%llu frames in %.2f s)\n", FramesPerSecond(rate),
                  static_cast<unsigned long long>(LoopFrames(rate)), seconds);
    std::string report = line;
    const struct { const char* name; const FrameCost* cost; } parts[] = {
        {"software (draw + conversion)", &rate->software}, {"upload and swap", &rate->present}};
    for (const auto& part : parts) {
        const FrameCost* c = part.cost;
        if (c->frames == 0)
            continue;
        const double mean = static_cast<double>(c->totalNanos) / static_cast<double>(c->frames);
        std::snprintf(line, sizeof line, "sideways: %s mean %.3f ms, worst %.3f ms\n", part.name, mean * 1e-6,
                      static_cast<double>(c->worstNanos) * 1e-6);
        report += line;
    }
    return report;
}
