// Images in memory: layout arithmetic, pixel access in every format, the checks of set, fill,
// matrices, difference, and the shelves of the video-memory allocator.
#include "image/image.h"

#include "app/exception.h"
#include "matrix/matrix.h"
#include "platform/image_properties.h"

#include "support/expect_exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace Lumidraft {
namespace {

using Lumidraft::testing::expectError;

std::vector<int> bytesOf(const Image& image)
{
    return std::vector<int>(image.bytePixels(), image.bytePixels() + image.getTotalElements());
}

TEST(ImageLayout, SizesFollowTheTableWithRowsRoundedToFourBytes)
{
    struct Case {
        int w, h, layout, precision;
        int pixelBytes, lineBytes, totalBytes, lineElements, totalElements;
    };
    const Case cases[] = {
        {3, 2, Image::RGB, Image::BYTE, 3, 12, 24, 12, 24},
        {5, 1, Image::GRAY, Image::BYTE, 1, 8, 8, 8, 8},
        {4, 3, Image::GRAY, Image::BYTE, 1, 4, 12, 4, 12},
        {3, 3, Image::RGBA, Image::BYTE, 4, 12, 36, 12, 36},
        {2, 2, Image::GRAY, Image::FLOAT, 4, 8, 16, 2, 4},
        {3, 2, Image::RGB, Image::FLOAT, 12, 36, 72, 9, 18},
        {1, 5, Image::RGBA, Image::FLOAT, 16, 16, 80, 4, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " layout " << c.layout << " precision " << c.precision);
        const Image image(c.w, c.h, c.layout, c.precision);
        EXPECT_EQ(image.getPixelBytes(), c.pixelBytes);
        EXPECT_EQ(image.getLineBytes(), c.lineBytes);
        EXPECT_EQ(image.getTotalBytes(), c.totalBytes);
        EXPECT_EQ(image.getLineElements(), c.lineElements);
        EXPECT_EQ(image.getTotalElements(), c.totalElements);
        EXPECT_EQ(image.glFormat(), static_cast<unsigned>(Image::formatTable[5 + c.layout]));
        EXPECT_EQ(image.glType(), static_cast<unsigned>(Image::formatTable[8 + c.precision]));
        EXPECT_EQ((image.getPrecision() == Image::BYTE) == (image.bytePixels() != nullptr), true);
        EXPECT_EQ((image.getPrecision() == Image::FLOAT) == (image.floatPixels() != nullptr), true);
    }
    const std::int32_t table[10] = {1, 3, 4, 1, 4, 6409, 6407, 6408, 5121, 5126};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Image::formatTable[i], table[i]);
}

TEST(ImageLayout, PixelsSitBottomRowFirstAndTheRowEndFillIsNeverWritten)
{
    Image image(3, 2, Image::RGB, Image::BYTE);
    EXPECT_EQ(bytesOf(image), std::vector<int>(24, 0));
    image.setPixel(1, 0, Color(1.0, 0.5, 0.25)); // top row: the block's second row
    image.setPixel(1, 1, Color::white);          // bottom row: the block's first row
    std::vector<int> expected(24, 0);
    expected[15] = 255, expected[16] = 127, expected[17] = 63;
    expected[3] = expected[4] = expected[5] = 255;
    EXPECT_EQ(bytesOf(image), expected);

    image.clear(Color::white);
    for (int e : {9, 10, 11, 21, 22, 23})
        EXPECT_EQ(image.bytePixels()[e], 0) << "fill element " << e;
    image.setPixel(0, 0, Color::white);
    EXPECT_EQ(image.getPixel(0, 0), Color(1.0, 1.0, 1.0, 1.0));
}

