// Text in the bitmap font and numbers in the segment font, as real pixels.
#include "canvas_fixture.h"

#include "canvas/display_lists.h"
#include "canvas/font_data.h"

#include <iostream>
#include <string>

namespace Lumidraft::testing {
namespace {

class TextTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        machine->setRetraceRate(0.0);
        canvas.open(0);
        canvas.clear(Color::black);
    }

    // The picture of one drawing on a cleared canvas.
    template <typename Draw>
    Pixels picture(Draw draw)
    {
        canvas.clear(Color::black);
        draw();
        return Pixels(canvas);
    }

    Canvas canvas;
};

// Pixels that differ from a glyph's rows drawn with its left edge at x and its bottom row at y,
// over its width and the blank column after it.
int glyphMismatches(const Pixels& pixels, unsigned char code, int x, int y)
{
    int mismatches = 0;
    const int width = fontdata::glyphWidths[code];
    for (int row = 0; row < fontdata::glyphRows; ++row)
        for (int column = 0; column <= width; ++column) {
            const bool inGlyph = column < width && (fontdata::glyphs[code][row] & (0x80 >> column));
            if (pixels.lit(x + column, y - (fontdata::glyphRows - 1) + row) != inGlyph)
                ++mismatches;
        }
    return mismatches;
}

TEST_F(TextTest, GlyphsSitOnTheBaselineAndAdvanceByWidthPlusOne)
{
    const Pixels ab = picture([&] { canvas.drawText("ab", 10.0, 50.0, Color::white); });
    EXPECT_EQ(glyphMismatches(ab, 'a', 10, 50), 0);
    EXPECT_EQ(glyphMismatches(ab, 'b', 17, 50), 0);
    const Pixels apart = picture([&] {
        canvas.drawText("a", 10.0, 50.0, Color::white);
        canvas.drawText("b", 17.0, 50.0, Color::white);
    });
    EXPECT_TRUE(ab == apart);
    // Nothing above the seven rows or below the baseline.
    const auto box = ab.litBox();
    EXPECT_GE(box.top, 44);
    EXPECT_LE(box.bottom, 50);
    EXPECT_EQ(ab.at(box.left, box.top)[3], 255);
}

TEST_F(TextTest, PositionsAreTruncatedTowardZero)
{
    const Pixels whole = picture([&] { canvas.drawText("Hg", 10.0, 30.0, Color::white); });
    const Pixels fractional = picture([&] { canvas.drawText(std::string("Hg"), 10.9, 30.7, Color::white); });
    EXPECT_TRUE(whole == fractional);
    EXPECT_EQ(glyphMismatches(whole, 'H', 10, 30), 0);
    EXPECT_EQ(glyphMismatches(whole, 'g', 17, 30), 0);
}

TEST_F(TextTest, EmptyTextDrawsNothingAndLeavesTheStateAlone)
{
    GLdouble rasterBefore[4], colorBefore[4];
    glRasterPos2i(5, 5);
    glColor4d(0.25, 0.5, 0.75, 1.0);
    glGetDoublev(GL_CURRENT_RASTER_POSITION, rasterBefore);
    glGetDoublev(GL_CURRENT_COLOR, colorBefore);
    const Pixels pixels = picture([&] {
        canvas.drawText("", 10.0, 50.0, Color::white);
        canvas.drawText(nullptr, 10.0, 50.0, Color::white);
    });
    EXPECT_EQ(pixels.litBox().count, 0);
    GLdouble rasterAfter[4], colorAfter[4];
    glGetDoublev(GL_CURRENT_RASTER_POSITION, rasterAfter);
    glGetDoublev(GL_CURRENT_COLOR, colorAfter);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rasterAfter[i], rasterBefore[i]);
        EXPECT_EQ(colorAfter[i], colorBefore[i]);
    }
}

TEST_F(TextTest, BytesBeyondTheTablesDrawThePlaceholder)
{
    const std::string high = "\x80\xff";
    const Pixels highBytes = picture([&] { canvas.drawText(high, 10.0, 50.0, Color::white); });
    const std::string controls = "\x01\x02";
    const Pixels placeholders = picture([&] { canvas.drawText(controls, 10.0, 50.0, Color::white); });
    EXPECT_GT(highBytes.litBox().count, 0);
    EXPECT_TRUE(highBytes == placeholders);
}

