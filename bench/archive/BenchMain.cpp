// The archive benchmarks' entry: after the table, each case the library (or the unpack tool) and a peer program
// ran is printed side by side, with the ratio of their times; with --benchmark_repetitions, of their medians.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class PeerReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (r.run_type == Run::RT_Aggregate && !median) continue;
      // "program/case"
      const std::string& name = r.run_name.function_name;
      const size_t cut = name.find('/');
      if (cut == std::string::npos) continue;
      Time& t = cases_[name.substr(cut + 1)][name.substr(0, cut)];
      if (median || !t.median) t = {r.GetAdjustedRealTime(), median};
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [what, programs] : cases_) {
      const auto ours = std::find_if(programs.begin(), programs.end(),
                                     [](const auto& p) { return p.first == "Library" || p.first == "unpack"; });
      if (ours == programs.end() || programs.size() < 2) continue;
      for (const auto& [peer, time] : programs) {
        if (peer == ours->first || time.value <= 0) continue;
        std::printf("%-24s %s %8.1f ms   %s %8.1f ms   ratio %.2f%s\n", what.c_str(), ours->first.c_str(),
                    ours->second.value, peer.c_str(), time.value, ours->second.value / time.value,
                    ours->second.median && time.median ? " (medians)" : "");
      }
    }
  }

 private:
  struct Time {
    double value = 0;
    bool median = false;
  };
  std::map<std::string, std::map<std::string, Time>> cases_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  PeerReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