TEST(ImagePixels, NewImagesAreOpaqueBlack)
{
    for (int layout : {Image::GRAY, Image::RGB, Image::RGBA})
        for (int precision : {Image::BYTE, Image::FLOAT}) {
            SCOPED_TRACE(::testing::Message() << "layout " << layout << " precision " << precision);
            const Image image(3, 2, layout, precision);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    EXPECT_EQ(image.getPixel(x, y), Color::black);
            if (layout == Image::RGBA) {
                if (precision == Image::BYTE)
                    EXPECT_EQ(image.bytePixels()[3], 255);
                else
                    EXPECT_EQ(image.floatPixels()[3], 1.0f);
            }
        }
}

TEST(ImagePixels, RoundTripInEveryFormat)
{
    const Color written[] = {Color(0.2, 0.4, 0.6, 0.8), Color(1.0, 0.0, 0.999, 0.5), Color(0.5, 0.75, 0.1, 0.0)};
    const auto byteLevel = [](double v) { return static_cast<int>(v * 255.0) / 255.0; };
    for (int layout : {Image::GRAY, Image::RGB, Image::RGBA})
        for (int precision : {Image::BYTE, Image::FLOAT}) {
            SCOPED_TRACE(::testing::Message() << "layout " << layout << " precision " << precision);
            Image image(4, 3, layout, precision);
            for (int i = 0; i < 3; ++i)
                image.setPixel(i, 2 - i, written[i]);
            for (int i = 0; i < 3; ++i) {
                const Color& c = written[i];
                const Color got = image.getPixel(i, 2 - i);
                const auto level = [&](double v) {
                    return precision == Image::BYTE ? byteLevel(v) : static_cast<double>(static_cast<float>(v));
                };
                switch (layout) {
                case Image::GRAY:
                    EXPECT_EQ(got, Color(level(c.r)));
                    break;
                case Image::RGB:
                    EXPECT_EQ(got, Color(level(c.r), level(c.g), level(c.b)));
                    break;
                default:
                    EXPECT_EQ(got, Color(level(c.r), level(c.g), level(c.b), level(c.a)));
                }
            }
            EXPECT_EQ(image.getPixel(3, 0), Color::black); // untouched
        }
}

TEST(ImagePixels, ByteLevelsAreTruncatedAndClampedAndGrayKeepsRed)
{
    Image image(4, 1, Image::RGB, Image::BYTE);
    image.setPixel(0, 0, Color(0.5));
    image.setPixel(1, 0, Color(0.999, 1.0, 0.0));
    image.setPixel(Point(2.9, 0.7), Color::red + Color::red - Color::white); // (1, -1, -1, 1): clamped
    EXPECT_EQ(bytesOf(image), (std::vector<int>{127, 127, 127, 254, 255, 0, 255, 0, 0, 0, 0, 0}));
    EXPECT_NEAR(image.getPixel(0, 0).r, 127.0 / 255.0, 1e-12);

    Image overflow(1, 1, Image::RGB, Image::BYTE);
    overflow.setPixel(0, 0, Color::red + Color::red); // r = 2
    EXPECT_EQ(overflow.bytePixels()[0], 255);

    Image gray(1, 1, Image::GRAY, Image::BYTE);
    gray.setPixel(0, 0, Color::red);
    EXPECT_EQ(gray.bytePixels()[0], 255);
    EXPECT_EQ(gray.getPixel(0, 0), Color::white);

    Image reals(1, 1, Image::RGB, Image::FLOAT);
    reals.setPixel(0, 0, Color::red + Color::red);
    EXPECT_EQ(reals.floatPixels()[0], 2.0f); // reals are kept as they are
}

