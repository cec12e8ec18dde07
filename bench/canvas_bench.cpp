// One demo-like frame drawn through the canvas against the same OpenGL calls issued directly, in
// the same run and the same context (scripted machine, Mesa's software renderer, 1024 x 768).
// The frame: clear, the demo's 100 squares, a console panel of 4 rows of text and numbers, flip.
// The flip's wait is excluded (a flip of 0 frames on a display that swaps at once). Every frame
// ends in glFinish, so the renderer's work is counted where it was caused.
// Prints canvas / raw CPU-time ratios at the end (goal: at most 1.05), and that goal as a GOAL line.
#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "canvas/display_lists.h"
#include "platform/gl.h"

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

using Lumidraft::Canvas;
using Lumidraft::Color;
using Lumidraft::Rectangle;

Canvas& canvas() { return Lumidraft::bench::scriptedCanvas(); }

struct ConsoleRow {
    const char* label;
    double value;
};
const ConsoleRow rows[4] = {{"Number of Rect ", 10}, {"Rect Size", 0.05}, {"Rect Luminance", 1}, {"BG Luminance", 0.5}};

// The demo's squares with 100 of them at their largest: sides 5 to 500, largest first, on a grey
// ramp.
struct Frame {
    Rectangle rects[100];
    Color colors[100];
    Rectangle panel;
    Frame()
    {
        for (int j = 0; j < 100; ++j) {
            const double size = (100 - j) * 500.0 / 100;
            rects[j].set(size, size);
            rects[j].centerAt(512.0, 384.0);
            colors[j] = Color(j * (1.0 / 100));
            rects[j].setColor(colors[j]);
        }
        panel.set(0.0, 0.0, 299.0, 4 * 22.0 + 10.0);
    }
};
const Frame& frame()
{
    static const Frame f;
    return f;
}

// As the demo does it: the stimulus through the current-canvas functions and Rectangle::draw,
// the console rows through the canvas the flip would use.
void throughCanvas(benchmark::State& state)
{
    Canvas& c = canvas();
    Frame f = frame();
    const Color grey(0.5), panelColor(0.0, 0.0, 0.0, 0.5);
    for (auto _ : state) {
        Lumidraft::ActiveCanvas::clear(grey);
        for (int i = 0; i < 100; ++i)
            f.rects[i].draw();
        c.drawRect(f.panel, panelColor);
        for (int r = 0; r < 4; ++r) {
            const double y = 20.0 + 22.0 * r;
            c.drawText(rows[r].label, 10.0, y, Color::white);
            c.drawNumber(rows[r].value, 200.0, y, Color::white, true);
        }
        Lumidraft::ActiveCanvas::flip(0);
        glFinish();
    }
}

void glColor(const Color& color)
{
    glColor4f(static_cast<GLfloat>(color.r), static_cast<GLfloat>(color.g), static_cast<GLfloat>(color.b),
              static_cast<GLfloat>(color.a));
}

void rawOpenGL(benchmark::State& state)
{
    canvas();
    const auto& lists = Lumidraft::detail::displayLists;
    const Frame& f = frame();
    const Color grey(0.5), panelColor(0.0, 0.0, 0.0, 0.5);
    for (auto _ : state) {
        glClearColor(static_cast<GLfloat>(grey.r), static_cast<GLfloat>(grey.g), static_cast<GLfloat>(grey.b),
                     static_cast<GLfloat>(grey.a));
        glClear(GL_COLOR_BUFFER_BIT);
        for (int i = 0; i < 100; ++i) {
            glColor(f.colors[i]);
            glRectd(f.rects[i].left, f.rects[i].top, f.rects[i].right + 1, f.rects[i].bottom + 1);
        }
        glColor(panelColor);
        glRectd(f.panel.left, f.panel.top, f.panel.right + 1, f.panel.bottom + 1);
        for (int r = 0; r < 4; ++r) {
            const double y = 20.0 + 22.0 * r;
            glPushMatrix();
            glPushAttrib(GL_ALL_ATTRIB_BITS);
            glColor(Color::white);
            glRasterPos2d(10.0, y);
            for (const char* p = rows[r].label; *p; ++p)
                glCallList(lists.bitmapFont[static_cast<unsigned char>(*p)]);
            glPopAttrib();
            glPopMatrix();

            char digits[32];
            std::snprintf(digits, sizeof digits, "%g", rows[r].value);
            glPushMatrix();
            glPushAttrib(GL_ALL_ATTRIB_BITS);
            glColor(Color::white);
            glTranslatef(200.0f - 12.0f, static_cast<GLfloat>(y), 0.0f);
            for (const char* p = digits; *p; ++p) {
                glTranslatef(12.0f, 0.0f, 0.0f);
                glCallList(lists.segmentFont[static_cast<unsigned char>(*p)]);
            }
            glPopAttrib();
            glPopMatrix();
        }
        glFlush();
        glFinish();
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Rounds of one raw run and one canvas run each, so a drift in the shared machine's speed
    // touches both sides alike; the ratio is taken per round and its median printed.
    constexpr int rounds = 7;
    const std::pair<const char*, void (*)(benchmark::State&)> sides[] = {{"raw/", rawOpenGL}, {"canvas/", throughCanvas}};
    for (int r = 0; r < rounds; ++r)
        for (std::size_t i : Lumidraft::bench::roundOrder(r, std::size(sides)))
            benchmark::RegisterBenchmark((sides[i].first + std::to_string(r)).c_str(), sides[i].second)->MinTime(0.5);
    benchmark::Initialize(&argc, argv);
    Lumidraft::bench::TotalsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto ratios = Lumidraft::bench::roundRatios(reporter, "canvas", "raw", rounds);
    const auto& cpuRatios = ratios.cpu;
    const auto& realRatios = ratios.real;
    if (cpuRatios.empty()) {
        std::printf("\nratio not available (benchmarks filtered out?)\n");
    } else {
        std::printf("\nframe through the canvas / raw OpenGL, median of %zu rounds:\n", cpuRatios.size());
        std::printf("  CPU time of the drawing thread (issuing the frame): %.3f\n", Lumidraft::bench::median(cpuRatios));
        std::printf("  real time (issuing plus software rendering):        %.3f\n", Lumidraft::bench::median(realRatios));
    }
    // The goal is on the drawing thread's CPU time: what the canvas adds to issuing the frame.
    const auto round = Lumidraft::bench::medianRound(reporter, "canvas", "raw", rounds, false, true);
    Lumidraft::bench::printGoal("demo frame: canvas / raw OpenGL, CPU time (median round)", round.numerator * 1e3,
                                round.denominator * 1e3, "ms", 1.05, true);
    benchmark::Shutdown();
    return 0;
}
