// Runs the benchmarks with interleaved repetitions, so that a busy machine slows a figure and
// its baseline alike, and prints after Google Benchmark's own report one line per row of the
// table scripts/bench shows: ROW <name> <figure> <baseline> <unit> <goal>, medians in us.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Row {
  const char *name;
  const char *figure;  // benchmark names
  const char *baseline;
  double goal;  // the largest ratio figure / baseline allowed
};

constexpr Row kRows[] = {
    // Kestrane's part of opening its menu, against the shell's part: storing what it is given.
    {"menu, full table: building / the shell storing it", "BuildMenuForAFullTable",
     "StoreTheSameMenuInTheShell", 1.00},
    // The line work of a rewrite, against the file work it cannot avoid.
    {"list rewrite, 100 lines: one line / file unchanged", "RewriteInAHundredLineList",
     "ReplaceTheSameListUnchanged", 1.50},
    {"gear frame: turning / still", "PaintOneSpinnerFrame", "PaintOneStillFrame", 1.25},
};

// Google Benchmark's console report, without colours (it goes to a log), keeping each
// benchmark's median in microseconds.
class MedianReporter final : public benchmark::ConsoleReporter {
 public:
  MedianReporter() : ConsoleReporter(OO_Tabular) {}
  std::map<std::string, double> medians;

  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medians[run.run_name.function_name] =
            run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kMicrosecond) /
            benchmark::GetTimeUnitMultiplier(run.time_unit);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char **argv) {
  // Defaults first, so that the caller's own flags win.
  std::vector<char *> args{argv[0]};
  std::string defaults[] = {"--benchmark_repetitions=9",
                            "--benchmark_enable_random_interleaving=true",
                            "--benchmark_report_aggregates_only=true"};
  for (std::string &d : defaults) args.push_back(d.data());
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  for (const Row &row : kRows) {
    auto figure = reporter.medians.find(row.figure);
    auto baseline = reporter.medians.find(row.baseline);
    if (figure == reporter.medians.end() || baseline == reporter.medians.end()) continue;
    std::printf("ROW\t%s\t%.3f\t%.3f\tus\t%.2f\n", row.name, figure->second, baseline->second,
                row.goal);
  }
  return 0;
}