TEST(ImageSet, ChecksRunInOrderAndKeepWhatPassed)
{
    const std::string format = "FORMAT ERROR";
    expectError([] { Image(0, 10, Image::RGB, Image::BYTE); }, typeid(Image), format, "The specified width is illegal");
    expectError([] { Image(0, 0, 5, 5); }, typeid(Image), format, "The specified width is illegal");
    expectError([] { Image(10, -1, 5, 5); }, typeid(Image), format, "The specified height is illegal");
    expectError([] { Image(10, 10, 3, Image::BYTE); }, typeid(Image), format, "The specified pixel component is illegal");
    expectError([] { Image(10, 10, -1, 9); }, typeid(Image), format, "The specified pixel component is illegal");
    expectError([] { Image(10, 10, Image::RGB, 2); }, typeid(Image), format, "The specified precision is illegal");

    Image image;
    expectError([&] { image.set(7, 5, 3, Image::BYTE); }, typeid(Image), format, "The specified pixel component is illegal");
    EXPECT_FALSE(image.hasBitmap());
    EXPECT_EQ(image.getWidth(), 7.0);
    EXPECT_EQ(image.getHeight(), 5.0);
    EXPECT_EQ(image.getLayout(), Image::RGB);
    expectError([&] { image.setPixel(0, 0, Color::white); }, typeid(Image), "Memory Error", "Image object has no bitmap.");

    image.set(7, 5, Image::GRAY, Image::FLOAT);
    expectError([&] { image.set(2, 2, Image::BYTE); }, typeid(Image), "Memory Error", "Image object already has its bitmap.");
    EXPECT_EQ(image.getWidth(), 7.0); // the failed set changed nothing
    EXPECT_EQ(image.getLayout(), Image::GRAY);
    image.release();
    image.release();
    EXPECT_FALSE(image.hasBitmap());
    EXPECT_EQ(image.getWidth(), 0.0);
    EXPECT_EQ(image.getLayout(), Image::RGB);
    EXPECT_EQ(image.getPrecision(), Image::BYTE);
    EXPECT_EQ(image.api(), nullptr);
    image.set(Rectangle(3.0, 4.0, 5.9, 5.0), Image::RGBA, Image::FLOAT); // 3.9 x 2 -> 3 x 2
    EXPECT_TRUE(image.hasBitmap());
    EXPECT_NE(image.api(), nullptr);
    EXPECT_EQ(image.getWidth(), 3.0);
    EXPECT_EQ(image.getHeight(), 2.0);
}

TEST(ImageSet, TooLargeABlockIsAnAllocationFailureNotAWrappedSize)
{
    Image image;
    expectError([&] { image.set(40000, 40000, Image::RGBA, Image::FLOAT); }, typeid(Image), "Memory Error",
                "Image failed to allocate memory.");
    EXPECT_FALSE(image.hasBitmap());
    EXPECT_EQ(image.getWidth(), 40000.0);
    EXPECT_EQ(image.getPrecision(), Image::FLOAT);
    EXPECT_EQ(image.bounds().right, 39999.0);
    EXPECT_EQ(image.placement().bottom, 39999.0);
    image.set(2, 2, Image::BYTE); // still empty: a new set is allowed
    EXPECT_TRUE(image.hasBitmap());
}

TEST(ImageSet, SizesWhoseArithmeticOverflowsAreRefusedBeforeAllocating)
{
    // Each of these wraps around in 64-bit size arithmetic done naively (some to a small total,
    // some to a negative one); every one must be refused before anything is allocated or written.
    const int big = 1 << 30, max = 2147483647;
    const struct {
        int w, h, layout, precision;
    } cases[] = {
        {big, big, Image::RGBA, Image::FLOAT}, {max, max, Image::RGBA, Image::FLOAT},
        {max, max, Image::GRAY, Image::BYTE},  {max, 1, Image::RGBA, Image::FLOAT},
        {1, max, Image::RGB, Image::BYTE},     {big, 4, Image::RGBA, Image::BYTE},
        {1 << 29, 1 << 29, Image::RGBA, Image::FLOAT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << " x " << c.h << " layout " << c.layout);
        Image image;
        expectError([&] { image.set(c.w, c.h, c.layout, c.precision); }, typeid(Image), "Memory Error",
                    "Image failed to allocate memory.");
        EXPECT_FALSE(image.hasBitmap());
        EXPECT_EQ(image.bytePixels(), nullptr);
        EXPECT_EQ(image.floatPixels(), nullptr);
        EXPECT_EQ(image.getWidth(), double(c.w));
        EXPECT_EQ(image.getHeight(), double(c.h));
    }
}

