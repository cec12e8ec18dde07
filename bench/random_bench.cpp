// The framework's generator against the standard library's 32-bit Mersenne Twister, measured in
// the same run. Prints ours / std CPU-time ratios at the end (below 1 means ours is faster), each
// also as a GOAL line.
#include "timing/random.h"

#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>

namespace {

constexpr int batch = 1024;

void ourNext32(benchmark::State& state)
{
    Lumidraft::mtSeed(5489);
    for (auto _ : state) {
        std::uint32_t acc = 0;
        for (int i = 0; i < batch; ++i)
            acc ^= Lumidraft::mtNext32();
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void stdNext32(benchmark::State& state)
{
    std::mt19937 gen(5489);
    for (auto _ : state) {
        std::uint32_t acc = 0;
        for (int i = 0; i < batch; ++i)
            acc ^= static_cast<std::uint32_t>(gen());
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void ourRandom(benchmark::State& state)
{
    Lumidraft::mtSeed(5489);
    for (auto _ : state) {
        double acc = 0;
        for (int i = 0; i < batch; ++i)
            acc += Lumidraft::random();
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

// The same conversion on the standard generator: output times 2^-32.
void stdRandom(benchmark::State& state)
{
    std::mt19937 gen(5489);
    for (auto _ : state) {
        double acc = 0;
        for (int i = 0; i < batch; ++i)
            acc += static_cast<double>(gen()) * (1.0 / 4294967296.0);
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

BENCHMARK(ourNext32);
BENCHMARK(stdNext32);
BENCHMARK(ourRandom);
BENCHMARK(stdRandom);

// Keeps each run's CPU time per iteration (steadier than wall time on a shared machine) so the
// ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                perIteration[run.benchmark_name()] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> perIteration;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const std::pair<const char*, const char*> pairs[] = {{"ourNext32", "stdNext32"}, {"ourRandom", "stdRandom"}};
    for (const auto& [ours, theirs] : pairs) {
        const auto a = reporter.perIteration.find(ours), b = reporter.perIteration.find(theirs);
        const bool measured = a != reporter.perIteration.end() && b != reporter.perIteration.end() && b->second > 0;
        if (measured)
            std::printf("ratio %s / %s = %.3f (goal: <= 1)\n", ours, theirs, a->second / b->second);
        // Per number drawn, from the CPU time of a batch.
        const double perNumber = 1e9 / batch;
        Lumidraft::bench::printGoal(std::string(ours) + " / " + theirs + ", CPU time",
                                    measured ? a->second * perNumber : 0.0, measured ? b->second * perNumber : 0.0,
                                    "ns", 1.0, true);
    }
    return 0;
}
