// Text and numbers drawn on a real canvas (scripted backend, real OpenGL): any bytes as text, any
// number, hostile positions and colours. Besides memory safety, the lit pixels must stay inside
// the box the text can cover, and a text wholly on the canvas lights exactly its glyphs' pixels.
#include "fuzz_input.h"

#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "canvas/font_data.h"
#include "platform/gl.h"
#include "platform/script/script_backend.h"
#include "timing/clock.h"

#include <cmath>
#include <cstdlib>
#include <vector>

using namespace Lumidraft;
using fuzz::Input;

namespace {

Canvas* canvas = nullptr;

void openCanvas()
{
    setenv("LUMIDRAFT_BACKEND", "script", 1);
    auto& machine = platform::useScriptBackend();
    machine.setRetraceRate(0.0);
    Clock::initializeFrequency();
    canvas = new Canvas(); // lives for the whole run
    canvas->open(0);
}

struct Box {
    int left, top, right, bottom, count;
};

// Lit pixels of the back buffer (canvas coordinates, y downward).
Box litBox()
{
    const int w = canvas->getWidth(), h = canvas->getHeight();
    static std::vector<unsigned char> pixels;
    pixels.resize(static_cast<std::size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    Box box{w, h, -1, -1, 0};
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = &pixels[(static_cast<std::size_t>(row) * w + x) * 4];
            if (!(p[0] | p[1] | p[2])) continue;
            const int y = h - 1 - row;
            ++box.count;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    return box;
}

int glyphBits(unsigned char code)
{
    int n = 0;
    for (int row = 0; row < fontdata::glyphRows; ++row)
        for (int column = 0; column < fontdata::glyphWidths[code]; ++column)
            if (fontdata::glyphs[code][row] & (0x80 >> column)) ++n;
    return n;
}

void text(Input& in)
{
    const std::string s = in.text(24);
    const bool near = in.flag();
    const double x = near ? in.pick(-40, 680) + (in.flag() ? 0.5 : 0.0) : in.real(-40, 680);
    const double y = near ? in.pick(-40, 520) + (in.flag() ? 0.75 : 0.0) : in.real(-40, 520);
    const bool asCString = in.flag();
    canvas->clear(Color::black);
    if (asCString) canvas->drawText(s.c_str(), x, y, Color::white);
    else canvas->drawText(s, x, y, Color::white);
    if (!near) return; // far or non-finite positions: memory safety only
    // The glyphs drawn are those before the first NUL; each advances by its width plus one.
    int advance = 0, bits = 0;
    for (char c : s) {
        if (c == '\0') break;
        const unsigned char code = static_cast<unsigned char>(c) < 128 ? static_cast<unsigned char>(c) : 0; // the placeholder glyph
        advance += fontdata::glyphWidths[code] + 1;
        bits += glyphBits(code);
    }
    const Box box = litBox();
    const int x0 = static_cast<int>(std::trunc(x)), y0 = static_cast<int>(std::trunc(y));
    const bool wholly = x0 >= 0 && x0 + advance <= canvas->getWidth() && y0 - (fontdata::glyphRows - 1) >= 0 &&
                        y0 < canvas->getHeight();
    if (wholly) LUMIDRAFT_FUZZ_CHECK(box.count == bits);
    if (box.count == 0) return;
    LUMIDRAFT_FUZZ_CHECK(box.left >= x0 && box.right <= x0 + advance);
    LUMIDRAFT_FUZZ_CHECK(box.bottom <= y0 && box.top >= y0 - (fontdata::glyphRows - 1));
}

void number(Input& in)
{
    const int kind = in.byte() % 3;
    const bool leftAligned = in.flag();
    const double x = in.real(-40, 680), y = in.real(-40, 520);
    Color color(in.real(-1, 2), in.real(-1, 2), in.real(-1, 2), in.real(-1, 2));
    if (in.flag()) color = Color::white;
    canvas->clear(Color::black);
    if (kind == 0) canvas->drawNumber(in.integer(), x, y, color, leftAligned);
    else if (kind == 1) canvas->drawNumber(static_cast<long>((std::uint64_t(std::uint32_t(in.raw32())) << 32) | std::uint32_t(in.raw32())), x, y, color, leftAligned);
    else canvas->drawNumber(in.real(), x, y, color, leftAligned);
    if (!(std::fabs(x) < 1e4 && std::fabs(y) < 1e4)) return;
    // Cells are 12 pixels apart and 16 high, their bottom edge at y; a number has at most 24
    // characters. Lines may light the pixel next to their end.
    const Box box = litBox();
    if (box.count == 0) return;
    const double reach = 24 * 12 + 2;
    LUMIDRAFT_FUZZ_CHECK(box.top >= y - 18 && box.bottom <= y + 2);
    LUMIDRAFT_FUZZ_CHECK(box.left >= x - reach - 2 && box.right <= x + reach + 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!canvas) openCanvas();
    Input in(data, size);
    int steps = 0;
    while (!in.empty() && steps++ < 4) {
        if (in.flag()) text(in);
        else number(in);
    }
    return 0;
}
