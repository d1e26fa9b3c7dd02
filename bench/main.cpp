// sideways-bench: every subject with its time and its ratio to the frame-copy floor of the same
// run. Without flags it runs five repetitions of at least 0.1 s each and shows only the
// aggregates; any --benchmark_* flag given on the command line takes precedence.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "effects/loops.h"
#include "show.h"
#include "sound/music.h"
#include "subjects.h"

namespace {

// The speed targets, one core, release build: the conversion and the mean and slowest frame of
// the show (with the program's own choice of loops) as multiples of the floor of the same run, the
// table build in seconds.
constexpr double ConvertFloors = 1.5;
constexpr double ShowMeanFloors = 4;
constexpr double ShowSlowestFloors = 8;
constexpr double BuildTablesTarget = 5e-3;

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

const SubjectTimes* Find(const std::vector<SubjectTimes>& subjects, const std::string& name)
{
    for (const SubjectTimes& s : subjects)
        if (s.name == name)
            return &s;
    return nullptr;
}

// The rest of a line of the show's figures: the time and, with a floor, its ratio to it.
void PrintTime(std::FILE* out, double seconds, double floorTime)
{
    if (floorTime > 0)
        std::fprintf(out, " %12s %8.2f x floor\n", Duration(seconds).c_str(), seconds / floorTime);
    else
        std::fprintf(out, " %12s\n", Duration(seconds).c_str());
}

// One line per subject but the whole show: its median and its ratio to the floor.
void ReportSubjects(std::FILE* out, const std::vector<SubjectTimes>& subjects, double floorTime)
{
    if (floorTime <= 0)
        std::fprintf(out, "\nNo floor in this run (filtered out?): times only.\n");
    std::fprintf(out, "\n%-36s %12s %10s\n", "Subject (median, CPU time)", "time", "x floor");
    for (const SubjectTimes& s : subjects) {
        // A whole pass of the show (run as "Show/iterations:1"); its frames are reported below.
        if (s.median < 0 || s.name == ShowName || s.name.rfind(ShowName + "/", 0) == 0)
            continue;
        if (floorTime > 0)
            std::fprintf(out, "%-36s %12s %10.2f\n", s.name.c_str(), Duration(s.median).c_str(), s.median / floorTime);
        else
            std::fprintf(out, "%-36s %12s\n", s.name.c_str(), Duration(s.median).c_str());
    }
}

// The median and the slowest of the Scene/<order> subjects.
void ReportScenes(std::FILE* out, const std::vector<SubjectTimes>& subjects, double floorTime)
{
    std::vector<const SubjectTimes*> scenes;
    for (const SubjectTimes& s : subjects)
        if (s.name.rfind("Scene/", 0) == 0 && s.median >= 0)
            scenes.push_back(&s);
    if (scenes.empty())
        return;
    std::vector<double> medians;
    const SubjectTimes* slowest = scenes.front();
    for (const SubjectTimes* s : scenes) {
        medians.push_back(s->median);
        if (s->median > slowest->median)
            slowest = s;
    }
    const auto ratio = [&](double seconds) { return floorTime > 0 ? seconds / floorTime : 0.0; };
    std::fprintf(out, "\nScene + Convert at row 32: median of %zu orders %s (%.2f x floor), slowest %s %s (%.2f x floor)\n",
                 scenes.size(), Duration(Median(medians)).c_str(), ratio(Median(medians)), slowest->name.c_str(),
                 Duration(slowest->median).c_str(), ratio(slowest->median));
}

// How many frames of each order take longer than the target, for the orders that have some.
void ReportFramesOverTarget(std::FILE* out, const std::vector<double>& frames, double floorTime)
{
    std::vector<uint32_t> over(32, 0);
    size_t total = 0;
    for (size_t k = 0; k < frames.size(); ++k)
        if (frames[k] > ShowSlowestFloors * floorTime) {
            ++over[PositionOrder(ShowFrames()[k].position) % 32];
            ++total;
        }
    std::fprintf(out, "  over %.0f x floor: %zu frames;", ShowSlowestFloors, total);
    for (size_t order = 0; order < over.size(); ++order)
        if (over[order] > 0)
            std::fprintf(out, " %zu:%u", order, over[order]);
    std::fprintf(out, " (order:frames)\n");
}

// For each form of the loops, the mean, 99th percentile and slowest of each frame's median over
// the passes. Returns the mean and slowest of the program's own form (-1 when the show did not
// run).
std::pair<double, double> ReportShow(std::FILE* out, double floorTime)
{
    std::pair<double, double> own = {-1, -1};
    for (const ShowTimes& run : ShowResults()) {
        if (run.passes.empty())
            continue;
        std::vector<double> frames;
        for (size_t k = 0; k < run.passes.front().size(); ++k) {
            std::vector<double> times;
            for (const std::vector<double>& pass : run.passes)
                times.push_back(pass[k]);
            frames.push_back(Median(times));
        }
        const size_t slowest = static_cast<size_t>(std::max_element(frames.begin(), frames.end()) - frames.begin());
        std::vector<double> sorted = frames;
        std::sort(sorted.begin(), sorted.end());
        double sum = 0;
        for (const double t : frames)
            sum += t;
        std::fprintf(out, "\nShow/%s: %zu frames at 60 fps, draw + convert, each frame's median of %zu passes\n",
                     run.form.c_str(), frames.size(), run.passes.size());
        std::fprintf(out, "  %-16s", "mean");
        PrintTime(out, sum / static_cast<double>(frames.size()), floorTime);
        std::fprintf(out, "  %-16s", "99th percentile");
        PrintTime(out, sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)], floorTime);
        std::fprintf(out, "  %-16s", "slowest");
        PrintTime(out, frames[slowest], floorTime);
        const PlannedFrame& at = ShowFrames()[slowest];
        std::fprintf(out, "  slowest frame: %zu, order %u row %u, clock %u ms\n", slowest, PositionOrder(at.position),
                     PositionRow(at.position), at.millis);
        if (floorTime > 0)
            ReportFramesOverTarget(out, frames, floorTime);
        if (run.form == OwnLoops().name)
            own = {sum / static_cast<double>(frames.size()), frames[slowest]};
    }
    return own;
}

