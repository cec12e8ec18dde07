// What the run's records cost, against the same work without them, in the same run:
// - a demo-like frame (clear, 100 squares, flip, on the scripted machine with Mesa's software
//   renderer drawing on the calling thread) with the timing log on, against the same frame with
//   it off; process CPU time, so the log's writer thread is counted (goal: at most 1.02);
// - DataFile::row with 10 values against one plain write of the same text to a file opened the
//   same way (goal: at most 1.2): the write to the system should be all a row costs. Beside it,
//   without a goal, what formatting the text alone adds to the write.
#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "files/csv_text.h"
#include "files/data_file.h"
#include "platform/gl.h"

#include "bench/bench_canvas.h"
#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using Lumidraft::Canvas;
using Lumidraft::Color;
using Lumidraft::DataFile;
using Lumidraft::Rectangle;

const std::filesystem::path& scratch()
{
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("lumidraft-data-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

Canvas& canvas() { return Lumidraft::bench::scriptedCanvas(); }

struct Squares {
    Rectangle rects[100];
    Squares()
    {
        for (int j = 0; j < 100; ++j) {
            const double size = (100 - j) * 500.0 / 100;
            rects[j].set(size, size);
            rects[j].centerAt(512.0, 384.0);
            rects[j].setColor(Color(j * (1.0 / 100)));
        }
    }
};

void frames(benchmark::State& state, bool logged)
{
    Canvas& c = canvas();
    static Squares squares;
    static int logs = 0;
    if (logged)
        c.logTiming((scratch() / ("timing-" + std::to_string(logs++) + ".csv")).string());
    const Color grey(0.5);
    for (auto _ : state) {
        Lumidraft::ActiveCanvas::clear(grey);
        for (Rectangle& r : squares.rects)
            r.draw();
        c.tag("frame"); // as an experiment tags its phases, on both sides
        Lumidraft::ActiveCanvas::flip(0);
        glFinish();
    }
    if (logged)
        c.logTiming(""); // writes the CSV and its picture, outside the timed loop
}

void framePlain(benchmark::State& state) { frames(state, false); }
void frameLogged(benchmark::State& state) { frames(state, true); }

// The same values each time, so both sides write the very same text.
void writeRow(DataFile& data)
{
    data.row({{"trial", 12}, {"block", 3}, {"contrast", 0.25}, {"orientation", 45.0}, {"key", "rightArrow"},
              {"rt_ms", 512.3}, {"correct", 1}, {"stimulus", "gabor, large"}, {"sf", 2.5},
              {"phase", 0.7853981633974483}});
}

const std::string& rowText()
{
    static const std::string text = [] {
        const auto path = (scratch() / "row-text.csv").string();
        {
            DataFile data(path);
            writeRow(data);
        }
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::string all(4096, '\0');
        all.resize(std::fread(all.data(), 1, all.size(), f));
        std::fclose(f);
        return all.substr(all.find('\n') + 1); // the row without the header
    }();
    return text;
}

void dataRow(benchmark::State& state)
{
    static int files = 0;
    const auto path = (scratch() / ("rows-" + std::to_string(files++) + ".csv")).string();
    {
        DataFile data(path);
        writeRow(data); // the header goes with the first row
        for (auto _ : state)
            writeRow(data);
    }
    std::filesystem::remove(path);
}

// A file opened as DataFile opens its CSV, and one plain write to it.
int openPlain(const std::string& path)
{
#if defined(_WIN32)
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, 0666);
#else
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
}

long writePlain(int fd, const char* text, std::size_t size)
{
#if defined(_WIN32)
    return ::_write(fd, text, static_cast<unsigned>(size));
#else
    return static_cast<long>(::write(fd, text, size));
#endif
}

void closePlain(int fd)
{
#if defined(_WIN32)
    ::_close(fd);
#else
    ::close(fd);
#endif
}

void plainWrite(benchmark::State& state)
{
    static int files = 0;
    const auto path = (scratch() / ("plain-" + std::to_string(files++) + ".csv")).string();
    const std::string& text = rowText();
    const int fd = openPlain(path);
    for (auto _ : state)
        benchmark::DoNotOptimize(writePlain(fd, text.data(), text.size()));
    closePlain(fd);
    std::filesystem::remove(path);
}

// What formatting alone adds to the write: the row's text made by the calls DataFile makes, in a
// fixed order with the types known (no fields to build, no names to check), then one write.
void fixedWrite(benchmark::State& state)
{
    static int files = 0;
    const auto path = (scratch() / ("fixed-" + std::to_string(files++) + ".csv")).string();
    const int fd = openPlain(path);
    char text[512];
    using Lumidraft::files::writeCsvField, Lumidraft::files::writeInteger, Lumidraft::files::writeReal;
    for (auto _ : state) {
        char* at = text;
        at = writeInteger(at, 12), *at++ = ',';
        at = writeInteger(at, 3), *at++ = ',';
        at = writeReal(at, 0.25), *at++ = ',';
        at = writeReal(at, 45.0), *at++ = ',';
        at = writeCsvField(at, "rightArrow"), *at++ = ',';
        at = writeReal(at, 512.3), *at++ = ',';
        at = writeInteger(at, 1), *at++ = ',';
        at = writeCsvField(at, "gabor, large"), *at++ = ',';
        at = writeReal(at, 2.5), *at++ = ',';
        at = writeReal(at, 0.7853981633974483), *at++ = '\n';
        benchmark::DoNotOptimize(writePlain(fd, text, static_cast<std::size_t>(at - text)));
    }
    closePlain(fd);
    if (std::string(text, rowText().size()) != rowText())
        state.SkipWithError("the fixed calls did not make the row's text");
    std::filesystem::remove(path);
}

} // namespace