TEST(ImagePixels, CallsOutsideTheImageRaiseAndWriteNothing)
{
    Image image(3, 2, Image::RGB, Image::BYTE);
    const std::vector<int> before = bytesOf(image);
    const std::string kind = "ARGUMENT ERROR", message = "The pixel lies outside the image.";
    const std::vector<std::pair<int, int>> outside = {{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {100000, 100000}};
    for (const auto& p : outside) {
        SCOPED_TRACE(::testing::Message() << p.first << "," << p.second);
        expectError([&] { image.setPixel(p.first, p.second, Color::white); }, typeid(Image), kind, message);
        expectError([&] { image.getPixel(p.first, p.second); }, typeid(Image), kind, message);
    }
    expectError([&] { image.setPixel(Point(-0.5e12, 0.0), Color::white); }, typeid(Image), kind, message);
    EXPECT_EQ(bytesOf(image), before);

    Image empty;
    const std::string noBitmap = "Image object has no bitmap.";
    expectError([&] { empty.getPixel(0, 0); }, typeid(Image), "Memory Error", noBitmap);
    expectError([&] { empty.clear(Color::white); }, typeid(Image), "Memory Error", noBitmap);
    expectError([&] { empty.fill(Rectangle(1.0, 1.0), Color::white); }, typeid(Image), "Memory Error", noBitmap);
}

TEST(ImageFill, WritesOnlyThePartInsideTheImage)
{
    Image image(4, 3, Image::GRAY, Image::BYTE);
    image.fill(Rectangle(2.0, 1.0, 10.0, 10.0), Color::white);
    image.fill(Rectangle(-5.0, -5.0, 0.7, 0.2), Color(0.5)); // edges truncated: pixel (0, 0) only
    const int expected[3][4] = {{127, 0, 0, 0}, {0, 0, 255, 255}, {0, 0, 255, 255}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(image.bytePixels()[(2 - y) * 4 + x], expected[y][x]) << x << "," << y;

    const std::vector<int> before = bytesOf(image);
    expectError([&] { image.fill(Rectangle(4.0, 0.0, 9.0, 2.0), Color::white); }, typeid(Rectangle), "SIZE ERROR",
                "Cripped rectangle is null.");
    EXPECT_EQ(bytesOf(image), before);
}

TEST(ImageFill, NaNEdgesFillNothing)
{
    const double nan = std::nan("");
    const Rectangle hostile[] = {
        Rectangle().set(nan, 1.0, nan, 2.0), Rectangle().set(nan, 0.0, 2.0, 3.0), Rectangle().set(0.0, nan, 3.0, 3.0),
        Rectangle().set(0.0, 0.0, nan, 3.0), Rectangle().set(0.0, 0.0, 3.0, nan), Rectangle().set(nan, nan, nan, nan),
    };
    for (const int precision : {Image::BYTE, Image::FLOAT}) {
        Image image(4, 4, Image::RGBA, precision);
        for (const Rectangle& r : hostile) {
            SCOPED_TRACE(::testing::Message() << r.left << " " << r.top << " " << r.right << " " << r.bottom);
            image.fill(r, Color::white);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    EXPECT_EQ(image.getPixel(x, y).r, 0.0) << x << "," << y;
        }
    }
}

TEST(ImageMatrices, RowsRunDownAndColumnsAcross)
{
    Matrix r(2, 3), g(2, 3), b(2, 3), a(2, 3);
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 3; ++j) {
            r(i, j) = i / 10.0 + j / 100.0; // element (i, j) names its own place
            g(i, j) = 1.0 - r(i, j);
            b(i, j) = 0.5;
            a(i, j) = j / 4.0;
        }
    Image gray(3, 2, Image::GRAY, Image::FLOAT);
    gray.fromMatrices(r);
    Image rgb(3, 2, Image::RGB, Image::FLOAT);
    rgb.fromMatrices(r, g, b);
    Image rgba(3, 2, Image::RGBA, Image::FLOAT);
    rgba.fromMatrices(r, g, b, a);
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 3; ++j) {
            const auto f = [](double v) { return static_cast<double>(static_cast<float>(v)); };
            EXPECT_EQ(gray.getPixel(j - 1, i - 1), Color(f(r(i, j))));
            EXPECT_EQ(rgb.getPixel(j - 1, i - 1), Color(f(r(i, j)), f(g(i, j)), 0.5));
            EXPECT_EQ(rgba.getPixel(j - 1, i - 1), Color(f(r(i, j)), f(g(i, j)), 0.5, f(a(i, j))));
        }

    Matrix big(1, 1);
    big(1, 1) = 7.0; // a grey level above 1 is clamped by the colour
    Image one(1, 1, Image::RGB, Image::BYTE);
    one.fromMatrices(big);
    EXPECT_EQ(one.getPixel(0, 0), Color::white);
}

