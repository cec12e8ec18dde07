// What the ratio benchmarks share: a console reporter that also keeps each benchmark's summed
// times, so a program can print its ratio against a baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace Lumidraft::bench {

class TotalsReporter : public benchmark::ConsoleReporter {
public:
    struct Total {
        double cpu = 0, real = 0, iterations = 0;
    };

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                auto& sum = totals_[run.run_name.function_name];
                sum.cpu += run.cpu_accumulated_time;
                sum.real += run.real_accumulated_time;
                sum.iterations += static_cast<double>(run.iterations);
            }
        ConsoleReporter::ReportRuns(runs);
    }

    // Totals of the benchmark registered under this name (zero when it did not run).
    Total total(const std::string& name) const
    {
        const auto it = totals_.find(name);
        return it == totals_.end() ? Total{} : it->second;
    }

private:
    std::map<std::string, Total> totals_;
};

// The order of a round's benchmarks: as listed in even rounds, reversed in odd ones, so the two
// sides of a comparison stay next to each other and neither is always the one measured first.
inline std::vector<std::size_t> roundOrder(int round, std::size_t count)
{
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = round % 2 == 0 ? i : count - 1 - i;
    return order;
}

// Per-round ratios of time per iteration, numerator over denominator, for benchmarks registered
// as "<numerator>/<round>" and "<denominator>/<round>"; rounds where either did not run are skipped.
struct RoundRatios {
    std::vector<double> cpu, real;
};

inline RoundRatios roundRatios(const TotalsReporter& reporter, const std::string& numerator,
                               const std::string& denominator, int rounds)
{
    RoundRatios ratios;
    for (int r = 0; r < rounds; ++r) {
        const auto n = reporter.total(numerator + "/" + std::to_string(r));
        const auto d = reporter.total(denominator + "/" + std::to_string(r));
        if (n.iterations == 0 || d.iterations == 0)
            continue;
        ratios.cpu.push_back((n.cpu / n.iterations) / (d.cpu / d.iterations));
        ratios.real.push_back((n.real / n.iterations) / (d.real / d.iterations));
    }
    return ratios;
}

// The times per iteration (seconds) of the round whose ratio numerator / denominator is the median,
// so a goal line can show two measured figures whose ratio is the median ratio. With an even number
// of rounds the one of the two middle rounds that is worse for the goal is taken: the higher ratio
// for a ceiling (`atMost`), the lower for a floor. Both are zero when no round ran.
struct RoundTimes {
    double numerator = 0, denominator = 0;
};

inline RoundTimes medianRound(const TotalsReporter& reporter, const std::string& numerator,
                              const std::string& denominator, int rounds, bool realTime, bool atMost)
{
    std::vector<RoundTimes> times;
    for (int r = 0; r < rounds; ++r) {
        const auto n = reporter.total(numerator + "/" + std::to_string(r));
        const auto d = reporter.total(denominator + "/" + std::to_string(r));
        if (n.iterations == 0 || d.iterations == 0)
            continue;
        times.push_back({(realTime ? n.real : n.cpu) / n.iterations, (realTime ? d.real : d.cpu) / d.iterations});
    }
    if (times.empty())
        return {};
    std::sort(times.begin(), times.end(), [](const RoundTimes& a, const RoundTimes& b) {
        return a.numerator * b.denominator < b.numerator * a.denominator;
    });
    const std::size_t n = times.size();
    return times[n % 2 || atMost ? n / 2 : n / 2 - 1];
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace Lumidraft::bench

namespace Lumidraft::bench {

// One goal's result as a machine-readable line for scripts/bench.sh, which gathers the lines of
// every bench program into one table:
//   GOAL<TAB>measure<TAB>ours<TAB>baseline<TAB>ratio<TAB>goal<TAB>met|MISSED
// `ours` and `baseline` carry their unit (e.g. "1.234 ms"); `atMost` says whether the goal is a
// ceiling (ratio <= limit) or a floor (ratio >= limit). A ratio that could not be measured (zero
// or missing baseline) is reported as MISSED with "n/a", never as met.
inline void printGoal(const std::string& measure, double ours, double baseline, const char* unit,
                      double limit, bool atMost = true)
{
    const bool measured = baseline > 0 && ours > 0;
    const double ratio = measured ? ours / baseline : 0.0;
    const bool met = measured && (atMost ? ratio <= limit : ratio >= limit);
    char ratioText[32];
    if (measured)
        std::snprintf(ratioText, sizeof ratioText, "%.3f", ratio);
    else
        std::snprintf(ratioText, sizeof ratioText, "n/a");
    std::printf("GOAL\t%s\t%.4g %s\t%.4g %s\t%s\t%s %.2f\t%s\n", measure.c_str(), ours, unit, baseline, unit,
                ratioText, atMost ? "<=" : ">=", limit, met ? "met" : "MISSED");
    std::fflush(stdout);
}

} // namespace Lumidraft::bench
