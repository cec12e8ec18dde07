// Matrix evaluation against Eigen on the same data in the same run: element-wise sums (operands
// beyond and within the cache), products and view assignment, then the cost of checked element
// access. Prints each ratio with its goal, and one GOAL line per goal.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "geometry/range.h"
#include "matrix/matrix.h"

namespace {

using Lumidraft::Matrix;
using Lumidraft::MatrixExpression;
using Lumidraft::Range;
using EigenMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// One set of operands, filled once and shared by both libraries.
struct Operands {
    int n;
    Matrix a, b, d, c;
    EigenMatrix ea, eb, ed, ec;

    explicit Operands(int size) : n(size), a(size, size), b(size, size), d(size, size), c(size, size)
    {
        std::mt19937_64 rng(42);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        ea.resize(n, n), eb.resize(n, n), ed.resize(n, n), ec.resize(n, n);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                ea(i - 1, j - 1) = a(i, j) = u(rng);
                eb(i - 1, j - 1) = b(i, j) = u(rng);
                ed(i - 1, j - 1) = d(i, j) = u(rng);
            }
        ec.setZero();
    }
};

Operands& operands(int n)
{
    static std::map<int, std::unique_ptr<Operands>> cache;
    auto& slot = cache[n];
    if (!slot) slot = std::make_unique<Operands>(n);
    return *slot;
}

Range closed(int low, int high)
{
    Range r;
    low <= r <= high;
    return r;
}

// Benchmarks of one comparison are registered once per round under "<name>/<round>", ours and the
// baseline alternating, so a change in the shared machine's load touches both alike.
template <int N>
void sum3Lumidraft(benchmark::State& state)
{
    Operands& o = operands(N);
    for (auto _ : state) {
        o.c = o.a + o.b - o.d;
        benchmark::ClobberMemory();
    }
}

template <int N>
void sum3Eigen(benchmark::State& state)
{
    Operands& o = operands(N);
    for (auto _ : state) {
        o.ec.noalias() = o.ea + o.eb - o.ed;
        benchmark::ClobberMemory();
    }
}

template <int N>
void scaledLumidraft(benchmark::State& state)
{
    Operands& o = operands(N);
    for (auto _ : state) {
        o.c = o.a * 2.5 + o.b;
        benchmark::ClobberMemory();
    }
}

template <int N>
void scaledEigen(benchmark::State& state)
{
    Operands& o = operands(N);
    for (auto _ : state) {
        o.ec.noalias() = o.ea * 2.5 + o.eb;
        benchmark::ClobberMemory();
    }
}

template <int N>
void productLumidraft(benchmark::State& state)
{
    Operands& o = operands(N);
    for (auto _ : state) {
        o.c = o.a * o.b;
        benchmark::ClobberMemory();
    }
}

template <int N>
void productEigen(benchmark::State& state)
{
    Operands& o = operands(N);
    for (auto _ : state) {
        o.ec.noalias() = o.ea * o.eb;
        benchmark::ClobberMemory();
    }
}

// The same sum as sum3, but every operand and the target are blocks of larger matrices, so rows
// are Source elements apart: 1000 x 1000 blocks of 1200 x 1200 for the goal; 500 x 500 blocks of
// 600 x 600, all in the cache, to show what the strides cost when memory does not; 1000 x 1000
// blocks of 1008 x 1008, to show what small gaps cost.
template <int Size, int Source>
struct ViewOperands {
    static constexpr int at = Source - Size < 100 ? Source - Size : 100; // rows and columns before the block
    Matrix a{Source, Source}, b{Source, Source}, d{Source, Source}, c{Source, Source};
    EigenMatrix ea, eb, ed, ec;

    ViewOperands()
    {
        const Operands& o = operands(Size);
        const Range block = closed(at + 1, at + Size);
        a(block, block) = o.a;
        b(block, block) = o.b;
        d(block, block) = o.d;
        for (EigenMatrix* m : {&ea, &eb, &ed, &ec}) m->setZero(Source, Source);
        ea.block(at, at, Size, Size) = o.ea;
        eb.block(at, at, Size, Size) = o.eb;
        ed.block(at, at, Size, Size) = o.ed;
    }
};

template <int Size, int Source>
ViewOperands<Size, Source>& viewOperands()
{
    static ViewOperands<Size, Source> v;
    return v;
}