TEST(ImageMatrices, SizeMismatchRaisesTheEmptyExceptionBeforeWriting)
{
    Matrix m23(2, 3), m32(3, 2);
    m23.fill(1.0);
    m32.fill(1.0);
    Image image(3, 2, Image::RGB, Image::BYTE);
    const std::vector<int> before = bytesOf(image);
    const auto mismatches = std::vector<std::function<void()>>{
        [&] { image.fromMatrices(m32); },
        [&] { image.fromMatrices(m23, m23, m32); },
        [&] { image.fromMatrices(m23, m23, m23, m32); },
    };
    for (const auto& f : mismatches)
        expectError(f, typeid(Exception), "", "");
    EXPECT_EQ(bytesOf(image), before);

    Image empty;
    expectError([&] { empty.fromMatrices(m23); }, typeid(Exception), "", "");
}

TEST(ImagePlacement, CentringAndShiftingMoveOnlyThePlacement)
{
    Image image(11, 6, Image::RGB, Image::BYTE);
    EXPECT_EQ(image.getCenter().x, 5.0);
    EXPECT_EQ(image.getCenter().y, 3.0);
    image.centerAt(100.0, 50.0).shift(1.0, -2.0);
    EXPECT_EQ(image.placement().left, 96.0);
    EXPECT_EQ(image.placement().top, 45.5);
    EXPECT_EQ(image.placement().right, 106.0);
    EXPECT_EQ(image.bounds().left, 0.0);
    EXPECT_EQ(image.bounds().right, 10.0);

    Rectangle rect(3.0, 3.0);
    rect.centerAt(image);
    EXPECT_EQ(rect.left, 4.0);
    EXPECT_EQ(rect.top, 2.0);
    EXPECT_EQ(rect.right, 6.0);
    EXPECT_EQ(rect.bottom, 4.0);

    image.release();
    image.set(4, 4, Image::BYTE); // a new bitmap is placed at its own area again
    EXPECT_EQ(image.placement().left, 0.0);
    EXPECT_EQ(image.placement().bottom, 3.0);
}

void expectEmpty(const Image& image)
{
    EXPECT_FALSE(image.hasBitmap());
    EXPECT_FALSE(image.accelerated());
    EXPECT_EQ(image.api(), nullptr);
    EXPECT_EQ(image.bytePixels(), nullptr);
    EXPECT_EQ(image.floatPixels(), nullptr);
    EXPECT_EQ(image.getWidth(), 0.0);
    EXPECT_EQ(image.getHeight(), 0.0);
    EXPECT_EQ(image.getLayout(), Image::RGB);
    EXPECT_EQ(image.getPrecision(), Image::BYTE);
    EXPECT_EQ(image.getTotalElements(), 0);
}

