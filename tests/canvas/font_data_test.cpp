#include "canvas/font_data.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <utility>

namespace Lumidraft::fontdata {
namespace {

bool pixel(int code, int row, int column)
{
    return (glyphs[code][row] & (0x80 >> column)) != 0;
}

bool rowIsEmpty(int code, int row)
{
    return glyphs[code][row] == 0;
}

std::string describe(int code)
{
    return "code " + std::to_string(code) + " '" + static_cast<char>(code) + "'";
}

TEST(SegmentFont, SegmentsLieOnTheUnitGrid)
{
    const UnitSegment expected[segmentCount] = {
        {0, 0, 1, 0}, {0, 0, 0, 1}, {1, 0, 1, 1}, {0, 1, 1, 1},
        {0, 1, 0, 2}, {1, 1, 1, 2}, {0, 2, 1, 2},
    };
    EXPECT_EQ(segmentLength, 8);
    for (int k = 0; k < segmentCount; ++k) {
        SCOPED_TRACE("segment " + std::to_string(k));
        EXPECT_EQ(segments[k].x1, expected[k].x1);
        EXPECT_EQ(segments[k].y1, expected[k].y1);
        EXPECT_EQ(segments[k].x2, expected[k].x2);
        EXPECT_EQ(segments[k].y2, expected[k].y2);
    }
}

TEST(SegmentFont, MasksAreSetForTheListedCharactersOnly)
{
    std::array<int, glyphCount> expected{};
    const std::pair<char, int> listed[] = {
        {'!', 119}, {'-', 8},   {'0', 119}, {'1', 36},  {'2', 93},  {'3', 109}, {'4', 46}, {'5', 107},
        {'6', 123}, {'7', 39},  {'8', 127}, {'9', 47},  {'A', 63},  {'B', 122}, {'C', 83}, {'D', 124},
        {'E', 91},  {'F', 27},  {'G', 115}, {'H', 62},  {'I', 32},  {'J', 100}, {'O', 119},
    };
    for (const auto& [character, mask] : listed)
        expected[static_cast<unsigned char>(character)] = mask;
    for (int c = 0; c < glyphCount; ++c)
        EXPECT_EQ(segmentMasks[c], expected[c]) << "code " << c;
}

TEST(BitmapFont, WidthsFollowTheListedRuns)
{
    struct Run {
        int first, last, width;
    };
    const Run runs[] = {
        {0, 31, 4},    {32, 32, 6},   {33, 33, 4},   {34, 38, 6},   {39, 41, 4},   {42, 43, 6},
        {44, 47, 4},   {48, 57, 6},   {58, 62, 4},   {63, 72, 6},   {73, 74, 4},   {75, 76, 6},
        {77, 77, 8},   {78, 86, 6},   {87, 87, 8},   {88, 90, 6},   {91, 96, 4},   {97, 98, 6},
        {99, 99, 5},   {100, 101, 6}, {102, 102, 5}, {103, 104, 6}, {105, 106, 4}, {107, 107, 6},
        {108, 108, 4}, {109, 109, 8}, {110, 113, 6}, {114, 114, 5}, {115, 115, 6}, {116, 116, 4},
        {117, 118, 6}, {119, 119, 8}, {120, 122, 6}, {123, 125, 4}, {126, 126, 6}, {127, 127, 0},
    };
    int next = 0;
    for (const Run& run : runs) {
        ASSERT_EQ(run.first, next) << "the runs must cover every code once";
        for (int c = run.first; c <= run.last; ++c)
            EXPECT_EQ(glyphWidths[c], run.width) << "code " << c;
        next = run.last + 1;
    }
    EXPECT_EQ(next, glyphCount);
}

TEST(BitmapFont, ExampleGlyphsMatchTheirRows)
{
    EXPECT_EQ(cellHeight, 8);
    ASSERT_EQ(glyphRows, 7);
    struct Example {
        int code;
        unsigned char rows[7];
    };
    const Example examples[] = {
        {'A', {0x78, 0xCC, 0xCC, 0xFC, 0xCC, 0xCC, 0x00}},
        {'0', {0x78, 0xCC, 0xDC, 0xEC, 0xCC, 0x78, 0x00}},
        {'g', {0x00, 0x78, 0xCC, 0xCC, 0x7C, 0x0C, 0x78}},
    };
    for (const Example& example : examples)
        for (int r = 0; r < glyphRows; ++r)
            EXPECT_EQ(glyphs[example.code][r], example.rows[r]) << describe(example.code) << " row " << r;
}

TEST(BitmapFont, ControlCodesShowThePlaceholderAndBlanksAreEmpty)
{
    const unsigned char placeholder[7] = {0x00, 0x00, 0x60, 0x60, 0x00, 0x00, 0x00};
    for (int c = 0; c < 32; ++c)
        for (int r = 0; r < glyphRows; ++r)
            EXPECT_EQ(glyphs[c][r], placeholder[r]) << "code " << c << " row " << r;
    for (int c : {32, 127})
        for (int r = 0; r < glyphRows; ++r)
            EXPECT_TRUE(rowIsEmpty(c, r)) << "code " << c << " row " << r;
}

// glBitmap draws only the first width columns, so a pixel past the width would silently vanish.
// The at sign is the one glyph whose data runs into column 7.
TEST(BitmapFont, NoGlyphSetsPixelsAtOrBeyondItsWidth)
{
    for (int c = 0; c < glyphCount; ++c) {
        const int limit = c == '@' ? 8 : glyphWidths[c];
        for (int r = 0; r < glyphRows; ++r)
            for (int column = limit; column < 8; ++column)
                EXPECT_FALSE(pixel(c, r, column)) << "code " << c << " row " << r << " column " << column;
    }
    bool atReachesColumn7 = false;
    for (int r = 0; r < glyphRows; ++r)
        atReachesColumn7 = atReachesColumn7 || pixel('@', r, 7);
    EXPECT_TRUE(atReachesColumn7);
}

TEST(BitmapFont, PrintableGlyphsAreDrawnAndDistinct)
{
    std::set<std::array<unsigned char, 7>> seen;
    for (int c = 33; c <= 126; ++c) {
        std::array<unsigned char, 7> rows{};
        for (int r = 0; r < glyphRows; ++r)
            rows[r] = glyphs[c][r];
        EXPECT_NE(rows, (std::array<unsigned char, 7>{})) << describe(c) << " is blank";
        EXPECT_TRUE(seen.insert(rows).second) << describe(c) << " repeats an earlier glyph";
    }
}

// Rows 0-5 hold capitals and digits with the baseline on row 5; lower case is rows 2-5 with
// ascenders reaching row 0; only descenders (and the tail of Q) use row 6. A glyph shifted by a row
// or drawn on the wrong line breaks one of these.
TEST(BitmapFont, LettersAndDigitsKeepTheirLines)
{
    const std::string capitalsAndDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::string xHeight = "acemnorsuvwxz";
    const std::string ascenders = "bdfhklt";
    const std::string descenders = "gjpqy";

    for (char ch : capitalsAndDigits) {
        EXPECT_FALSE(rowIsEmpty(ch, 0)) << describe(ch) << " top";
        EXPECT_FALSE(rowIsEmpty(ch, 5)) << describe(ch) << " baseline";
        EXPECT_EQ(rowIsEmpty(ch, 6), ch != 'Q') << describe(ch) << " last row";
    }
    for (char ch : xHeight) {
        EXPECT_TRUE(rowIsEmpty(ch, 0) && rowIsEmpty(ch, 1)) << describe(ch) << " above x-height";
        EXPECT_FALSE(rowIsEmpty(ch, 2)) << describe(ch) << " x-height";
        EXPECT_FALSE(rowIsEmpty(ch, 5)) << describe(ch) << " baseline";
        EXPECT_TRUE(rowIsEmpty(ch, 6)) << describe(ch) << " last row";
    }
    for (char ch : ascenders) {
        EXPECT_FALSE(rowIsEmpty(ch, 0)) << describe(ch) << " ascender";
        EXPECT_FALSE(rowIsEmpty(ch, 5)) << describe(ch) << " baseline";
        EXPECT_TRUE(rowIsEmpty(ch, 6)) << describe(ch) << " last row";
    }
    for (char ch : descenders)
        EXPECT_FALSE(rowIsEmpty(ch, 6)) << describe(ch) << " descender";
}

} // namespace
} // namespace Lumidraft::fontdata
