// Matrix evaluation against Eigen on the same data in the same run: element-wise sums, products
// and view assignment, then the cost of checked element access. Prints each ratio with its goal.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

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

void sum3Lumidraft(benchmark::State& state)
{
    Operands& o = operands(1000);
    for (auto _ : state) {
        o.c = o.a + o.b - o.d;
        benchmark::ClobberMemory();
    }
}

void sum3Eigen(benchmark::State& state)
{
    Operands& o = operands(1000);
    for (auto _ : state) {
        o.ec.noalias() = o.ea + o.eb - o.ed;
        benchmark::ClobberMemory();
    }
}

void scaledLumidraft(benchmark::State& state)
{
    Operands& o = operands(1000);
    for (auto _ : state) {
        o.c = o.a * 2.5 + o.b;
        benchmark::ClobberMemory();
    }
}

void scaledEigen(benchmark::State& state)
{
    Operands& o = operands(1000);
    for (auto _ : state) {
        o.ec.noalias() = o.ea * 2.5 + o.eb;
        benchmark::ClobberMemory();
    }
}

void productLumidraft(benchmark::State& state)
{
    Operands& o = operands(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        o.c = o.a * o.b;
        benchmark::ClobberMemory();
    }
}

void productEigen(benchmark::State& state)
{
    Operands& o = operands(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        o.ec.noalias() = o.ea * o.eb;
        benchmark::ClobberMemory();
    }
}

// The same 1000 x 1000 sum as sum3, but every operand and the target are blocks of 1200 x 1200
// matrices, so rows are 1200 elements apart.
struct ViewOperands {
    Matrix a{1200, 1200}, b{1200, 1200}, d{1200, 1200}, c{1200, 1200};
    ViewOperands()
    {
        const Operands& o = operands(1000);
        const Range block = closed(101, 1100);
        a(block, block) = o.a;
        b(block, block) = o.b;
        d(block, block) = o.d;
    }
};

void viewSumLumidraft(benchmark::State& state)
{
    static ViewOperands v;
    const Range rows = closed(101, 1100), cols = closed(101, 1100);
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

// Keeps the median CPU time of every benchmark (single-threaded work, and robust when other
// processes share the cores) for the ratio table.
class MedianCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args)] =
                    run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char** argv)
{
    const auto add = [](const char* name, void (*fn)(benchmark::State&)) {
        return benchmark::RegisterBenchmark(name, fn)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
    };
    add("sum3/lumidraft", sum3Lumidraft);
    add("sum3/eigen", sum3Eigen);
    // Right after the whole-matrix sum it is compared with, under the same machine conditions.
    add("viewsum/lumidraft", viewSumLumidraft);
    add("scaled/lumidraft", scaledLumidraft);
    add("scaled/eigen", scaledEigen);
    add("product/lumidraft", productLumidraft)->Arg(256)->Arg(512);
    add("product/eigen", productEigen)->Arg(256)->Arg(512);
    add("access/checked", elementAccessChecked);
    add("access/raw", elementAccessRaw);

    benchmark::Initialize(&argc, argv);
    MedianCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& t = reporter.medians;
    const struct {
        const char* label;
        const char* ours;
        const char* base;
        double goal;
    } ratios[] = {
        {"C = A + B - D, 1000x1000, vs Eigen", "sum3/lumidraft", "sum3/eigen", 1.2},
        {"C = A * 2.5 + B, 1000x1000, vs Eigen", "scaled/lumidraft", "scaled/eigen", 1.2},
        {"C = A * B, 256, vs Eigen", "product/lumidraft/256", "product/eigen/256", 2.5},
        {"C = A * B, 512, vs Eigen", "product/lumidraft/512", "product/eigen/512", 2.5},
        {"view sum vs whole-matrix sum", "viewsum/lumidraft", "sum3/lumidraft", 1.3},
        {"checked element access vs raw rows", "access/checked", "access/raw", 0.0},
    };
    std::printf("\n%-40s %12s %12s %8s %s\n", "ratio (median CPU time)", "ours ms", "baseline ms", "ratio", "goal");
    for (const auto& r : ratios) {
        const auto ours = t.find(r.ours), base = t.find(r.base);
        if (ours == t.end() || base == t.end()) continue; // filtered out on the command line
        const double ratio = ours->second / base->second;
        if (r.goal > 0)
            std::printf("%-40s %12.3f %12.3f %8.2f <= %.1f %s\n", r.label, ours->second, base->second, ratio, r.goal,
                        ratio <= r.goal ? "met" : "MISSED");
        else
            std::printf("%-40s %12.3f %12.3f %8.2f (cost measured, no goal)\n", r.label, ours->second, base->second,
                        ratio);
    }
    return 0;
}
