// Console reporter shared by the benchmark programs: besides the usual table it keeps, per
// benchmark, the fastest repetition's CPU time and counters (with --benchmark_repetitions
// the fastest run is the one least disturbed by other work on the machine), so a program
// can print the ratios that matter in its Finalize.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class FastestRunReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      // The name with the benchmark's arguments, so each argument is reported on its own.
      std::string name = run.run_name.function_name;
      if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
      const double ns = run.GetAdjustedCPUTime();
      auto known = cpuNs_.find(name);
      if (known != cpuNs_.end() && known->second <= ns) continue;
      cpuNs_[name] = ns;
      for (const auto& [counter, value] : run.counters) counters_[name][counter] = value.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

 protected:
  // Fastest CPU time per iteration in nanoseconds, by benchmark name (with its arguments).
  const std::map<std::string, double>& cpuNs() const { return cpuNs_; }
  // Counters of that fastest run, by benchmark name and counter name.
  const std::map<std::string, std::map<std::string, double>>& counters() const { return counters_; }

 private:
  std::map<std::string, double> cpuNs_;
  std::map<std::string, std::map<std::string, double>> counters_;
};

// The usual benchmark main, with a reporter of the program's own.
inline int runBenchmarks(int argc, char** argv, benchmark::BenchmarkReporter& reporter) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