// Lit pixels of the 9-pixel-wide, 17-row segment cell that starts at x, bottom edge at y.
Pixels::Box cell(const Pixels& pixels, int x, int y)
{
    return pixels.litBox(x, y - 16, x + 8, y);
}

TEST_F(TextTest, NegativeNumberLeftAndRightAligned)
{
    const int y = 100;
    const Pixels left = picture([&] { canvas.drawNumber(-12, 100.0, y, Color::white, true); });
    const Pixels right = picture([&] { canvas.drawNumber(-12, 100.0, y, Color::white, false); });

    struct Cells {
        const Pixels& pixels;
        int minus, one, two;
    };
    for (const Cells c : {Cells{left, 100, 112, 124}, Cells{right, 64, 76, 88}}) {
        SCOPED_TRACE(c.minus);
        // The minus sign is the middle segment only: one row, eight rows above the baseline.
        const auto minus = cell(c.pixels, c.minus, y);
        EXPECT_GT(minus.count, 0);
        EXPECT_EQ(minus.top, y - 8);
        EXPECT_EQ(minus.bottom, y - 8);
        EXPECT_GE(minus.left, c.minus + 1);
        // The 1 is the two right-hand segments: column x + 8 only.
        const auto one = cell(c.pixels, c.one, y);
        EXPECT_EQ(one.left, c.one + 8);
        EXPECT_EQ(one.right, c.one + 8);
        EXPECT_EQ(one.top, y - 15);
        // The 2 has its top and bottom bars and both sides.
        const auto two = cell(c.pixels, c.two, y);
        EXPECT_EQ(two.left, c.two);
        EXPECT_EQ(two.right, c.two + 8);
        EXPECT_EQ(two.top, y - 16);
        // Nothing else on the canvas.
        EXPECT_EQ(c.pixels.litBox().count, minus.count + one.count + two.count);
    }
    // Right-aligned text ends at x - 4.
    EXPECT_EQ(right.litBox().right, 96);
}

TEST_F(TextTest, RealNumbersUseSixSignificantDigitsAndShowTheDotAtTheBaseline)
{
    const int y = 60;
    const Pixels half = picture([&] { canvas.drawNumber(0.5, 20.0, y, Color::white, true); });
    const auto dot = cell(half, 32, y);
    EXPECT_EQ(dot.count, 1);
    EXPECT_EQ(dot.left, 40);
    EXPECT_EQ(dot.top, y);
    EXPECT_GT(cell(half, 20, y).count, 8); // 0
    EXPECT_GT(cell(half, 44, y).count, 8); // 5
    EXPECT_EQ(half.litBox().right, 52);

    // 16.666666 prints as 16.6667: seven cells. Characters without segments are one dot too.
    const Pixels longer = picture([&] { canvas.drawNumber(16.666666, 20.0, y, Color::white, true); });
    EXPECT_EQ(longer.litBox().right, 20 + 6 * 12 + 8);
    EXPECT_EQ(cell(longer, 20 + 2 * 12, y).count, 1);
    const Pixels exponent = picture([&] { canvas.drawNumber(1e20, 20.0, y, Color::white, true); }); // 1e+20
    EXPECT_EQ(cell(exponent, 32, y).count, 1);
    EXPECT_EQ(cell(exponent, 44, y).count, 1);
}

TEST_F(TextTest, IntegerFormsDrawTheSameDigits)
{
    const Pixels asInt = picture([&] { canvas.drawNumber(2024, 300.0, 40.0, Color::white, false); });
    const Pixels asLong = picture([&] { canvas.drawNumber(2024L, 300.0, 40.0, Color::white, false); });
    const Pixels asReal = picture([&] { canvas.drawNumber(2024.0, 300.0, 40.0, Color::white, false); });
    EXPECT_TRUE(asInt == asLong);
    EXPECT_TRUE(asInt == asReal);
    EXPECT_EQ(asInt.litBox().left, 300 - 4 * 12);
}

TEST(BitmapFontDeathTest, NoListNamesEndsTheProcessWithAMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            std::cout.rdbuf(std::cerr.rdbuf()); // the message goes to standard output
            detail::compileBitmapFont(0);
        },
        "Can't generate fonts\\.");
}

} // namespace
} // namespace Lumidraft::testing