TEST(ImageMove, PixelsAndPlacementTravelAndTheSourceIsLeftEmpty)
{
    static_assert(std::is_nothrow_move_constructible_v<Image> && std::is_nothrow_move_assignable_v<Image>);
    static_assert(!std::is_copy_constructible_v<Image> && !std::is_copy_assignable_v<Image>);

    Image source(5, 3, Image::GRAY, Image::FLOAT);
    source.setPixel(4, 2, Color(0.25));
    source.centerAt(50.0, 60.0);
    const float* block = source.floatPixels();
    const APIImageProperties* api = source.api();

    Image moved(std::move(source));
    expectEmpty(source);
    EXPECT_EQ(moved.floatPixels(), block); // the block itself, not a copy
    EXPECT_EQ(moved.api(), api);
    EXPECT_EQ(moved.getWidth(), 5.0);
    EXPECT_EQ(moved.getLineElements(), 5);
    EXPECT_EQ(moved.getPixel(4, 2).r, 0.25f);
    EXPECT_EQ(moved.placement().left, 48.0);
    EXPECT_EQ(moved.bounds().right, 4.0);

    // Assignment frees what the target held; the emptied source can be set again.
    Image target(7, 7, Image::RGBA, Image::BYTE);
    target = std::move(moved);
    expectEmpty(moved);
    EXPECT_EQ(target.floatPixels(), block);
    EXPECT_EQ(target.getLayout(), Image::GRAY);
    moved.set(2, 2, Image::BYTE);
    EXPECT_TRUE(moved.hasBitmap());

    Image& alias = target;
    target = std::move(alias); // moving into itself keeps the picture
    EXPECT_EQ(target.floatPixels(), block);

    // Moving an empty image into one with a bitmap leaves both empty.
    Image none;
    moved = std::move(none);
    expectEmpty(moved);
}

TEST(ImageMove, AVectorOfImagesKeepsEveryPictureAsItGrows)
{
    std::vector<Image> trials;
    for (int i = 0; i < 40; ++i) {
        trials.emplace_back(3 + i % 4, 2, Image::RGB, Image::BYTE);
        trials.back().clear(Color(i / 40.0, 0.0, 1.0));
    }
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(trials[i].getWidth(), 3.0 + i % 4);
        EXPECT_EQ(trials[i].getPixel(2, 1).r, static_cast<int>(i / 40.0 * 255) / 255.0);
    }
    trials.erase(trials.begin());
    EXPECT_EQ(trials.front().getWidth(), 4.0);
}

TEST(ImageDifference, AmplifiesSmallDifferencesOfEveryElement)
{
    Image a(2, 1, Image::GRAY, Image::BYTE), b(2, 1, Image::GRAY, Image::BYTE);
    a.bytePixels()[0] = 200, b.bytePixels()[0] = 197;
    a.bytePixels()[1] = 197, b.bytePixels()[1] = 200;
    a.bytePixels()[2] = 200, b.bytePixels()[2] = 180; // row-end fill is compared too
    a.bytePixels()[3] = 9, b.bytePixels()[3] = 9;
    EXPECT_EQ(&a.difference(b), &a);
    EXPECT_EQ(bytesOf(a), (std::vector<int>{48, 48, 0, 0}));
    EXPECT_EQ(bytesOf(b), (std::vector<int>{197, 200, 180, 9}));

    Image f(1, 1, Image::RGB, Image::FLOAT), g(1, 1, Image::RGB, Image::FLOAT);
    f.setPixel(0, 0, Color(0.5, 0.25, 1.0));
    g.setPixel(0, 0, Color(0.25, 0.5, 0.0));
    g.floatPixels()[2] = 20.0f;
    f.difference(g);
    EXPECT_EQ(f.floatPixels()[0], 4.0f);
    EXPECT_EQ(f.floatPixels()[1], 4.0f);
    EXPECT_EQ(f.floatPixels()[2], 256.0f);
}

TEST(ImageDifference, FormatsMustAgreeAndAMismatchChangesNothing)
{
    Image base(2, 2, Image::RGB, Image::BYTE);
    base.clear(Color::white);
    const std::vector<int> before = bytesOf(base);
    Image rgba(2, 2, Image::RGBA, Image::BYTE), reals(2, 2, Image::RGB, Image::FLOAT), wide(3, 2, Image::RGB, Image::BYTE),
        tall(2, 3, Image::RGB, Image::BYTE);
    for (const Image* other : {&rgba, &reals, &wide, &tall})
        expectError([&] { base.difference(*other); }, typeid(Image), "Format Error",
                    "Difference must be resolved between same format Images.");
    EXPECT_EQ(bytesOf(base), before);
}