// The speed targets, met or missed.
void ReportTargets(std::FILE* out, const std::vector<SubjectTimes>& subjects, double floorTime, double showMean,
                   double showSlowest)
{
    std::fprintf(out, "\nTargets (one core, release build):\n");
    const auto report = [&](const std::string& what, double seconds, const std::string& target, bool met) {
        char ratio[32] = "";
        if (floorTime > 0)
            std::snprintf(ratio, sizeof ratio, "%8.2f x floor", seconds / floorTime);
        std::fprintf(out, "  %-36s %12s %s   target %-16s %s\n", what.c_str(), Duration(seconds).c_str(), ratio,
                     target.c_str(), met ? "met" : "MISSED");
    };
    const auto floors = [&](double n) {
        char text[32];
        std::snprintf(text, sizeof text, "%g x floor", n);
        return std::string(text);
    };
    if (const SubjectTimes* s = Find(subjects, "Convert"); s != nullptr && s->median >= 0 && floorTime > 0)
        report("Convert", s->median, floors(ConvertFloors), s->median <= ConvertFloors * floorTime);
    if (showMean >= 0 && floorTime > 0)
        report("Show, mean frame", showMean, floors(ShowMeanFloors), showMean <= ShowMeanFloors * floorTime);
    if (showSlowest >= 0 && floorTime > 0)
        report("Show, slowest frame", showSlowest, floors(ShowSlowestFloors), showSlowest <= ShowSlowestFloors * floorTime);
    if (const SubjectTimes* s = Find(subjects, "BuildTables"); s != nullptr && s->median >= 0)
        report("BuildTables", s->median, Duration(BuildTablesTarget), s->median <= BuildTablesTarget);
}

// Whether a run failed or was skipped: Google Benchmark 1.8 replaced the run's error_occurred
// flag with skipped (Debian 12 has 1.7, Debian 13 1.9).
template <typename R>
bool RunFailed(const R& run)
{
    if constexpr (requires { run.skipped; })
        return run.skipped != 0;
    else
        return run.error_occurred;
}

}  // namespace

void FloorReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (RunFailed(run) || run.iterations == 0)
            continue;
        auto s = std::find_if(subjects_.begin(), subjects_.end(),
                              [&](const SubjectTimes& t) { return t.name == run.run_name.str(); });
        if (s == subjects_.end())
            s = subjects_.insert(subjects_.end(), SubjectTimes{run.run_name.str(), {}, -1});
        const double perIteration = run.cpu_accumulated_time / static_cast<double>(run.iterations);
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
    for (SubjectTimes& s : subjects_)
        if (s.median < 0 && !s.seconds.empty())
            s.median = Median(s.seconds);
    const SubjectTimes* floorSubject = Find(subjects_, FloorName);
    const double floorTime = floorSubject != nullptr ? floorSubject->median : -1;
    ReportSubjects(out, subjects_, floorTime);
    ReportScenes(out, subjects_, floorTime);
    const auto [showMean, showSlowest] = ReportShow(out, floorTime);
    ReportTargets(out, subjects_, floorTime, showMean, showSlowest);
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
    std::string error;
    if (!RegisterSubjects(&error)) {
        std::fprintf(stderr, "sideways-bench: %s\n", error.c_str());
        return 1;
    }
    // --benchmark_format=json or csv: Google Benchmark's own report, without the floor table.
    if (HasFlag(argc, argv, "--benchmark_format=") && !HasFlag(argc, argv, "--benchmark_format=console")) {
        benchmark::RunSpecifiedBenchmarks();
    } else {
        FloorReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    }
    benchmark::Shutdown();
    return 0;
}