int main(int argc, char** argv)
{
#if !defined(_WIN32)
    // Mesa's software renderer on the calling thread: the frame's whole cost in one place, the
    // same on both sides.
    ::setenv("LP_NUM_THREADS", "0", 0);
#endif
    // A frame's CPU time wanders by a few per cent from one round to the next, as much as the goal
    // allows: many short rounds, each pair measured in turn the other way round.
    constexpr int rounds = 15;
    const struct {
        const char* name;
        void (*function)(benchmark::State&);
        double minTime;
        bool processTime;
    } benchmarks[] = {
        {"frame_plain/", framePlain, 0.3, true}, {"frame_logged/", frameLogged, 0.3, true},
        {"plain_write/", plainWrite, 0.15, false}, {"data_row/", dataRow, 0.15, false},
        {"fixed_write/", fixedWrite, 0.15, false},
    };
    for (int r = 0; r < rounds; ++r)
        for (std::size_t i : Lumidraft::bench::roundOrder(r, std::size(benchmarks))) {
            auto* b = benchmark::RegisterBenchmark((benchmarks[i].name + std::to_string(r)).c_str(),
                                                   benchmarks[i].function)
                          ->MinTime(benchmarks[i].minTime);
            if (benchmarks[i].processTime)
                b->MeasureProcessCPUTime();
        }
    benchmark::Initialize(&argc, argv);
    Lumidraft::bench::TotalsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    using Lumidraft::bench::median;
    auto perIteration = [&](const std::string& name) {
        std::vector<double> ns;
        for (int r = 0; r < rounds; ++r) {
            const auto t = reporter.total(name + "/" + std::to_string(r));
            if (t.iterations > 0)
                ns.push_back(t.cpu / t.iterations * 1e9);
        }
        return median(ns);
    };
    const auto frameRatios = Lumidraft::bench::roundRatios(reporter, "frame_logged", "frame_plain", rounds);
    const auto rowRatios = Lumidraft::bench::roundRatios(reporter, "data_row", "plain_write", rounds);
    std::printf("\nmedians of %d rounds (per-round ratios: frame %zu, row %zu)\n", rounds, frameRatios.cpu.size(),
                rowRatios.cpu.size());
    std::printf("  frame logged / plain, real time: %.3f\n", median(frameRatios.real));
    std::printf("  row / plain write, real time:    %.3f\n", median(rowRatios.real));
    const auto fixedRatios = Lumidraft::bench::roundRatios(reporter, "fixed_write", "plain_write", rounds);
    std::printf("  the row's text formatted by fixed calls, then written / plain write, CPU: %.3f (no goal)\n",
                median(fixedRatios.cpu));
    // The goal lines: ours and the baseline are the medians per iteration; the goal is met on the
    // median of the per-round ratios, which printGoal recomputes from ours / baseline only
    // approximately, so both sides are scaled to give exactly that ratio.
    const double framePlainNs = perIteration("frame_plain");
    const double rowPlainNs = perIteration("plain_write");
    Lumidraft::bench::printGoal("demo-like frame, timing log on / off (process CPU)",
                                framePlainNs * median(frameRatios.cpu) / 1e3, framePlainNs / 1e3, "us", 1.02);
    Lumidraft::bench::printGoal("DataFile::row of 10 values / one plain write of its text (CPU)",
                                rowPlainNs * median(rowRatios.cpu) / 1e3, rowPlainNs / 1e3, "us", 1.2);
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(scratch(), ignored);
    return 0;
}