class Shelves : public ::testing::Test {
protected:
    void SetUp() override { APIImageProperties::resetVram(); }
    void TearDown() override { APIImageProperties::resetVram(); }

    // Places a w x h block in the 1024 x 768 store; returns its corner.
    std::pair<int, int> place(int w, int h)
    {
        int x = -99, y = -99;
        api.allocateVram(1024, 768, w, h, x, y);
        return {x, y};
    }
    void expectRefused(int w, int h)
    {
        int x = -99, y = -99;
        std::vector<std::pair<int, int>> before;
        for (int i = 0; i < APIImageProperties::vramShelfCount; ++i)
            before.emplace_back(APIImageProperties::shelfRight(i), APIImageProperties::shelfBottom(i));
        expectError([&] { api.allocateVram(1024, 768, w, h, x, y); }, typeid(APIImageProperties), "Memory Error",
                    "Image accelerater failed to allocate VRAM.");
        EXPECT_EQ(x, -99);
        for (int i = 0; i < APIImageProperties::vramShelfCount; ++i) {
            EXPECT_EQ(APIImageProperties::shelfRight(i), before[i].first) << "shelf " << i;
            EXPECT_EQ(APIImageProperties::shelfBottom(i), before[i].second) << "shelf " << i;
        }
    }

    APIImageProperties api;
};

using Corner = std::pair<int, int>;

TEST_F(Shelves, BlocksGoBesideEachOtherThenToTheNextShelf)
{
    EXPECT_EQ(APIImageProperties::shelfBottom(0), -1);
    EXPECT_EQ(APIImageProperties::shelfRight(1), -1);
    EXPECT_EQ(place(100, 50), Corner(0, 0));
    EXPECT_EQ(place(80, 50), Corner(100, 0));
    EXPECT_EQ(place(900, 30), Corner(0, 50));
    EXPECT_EQ(APIImageProperties::shelfRight(1), 179);
    EXPECT_EQ(APIImageProperties::shelfBottom(1), 49);
    EXPECT_EQ(APIImageProperties::shelfRight(2), 899);
    EXPECT_EQ(APIImageProperties::shelfBottom(2), 79);
    // Shelf 1 still takes a block no taller than itself; shelf 2, the last in use, grows.
    EXPECT_EQ(place(20, 40), Corner(180, 0));
    EXPECT_EQ(place(100, 60), Corner(900, 50));
    EXPECT_EQ(APIImageProperties::shelfBottom(2), 109);
    // Too wide for both: a third shelf below.
    EXPECT_EQ(place(900, 10), Corner(0, 110));
}

TEST_F(Shelves, ABlockThatFitsNowhereIsRefusedAndChangesNothing)
{
    expectRefused(10, 2 * 768);
    expectRefused(1025, 10); // one column wider than the store
    expectRefused(10, 769);  // one row taller
    EXPECT_EQ(place(1024, 768), Corner(0, 0)); // exactly the store
    expectRefused(1, 1);
}

TEST_F(Shelves, ShelvesRunOutAfterNine)
{
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(place(1000, 10), Corner(0, 10 * i));
    expectRefused(1000, 10);
    EXPECT_EQ(place(24, 10), Corner(1000, 0)); // room is still left beside
}

TEST_F(Shelves, NoShelfOpensBelowOneNeverUsed)
{
    // The second block is too wide for shelf 1 and too tall to open shelf 2; it must not land in
    // shelf 3 at row 1, across the first block.
    EXPECT_EQ(place(100, 500), Corner(0, 0));
    expectRefused(1000, 300);
    EXPECT_EQ(place(1000, 268), Corner(0, 500));
}

} // namespace
} // namespace Lumidraft
