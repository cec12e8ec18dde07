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

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace Lumidraft::bench
