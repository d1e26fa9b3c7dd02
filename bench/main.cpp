// sideways-bench: every subject with its time and its ratio to the frame-copy floor of the same
// run. Without flags it runs five repetitions of at least 0.1 s each and shows only the
// aggregates; any --benchmark_* flag given on the command line takes precedence.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "subjects.h"

namespace {

// The speed targets, one core, release build.
constexpr double ConvertTarget = 15e-6;
constexpr double SceneMedianTarget = 100e-6;
constexpr double SceneSlowestTarget = 200e-6;
constexpr double BuildTablesTarget = 15e-3;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Duration(double seconds)
{
    char text[32];
    if (seconds >= 1e-3)
        std::snprintf(text, sizeof text, "%9.3f ms", seconds * 1e3);
    else
        std::snprintf(text, sizeof text, "%9.2f us", seconds * 1e6);
    return text;
}

bool HasFlag(int argc, char** argv, const char* flag)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0)
            return true;
    return false;
}

}  // namespace

FloorReporter::Subject* FloorReporter::Find(const std::string& name)
{
    for (Subject& s : subjects_)
        if (s.name == name)
            return &s;
    return nullptr;
}

void FloorReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred || run.iterations == 0)
            continue;
        Subject* s = Find(run.run_name.str());
        if (s == nullptr)
            s = &subjects_.emplace_back(Subject{run.run_name.str(), {}, -1});
        const double perIteration = run.real_accumulated_time / static_cast<double>(run.iterations);
        if (run.run_type == Run::RT_Iteration)
            s->seconds.push_back(perIteration);
        else if (run.aggregate_name == "median")
            s->median = perIteration;
    }
}

void FloorReporter::Finalize()
{
    ConsoleReporter::Finalize();
    std::FILE* out = stdout;
    std::fflush(out);
    for (Subject& s : subjects_)
        if (s.median < 0 && !s.seconds.empty())
            s.median = Median(s.seconds);
    const Subject* floorSubject = Find(FloorName);
    const double floorTime = floorSubject != nullptr ? floorSubject->median : -1;
    if (floorTime <= 0)
        std::fprintf(out, "\nNo floor in this run (filtered out?): times only.\n");
    std::fprintf(out, "\n%-36s %12s %10s\n", "Subject (median, real time)", "time", "x floor");
    for (const Subject& s : subjects_) {
        if (s.median < 0)
            continue;
        if (floorTime > 0)
            std::fprintf(out, "%-36s %12s %10.2f\n", s.name.c_str(), Duration(s.median).c_str(), s.median / floorTime);
        else
            std::fprintf(out, "%-36s %12s\n", s.name.c_str(), Duration(s.median).c_str());
    }

    std::vector<const Subject*> scenes;
    for (const Subject& s : subjects_)
        if (s.name.rfind("Scene/", 0) == 0 && s.median >= 0)
            scenes.push_back(&s);
    std::fprintf(out, "\nTargets (one core, release build):\n");
    const auto report = [&](const std::string& what, double seconds, double target) {
        char ratio[32] = "";
        if (floorTime > 0)
            std::snprintf(ratio, sizeof ratio, "%8.2f x floor", seconds / floorTime);
        std::fprintf(out, "  %-42s %12s %s   target %s  %s\n", what.c_str(), Duration(seconds).c_str(), ratio,
                     Duration(target).c_str(), seconds <= target ? "met" : "MISSED");
    };
    if (const Subject* s = Find("Convert"); s != nullptr && s->median >= 0)
        report("Convert", s->median, ConvertTarget);
    if (!scenes.empty()) {
        std::vector<double> medians;
        const Subject* slowest = scenes.front();
        for (const Subject* s : scenes) {
            medians.push_back(s->median);
            if (s->median > slowest->median)
                slowest = s;
        }
        report("Scene + Convert, median of " + std::to_string(scenes.size()) + " orders", Median(medians), SceneMedianTarget);
        report("Scene + Convert, slowest (" + slowest->name + ")", slowest->median, SceneSlowestTarget);
    }
    if (const Subject* s = Find("BuildTables"); s != nullptr && s->median >= 0)
        report("BuildTables", s->median, BuildTablesTarget);
}

int main(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string minTime = "--benchmark_min_time=0.1";
    std::string aggregates = "--benchmark_display_aggregates_only=true";
    if (!HasFlag(argc, argv, "--benchmark_repetitions"))
        args.push_back(repetitions.data());
    if (!HasFlag(argc, argv, "--benchmark_min_time"))
        args.push_back(minTime.data());
    if (!HasFlag(argc, argv, "--benchmark_display_aggregates_only") && !HasFlag(argc, argv, "--benchmark_report_aggregates_only"))
        args.push_back(aggregates.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    RegisterSubjects();
    FloorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
