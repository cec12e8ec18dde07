// A 512 x 512 RGB BYTE image drawn 100 times straight from main memory and 100 times from its
// copy in video memory, in the same run and context (scripted machine, Mesa's software renderer,
// 1024 x 768); and Image::accelerate itself, against the point-per-pixel way of writing the copy.
// Every measured step ends in glFinish, so the renderer's work is counted where it was caused.
// Times are real time and the CPU time of the whole process (the renderer works in threads of
// its own). Prints: direct / accelerated draw (goal: at least 5), and accelerate in milliseconds
// (goal: under one 60 Hz frame, 16.7 ms); each goal also as a GOAL line.
#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "image/image.h"
#include "platform/gl.h"
#include "platform/image_properties.h"

#include "bench/bench_canvas.h"
#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Lumidraft::APIImageProperties;
using Lumidraft::Canvas;
using Lumidraft::Color;
using Lumidraft::Image;

constexpr int side = 512;
constexpr int drawsPerIteration = 100;

Canvas& canvas() { return Lumidraft::bench::scriptedCanvas(); }

void paint(Image& image)
{
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, Color((x % 256) / 255.0, (y % 256) / 255.0, ((x ^ y) % 256) / 255.0));
}

Image& picture()
{
    static Image image(side, side, Image::RGB, Image::BYTE);
    static const bool painted = (paint(image), true);
    (void)painted;
    return image;
}

void drawDirect(benchmark::State& state)
{
    canvas();
    Image& image = picture();
    for (auto _ : state) {
        for (int i = 0; i < drawsPerIteration; ++i)
            image.draw(100 + i % 7, 50 + i % 5);
        glFinish();
    }
}

void drawAccelerated(benchmark::State& state)
{
    canvas();
    static Image image(side, side, Image::RGB, Image::BYTE);
    static const bool ready = [] {
        std::memcpy(image.bytePixels(), picture().bytePixels(), static_cast<std::size_t>(image.getTotalBytes()));
        APIImageProperties::resetVram();
        image.accelerate();
        return true;
    }();
    (void)ready;
    for (auto _ : state) {
        for (int i = 0; i < drawsPerIteration; ++i)
            image.draw(100 + i % 7, 50 + i % 5);
        glFinish();
    }
}

// Each iteration makes the copy of a fresh image on fresh shelves.
void accelerate(benchmark::State& state)
{
    canvas();
    for (auto _ : state) {
        state.PauseTiming();
        Image image(side, side, Image::RGB, Image::BYTE);
        std::memcpy(image.bytePixels(), picture().bytePixels(), static_cast<std::size_t>(image.getTotalBytes()));
        APIImageProperties::resetVram();
        glFinish();
        state.ResumeTiming();
        image.accelerate();
        glFinish();
    }
}

// The copy written one point primitive per pixel, unblended, into the back buffer at the place
// the copy would take: the reference the one-transfer copy is measured against.
void acceleratePointByPoint(benchmark::State& state)
{
    Canvas& c = canvas();
    const Image& image = picture();
    for (auto _ : state) {
        glDisable(GL_BLEND);
        for (int i = 0; i < side; ++i)
            for (int j = 0; j < side; ++j)
                c.drawPoint(j, i, image.getPixel(j, i));
        glEnable(GL_BLEND);
        glFinish();
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Rounds of one direct and one accelerated run each, so a drift in the shared machine's speed
    // touches both sides alike; the ratio is taken per round and its median printed.
    constexpr int rounds = 5;
    const std::pair<const char*, void (*)(benchmark::State&)> sides[] = {{"direct/", drawDirect},
                                                                          {"accelerated/", drawAccelerated}};
    for (int r = 0; r < rounds; ++r)
        for (std::size_t i : Lumidraft::bench::roundOrder(r, std::size(sides)))
            benchmark::RegisterBenchmark((sides[i].first + std::to_string(r)).c_str(), sides[i].second)
                ->MinTime(0.5)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("accelerate", accelerate)
        ->MinTime(1.0)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("accelerate_point_by_point", acceleratePointByPoint)
        ->MinTime(1.0)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    Lumidraft::bench::TotalsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto ratios = Lumidraft::bench::roundRatios(reporter, "direct", "accelerated", rounds);
    const auto& cpuRatios = ratios.cpu;
    const auto& realRatios = ratios.real;
    if (!cpuRatios.empty()) {
        std::printf("\ndirect / accelerated draw of a 512 x 512 RGB BYTE image, median of %zu rounds (goal >= 5):\n",
                    cpuRatios.size());
        std::printf("  real time:                %.2f\n", Lumidraft::bench::median(realRatios));
        std::printf("  CPU time of the process:  %.2f\n", Lumidraft::bench::median(cpuRatios));
    }
    // The draw goal is on real time: the renderer's threads do the work, the wait is what counts.
    const auto round = Lumidraft::bench::medianRound(reporter, "direct", "accelerated", rounds, true, false);
    Lumidraft::bench::printGoal("512x512 RGB BYTE image: direct / accelerated draw, real time (median round)",
                                round.numerator * 1e3, round.denominator * 1e3, "ms", 5.0, false);
    const auto one = reporter.total("accelerate");
    const auto points = reporter.total("accelerate_point_by_point");
    if (one.iterations > 0) {
        const double ms = one.real / one.iterations * 1e3;
        std::printf("accelerate of 512 x 512: %.2f ms real (goal < 16.7 ms: %s)\n", ms, ms < 16.7 ? "met" : "missed");
        if (points.iterations > 0)
            std::printf("  point by point / one transfer: %.1f (real time)\n",
                        (points.real / points.iterations) / (one.real / one.iterations));
    }
    // Against a fixed budget rather than a measured baseline: one refresh at 60 Hz.
    Lumidraft::bench::printGoal("accelerate 512x512 RGB BYTE / one 60 Hz frame, real time",
                                one.iterations > 0 ? one.real / one.iterations * 1e3 : 0.0, 1000.0 / 60.0, "ms",
                                1.0, true);
    benchmark::Shutdown();
    return 0;
}