template <int Size, int Source>
void viewSumLumidraft(benchmark::State& state)
{
    auto& v = viewOperands<Size, Source>();
    constexpr int at = ViewOperands<Size, Source>::at;
    const Range rows = closed(at + 1, at + Size), cols = rows;
    for (auto _ : state) {
        v.c(rows, cols) = v.a(rows, cols) + v.b(rows, cols) - v.d(rows, cols);
        benchmark::ClobberMemory();
    }
}

template <int Size, int Source>
void viewSumEigen(benchmark::State& state)
{
    auto& v = viewOperands<Size, Source>();
    constexpr int at = ViewOperands<Size, Source>::at;
    for (auto _ : state) {
        v.ec.block(at, at, Size, Size).noalias() =
            v.ea.block(at, at, Size, Size) + v.eb.block(at, at, Size, Size) - v.ed.block(at, at, Size, Size);
        benchmark::ClobberMemory();
    }
}

// The block's rows taken whole, gaps included: 1000 x 1200 contiguous elements, what a walk that
// read the gaps between the rows (as the hardware's prefetches partly do) would have to move.
template <int Size, int Source>
void rowsWithGapsLumidraft(benchmark::State& state)
{
    auto& v = viewOperands<Size, Source>();
    constexpr int at = ViewOperands<Size, Source>::at;
    const Range rows = closed(at + 1, at + Size), cols = closed(1, Source);
    for (auto _ : state) {
        v.c(rows, cols) = v.a(rows, cols) + v.b(rows, cols) - v.d(rows, cols);
        benchmark::ClobberMemory();
    }
}

// Checked element access against walking the rows through rowAccess.
void elementAccessChecked(benchmark::State& state)
{
    Operands& o = operands(1000);
    for (auto _ : state) {
        double sum = 0.0;
        for (int i = 1; i <= o.n; ++i)
            for (int j = 1; j <= o.n; ++j) sum += o.a(i, j);
        benchmark::DoNotOptimize(sum);
    }
}

void elementAccessRaw(benchmark::State& state)
{
    Operands& o = operands(1000);
    for (auto _ : state) {
        double* first = nullptr;
        int stride = 0;
        o.a.rowAccess(first, stride);
        double sum = 0.0;
        for (int i = 0; i < o.n; ++i)
            for (int j = 0; j < o.n; ++j) sum += first[static_cast<std::ptrdiff_t>(i) * stride + j];
        benchmark::DoNotOptimize(sum);
    }
}

using Function = void (*)(benchmark::State&);

struct Benchmark {
    const char* name;
    Function function;
};

// Each goal: ours over a baseline, both benchmarks of this program.
struct Goal {
    const char* measure;
    const char* ours;
    const char* baseline;
    double limit; // 0: the cost is only shown, no goal
};

} // namespace

