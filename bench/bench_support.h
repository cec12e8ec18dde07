// What the ratio benchmarks share: a console reporter that also keeps each benchmark's summed
// times, so a program can print its ratio against a baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
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

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace Lumidraft::bench
