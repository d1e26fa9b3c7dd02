// The workloads of sideways-bench and the report that sets each beside the frame-copy floor.
#pragma once
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

// Name of the floor: a plain copy of one 153,600-byte frame.
inline const std::string FloorName = "Floor";
// Name of the whole show: every frame at 60 fps, each timed on its own (see show.h), run once for
// each form of the pixel loops as Show/<form>.
inline const std::string ShowName = "Show";

// Registers every subject in report order: Floor, Convert, Convert/<form>, BuildTables,
// Scene/<order> for orders 0..31 (DrawScene at row 32 plus ConvertFrame), Show/<form> (a pass of
// the show per run), Effect/<name>/<region>, Gentle/Rings and Gentle/Still. Builds the tables and
// points Framebuffer at a buffer of its own and prepares the show offline first; call once, before
// running. False, with *error, when the show cannot be prepared.
bool RegisterSubjects(std::string* error);

// The Show/<form> passes made so far: each pass's frame times in seconds.
struct ShowTimes {
    std::string form;
    std::vector<std::vector<double>> passes;
};
const std::vector<ShowTimes>& ShowResults();

// One subject's times as the runs reported them.
struct SubjectTimes {
    std::string name;
    std::vector<double> seconds;  // per iteration, one entry per repetition
    double median = -1;           // from the median aggregate, when it was reported
};

// The console report, followed at the end by one line per subject: its median time per iteration
// over the repetitions and its ratio to the floor's median of the same run, then the speed targets.
class FloorReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    std::vector<SubjectTimes> subjects_;
};