int main(int argc, char** argv)
{
    // In the order of a round (reversed in odd rounds): each comparison's two sides next to each other.
    const Benchmark benchmarks[] = {
        {"sum3_1000/lumidraft", sum3Lumidraft<1000>},
        {"sum3_1000/eigen", sum3Eigen<1000>},
        {"viewsum/lumidraft", viewSumLumidraft<1000, 1200>},
        {"viewsum/eigen", viewSumEigen<1000, 1200>},
        {"scaled_1000/lumidraft", scaledLumidraft<1000>},
        {"scaled_1000/eigen", scaledEigen<1000>},
        {"sum3_256/lumidraft", sum3Lumidraft<256>},
        {"sum3_256/eigen", sum3Eigen<256>},
        {"scaled_256/lumidraft", scaledLumidraft<256>},
        {"scaled_256/eigen", scaledEigen<256>},
        {"product_256/lumidraft", productLumidraft<256>},
        {"product_256/eigen", productEigen<256>},
        {"product_512/lumidraft", productLumidraft<512>},
        {"product_512/eigen", productEigen<512>},
        {"rowsgaps/lumidraft", rowsWithGapsLumidraft<1000, 1200>},
        {"viewsum_1008/lumidraft", viewSumLumidraft<1000, 1008>},
        {"sum3_500/lumidraft", sum3Lumidraft<500>},
        {"viewsum_500/lumidraft", viewSumLumidraft<500, 600>},
        {"sum3_500/eigen", sum3Eigen<500>},
        {"viewsum_500/eigen", viewSumEigen<500, 600>},
        {"access/checked", elementAccessChecked},
        {"access/raw", elementAccessRaw},
    };
    const Goal goals[] = {
        {"C = A + B - D, 1000x1000, vs Eigen", "sum3_1000/lumidraft", "sum3_1000/eigen", 1.05},
        {"C = A * 2.5 + B, 1000x1000, vs Eigen", "scaled_1000/lumidraft", "scaled_1000/eigen", 1.05},
        {"C = A + B - D, 256x256, vs Eigen", "sum3_256/lumidraft", "sum3_256/eigen", 1.1},
        {"C = A * 2.5 + B, 256x256, vs Eigen", "scaled_256/lumidraft", "scaled_256/eigen", 1.1},
        {"view sum, 1000x1000 blocks of 1200x1200, vs Eigen blocks", "viewsum/lumidraft", "viewsum/eigen", 1.1},
        {"view sum vs the same sum on whole 1000x1000", "viewsum/lumidraft", "sum3_1000/lumidraft", 1.1},
        {"C = A * B, 256x256, vs Eigen", "product_256/lumidraft", "product_256/eigen", 1.1},
        {"C = A * B, 512x512, vs Eigen", "product_512/lumidraft", "product_512/eigen", 1.1},
        {"Eigen's view sum vs its whole sum, 1000x1000 (1200 apart)", "viewsum/eigen", "sum3_1000/eigen", 0.0},
        {"the block's rows with their gaps (1000x1200) vs whole 1000x1000", "rowsgaps/lumidraft", "sum3_1000/lumidraft", 0.0},
        {"view sum vs whole sum, 1000x1000 blocks of 1008x1008", "viewsum_1008/lumidraft", "sum3_1000/lumidraft", 0.0},
        {"view sum vs whole sum, 500x500 (600 apart, 8 MB of operands)", "viewsum_500/lumidraft", "sum3_500/lumidraft", 0.0},
        {"Eigen's view sum vs its whole sum, 500x500 (600 apart)", "viewsum_500/eigen", "sum3_500/eigen", 0.0},
        {"checked element access vs raw rows", "access/checked", "access/raw", 0.0},
    };

    constexpr int rounds = 7;
    for (int r = 0; r < rounds; ++r)
        for (std::size_t i : Lumidraft::bench::roundOrder(r, std::size(benchmarks)))
            benchmark::RegisterBenchmark((std::string(benchmarks[i].name) + "/" + std::to_string(r)).c_str(),
                                         benchmarks[i].function)
                ->MinTime(0.15)
                ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    Lumidraft::bench::TotalsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // Median over the rounds of one benchmark's CPU time per iteration, in milliseconds (the work
    // is single-threaded; CPU time is what another process on the core does not inflate).
    const auto medianTime = [&](const std::string& name) {
        std::vector<double> times;
        for (int r = 0; r < rounds; ++r) {
            const auto total = reporter.total(name + "/" + std::to_string(r));
            if (total.iterations > 0) times.push_back(total.cpu / total.iterations * 1e3);
        }
        return Lumidraft::bench::median(times);
    };

    std::printf("\n%-58s %10s %12s %8s %10s %s\n", "ratio (median CPU time of the rounds)", "ours ms", "baseline ms",
                "ratio", "per-round", "goal");
    for (const Goal& g : goals) {
        const double ours = medianTime(g.ours), base = medianTime(g.baseline);
        if (ours <= 0 || base <= 0) continue; // filtered out on the command line
        const auto perRound = Lumidraft::bench::roundRatios(reporter, g.ours, g.baseline, rounds);
        const double roundMedian = Lumidraft::bench::median(perRound.cpu);
        const double ratio = ours / base;
        if (g.limit > 0)
            std::printf("%-58s %10.3f %12.3f %8.3f %10.3f <= %.2f %s\n", g.measure, ours, base, ratio, roundMedian,
                        g.limit, ratio <= g.limit ? "met" : "MISSED");
        else
            std::printf("%-58s %10.3f %12.3f %8.3f %10.3f (cost measured, no goal)\n", g.measure, ours, base, ratio,
                        roundMedian);
    }
    std::printf("\n");
    for (const Goal& g : goals) {
        const double ours = medianTime(g.ours), base = medianTime(g.baseline);
        // Both sides filtered out on the command line: not measured in this run, not a result.
        if (g.limit > 0 && (ours > 0 || base > 0)) Lumidraft::bench::printGoal(g.measure, ours, base, "ms", g.limit);
    }
    return 0;
}
