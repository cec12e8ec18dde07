// Shared set-up for the canvas tests: a fresh scripted machine (10 MHz counter, 640x480x32 at
// 60 Hz desktop) and read-back of real pixels from the canvas's OpenGL context.
#pragma once

#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "platform/gl.h"
#include "platform/script/script_backend.h"
#include "timing/clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace Lumidraft::testing {

constexpr std::int64_t ticksPerMs = 10'000; // the script counter's default 10 MHz

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine = &platform::useScriptBackend();
        Lumidraft::detail::forgetCounterFrequency();
        Clock::initializeFrequency();
        ActiveCanvas::detail::forgetCurrentCanvas();
    }

    void TearDown() override { ActiveCanvas::detail::forgetCurrentCanvas(); }

    platform::ScriptBackend* machine = nullptr;
};

using Rgba = std::array<std::uint8_t, 4>;

// A copy of one colour buffer, addressed in canvas coordinates (y downward).
class Pixels {
public:
    Pixels(const Canvas& canvas, GLenum buffer = GL_BACK)
        : width_(canvas.getWidth()), height_(canvas.getHeight()),
          data_(static_cast<std::size_t>(width_) * height_ * 4)
    {
        glFinish();
        glReadBuffer(buffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, data_.data());
        glReadBuffer(GL_BACK);
    }

    Rgba at(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(height_ - 1 - y) * width_ + x) * 4;
        return {data_[i], data_[i + 1], data_[i + 2], data_[i + 3]};
    }

    bool lit(int x, int y) const
    {
        const Rgba p = at(x, y);
        return p[0] || p[1] || p[2];
    }

    // Bounding box and number of lit pixels inside [x0, x1] x [y0, y1] (inclusive).
    struct Box {
        int left = 0, top = 0, right = -1, bottom = -1, count = 0;
    };
    Box litBox(int x0, int y0, int x1, int y1) const
    {
        Box box{x1 + 1, y1 + 1, x0 - 1, y0 - 1, 0};
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (lit(x, y)) {
                    ++box.count;
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x);
                    box.top = std::min(box.top, y);
                    box.bottom = std::max(box.bottom, y);
                }
        return box;
    }
    // The distinct colours of the lit pixels inside [x0, x1] x [y0, y1], in order of first sight.
    std::vector<Rgba> litColors(int x0, int y0, int x1, int y1) const
    {
        std::vector<Rgba> colors;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (lit(x, y) && std::find(colors.begin(), colors.end(), at(x, y)) == colors.end())
                    colors.push_back(at(x, y));
        return colors;
    }

    Box litBox() const { return litBox(0, 0, width_ - 1, height_ - 1); }

    bool operator==(const Pixels& other) const { return data_ == other.data_; }

private:
    int width_;
    int height_;
    std::vector<std::uint8_t> data_;
};

} // namespace Lumidraft::testing
