// Images on a real canvas (scripted machine, Mesa): where and how they are drawn, their copies in
// video memory, and reading the canvas back into an image.
#include "canvas/canvas_fixture.h"

#include "app/exception.h"
#include "image/image.h"
#include "platform/image_properties.h"
#include "support/expect_exception.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace Lumidraft::testing {
namespace {

Rgba rgba(const Color& c)
{
    const auto level = [](double v) { return static_cast<std::uint8_t>(std::lround(v * 255.0)); };
    return {level(c.r), level(c.g), level(c.b), level(c.a)};
}

// A picture in which every pixel differs from its neighbours, with real values that are not on
// the 1/255 grid and, for RGBA, alpha from transparent to opaque.
void paint(Image& image)
{
    for (int y = 0; y < static_cast<int>(image.getHeight()); ++y)
        for (int x = 0; x < static_cast<int>(image.getWidth()); ++x)
            image.setPixel(x, y,
                           Color(std::fmod(0.1 + x * 0.0371, 1.0), std::fmod(0.9 - y * 0.0437 + 1.0, 1.0),
                                 std::fmod((x + 3 * y) * 0.0173, 1.0), ((x + y) % 5) / 4.0));
}

// Canvas state that drawing an image must leave as it found it.
std::vector<double> glStateSnapshot()
{
    std::vector<double> state;
    const auto floats = [&](GLenum name, int n) {
        GLfloat v[16] = {};
        glGetFloatv(name, v);
        state.insert(state.end(), v, v + n);
    };
    for (GLenum e : {GL_BLEND, GL_ALPHA_TEST, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE})
        state.push_back(glIsEnabled(e));
    for (GLenum name : {GL_BLEND_SRC, GL_BLEND_DST, GL_DRAW_BUFFER, GL_READ_BUFFER, GL_MATRIX_MODE,
                        GL_TEXTURE_BINDING_2D, GL_UNPACK_ALIGNMENT, GL_PACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH,
                        GL_PACK_ROW_LENGTH}) {
        GLint v = 0;
        glGetIntegerv(name, &v);
        state.push_back(v);
    }
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    state.push_back(envMode);
    floats(GL_CURRENT_COLOR, 4);
    floats(GL_CURRENT_TEXTURE_COORDS, 4);
    floats(GL_MODELVIEW_MATRIX, 16);
    floats(GL_PROJECTION_MATRIX, 16);
    return state;
}

class ImageDrawTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        machine->setRetraceRate(0.0);
        APIImageProperties::resetVram();
    }

    void open() { canvas.open(0); }

    // A background with structure, so that blending and misplaced pixels show.
    void background()
    {
        canvas.clear(Color(0.3, 0.5, 0.7));
        for (int i = 0; i < 16; ++i) {
            Rectangle band;
            band.set(i * 40.0, 0.0, i * 40.0 + 19.0, 479.0);
            canvas.drawRect(band, Color(i / 15.0, 1.0 - i / 15.0, 0.2));
        }
        for (int i = 0; i < 60; ++i) {
            Rectangle stripe;
            stripe.set(0.0, i * 8.0, 639.0, i * 8.0 + i % 3);
            canvas.drawRect(stripe, Color(0.9, 0.1, i / 60.0, 0.5));
        }
    }

    Canvas canvas;
};

TEST_F(ImageDrawTest, TopLeftPixelLandsAtXYAndThePictureIsUpright)
{
    open();
    canvas.clear(Color::black);
    Image image(10, 10, Image::RGB, Image::BYTE);
    image.clear(Color::white);
    image.setPixel(0, 0, Color::red);
    image.setPixel(9, 9, Color::green);
    image.draw(5, 7);
    GLfloat drawn[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, drawn);

    const Pixels pixels(canvas);
    const auto box = pixels.litBox();
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.top, 7);
    EXPECT_EQ(box.right, 14);
    EXPECT_EQ(box.bottom, 16);
    EXPECT_EQ(box.count, 100);
    EXPECT_EQ(pixels.at(5, 7), rgba(Color::red));
    EXPECT_EQ(pixels.at(14, 16), rgba(Color::green));
    EXPECT_EQ(pixels.at(6, 7), rgba(Color::white));

    // The raster position is the one of (5, 17), the image's bottom-left corner.
    glRasterPos2i(5, 17);
    GLfloat expected[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, expected);
    EXPECT_NEAR(drawn[0], expected[0], 1e-3);
    EXPECT_NEAR(drawn[1], expected[1], 1e-3);

    // Without arguments: at the placement's top-left corner, truncated.
    canvas.clear(Color::black);
    image.centerAt(100.0, 200.0); // edges 95.5 .. 104.5
    image.draw();
    const auto moved = Pixels(canvas).litBox();
    EXPECT_EQ(moved.left, 95);
    EXPECT_EQ(moved.top, 195);
    EXPECT_EQ(moved.count, 100);
}

TEST_F(ImageDrawTest, ImagesAtOrPastTheCanvasEdgesAreClippedNotDropped)
{
    open();
    Image image(10, 10, Image::RGB, Image::BYTE);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            image.setPixel(x, y, Color((x + 1) / 10.0, (y + 1) / 10.0, 0.5));
    struct Case {
        int x, y;
    };
    for (bool accelerated : {false, true}) {
        if (accelerated)
            image.accelerate();
        for (const Case c : {Case{630, 470}, Case{-5, 475}, Case{635, -3}, Case{0, 0}}) {
            SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << (accelerated ? " accelerated" : ""));
            canvas.clear(Color::black);
            image.draw(c.x, c.y);
            const Pixels pixels(canvas);
            int shown = 0;
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 10; ++x) {
                    const int cx = c.x + x, cy = c.y + y;
                    if (cx < 0 || cy < 0 || cx >= 640 || cy >= 480)
                        continue;
                    ++shown;
                    EXPECT_EQ(pixels.at(cx, cy), rgba(image.getPixel(x, y))) << x << "," << y;
                }
            EXPECT_EQ(pixels.litBox().count, shown);
        }
    }
}

TEST_F(ImageDrawTest, AcceleratedDrawsArePixelForPixelTheDirectOnesInEveryFormat)
{
    open();
    for (int layout : {Image::GRAY, Image::RGB, Image::RGBA})
        for (int precision : {Image::BYTE, Image::FLOAT}) {
            SCOPED_TRACE(::testing::Message() << "layout " << layout << " precision " << precision);
            Image image(37, 23, layout, precision);
            paint(image);
            std::vector<Pixels> direct;
            for (bool accelerated : {false, true}) {
                if (accelerated) {
                    image.accelerate();
                    EXPECT_TRUE(image.accelerated());
                }
                background();
                const Pixels before(canvas);
                const std::vector<double> state = glStateSnapshot();
                image.draw(13, 29);
                image.draw(620, 470); // partly outside
                EXPECT_EQ(glStateSnapshot(), state);
                const Pixels after(canvas);
                EXPECT_FALSE(after == before);
                if (!accelerated)
                    direct.push_back(after);
                else
                    EXPECT_TRUE(after == direct.front());
            }
        }
}

TEST_F(ImageDrawTest, BlocksAreUnpackedAsImagesHoldThemWhateverTheCallerLeftSet)
{
    open();
    Image image(3, 2, Image::RGB, Image::BYTE); // rows of 9 bytes padded to 12
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(x, y, Color(0.2 + 0.3 * x, 0.4 + 0.5 * y, 0.6));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 5);
    for (bool accelerated : {false, true}) {
        SCOPED_TRACE(accelerated ? "accelerated" : "direct");
        if (accelerated)
            image.accelerate();
        canvas.clear(Color::black);
        image.draw(50, 60);
        GLint alignment = 0, rowLength = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
        EXPECT_EQ(alignment, 1);
        EXPECT_EQ(rowLength, 5);
        const Pixels pixels(canvas);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(pixels.at(50 + x, 60 + y), rgba(image.getPixel(x, y))) << x << "," << y;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

// The copy holds the stored values; it does not pass them through a colour (and so through the
// gamma) a second time.
TEST_F(ImageDrawTest, TheCopyShowsTheStoredValuesUnderAnyGamma)
{
    open();
    Color::setGamma(2.0, 2.0, 2.0);
    Image image(8, 8, Image::RGB, Image::BYTE);
    image.clear(Color(0.25, 0.5, 0.75));
    canvas.clear(Color::black);
    image.draw(0, 0);
    image.accelerate();
    image.draw(10, 0);
    Color::setGamma(1.0, 1.0, 1.0);
    const Pixels pixels(canvas);
    EXPECT_EQ(pixels.at(13, 3), pixels.at(3, 3));
    EXPECT_EQ(pixels.at(3, 3)[0], 127); // sqrt(0.25) x 255, truncated
}

TEST_F(ImageDrawTest, RgbaImagesBlendByTheirAlpha)
{
    open();
    canvas.clear(Color::white);
    Image image(2, 1, Image::RGBA, Image::BYTE);
    image.setPixel(0, 0, Color(0.0, 0.0, 0.0, 0.5));
    image.setPixel(1, 0, Color(0.0, 0.0, 0.0, 0.0));
    image.draw(0, 0);
    const Pixels pixels(canvas);
    EXPECT_NEAR(pixels.at(0, 0)[0], 128, 1);
    EXPECT_EQ(pixels.at(1, 0)[0], 255);
}

TEST_F(ImageDrawTest, AcceleratePlacesCopiesOnShelvesOnceEach)
{
    machine->setDisplayModes({{1024, 768, 32, 60}});
    canvas.open(1024, 768, 32, 60.0, 0);
    Image a(100, 50, Image::RGB, Image::BYTE), b(80, 50, Image::GRAY, Image::FLOAT), c(900, 30, Image::RGBA, Image::BYTE);
    a.clear(Color::green);
    b.clear(Color(0.6, 0.6, 0.6));
    c.clear(Color::blue);
    for (Image* image : {&a, &b, &c})
        image->accelerate();
    EXPECT_EQ(a.vramX(), 0);
    EXPECT_EQ(a.vramY(), 0);
    EXPECT_EQ(b.vramX(), 100);
    EXPECT_EQ(b.vramY(), 0);
    EXPECT_EQ(c.vramX(), 0);
    EXPECT_EQ(c.vramY(), 50);

    a.accelerate();
    EXPECT_EQ(a.vramX(), 0);
    EXPECT_EQ(APIImageProperties::shelfRight(1), 179);

    Image tall(10, 2 * 768, Image::RGB, Image::BYTE);
    expectError([&] { tall.accelerate(); }, typeid(APIImageProperties), "Memory Error",
                "Image accelerater failed to allocate VRAM.");
    EXPECT_FALSE(tall.accelerated());
    EXPECT_EQ(APIImageProperties::shelfRight(1), 179);
    EXPECT_EQ(APIImageProperties::shelfBottom(2), 79);
    EXPECT_EQ(APIImageProperties::shelfRight(3), -1);

    // Each copy is its own image, side by side in video memory: the three distinct pictures,
    // drawn from their shelves, each show whole.
    canvas.clear(Color::black);
    a.clear(Color::red);
    a.accelerate(); // already accelerated: the copy keeps the old picture
    a.draw(0, 0);
    b.draw(0, 100);
    c.draw(0, 200);
    const Pixels pixels(canvas);
    EXPECT_EQ(pixels.litColors(0, 0, 99, 49), std::vector<Rgba>{rgba(Color::green)});
    EXPECT_EQ(pixels.litColors(0, 100, 79, 149), std::vector<Rgba>{(Rgba{153, 153, 153, 255})});
    EXPECT_EQ(pixels.litColors(0, 200, 899, 229), std::vector<Rgba>{rgba(Color::blue)});
    EXPECT_EQ(pixels.litBox(0, 0, 99, 49).count, 100 * 50) << "every pixel of the first copy";
    EXPECT_EQ(pixels.litBox(0, 100, 79, 149).count, 80 * 50);
    EXPECT_EQ(pixels.litBox(0, 200, 899, 229).count, 900 * 30);
    EXPECT_EQ(pixels.litBox().count, 100 * 50 + 80 * 50 + 900 * 30) << "nothing beside them";
    a.release();
    EXPECT_FALSE(a.accelerated());
}

TEST_F(ImageDrawTest, AMovedAcceleratedImageKeepsItsCopy)
{
    open();
    Image original(4, 4, Image::RGB, Image::BYTE);
    original.clear(Color::green);
    original.accelerate();
    original.clear(Color::red); // the copy still shows green
    const int x = original.vramX(), y = original.vramY();

    std::vector<Image> images;
    images.push_back(std::move(original));
    EXPECT_FALSE(original.accelerated());
    Image& moved = images.front();
    EXPECT_TRUE(moved.accelerated());
    EXPECT_EQ(moved.vramX(), x);
    EXPECT_EQ(moved.vramY(), y);
    moved.accelerate(); // already has its copy: nothing new is placed
    EXPECT_EQ(APIImageProperties::shelfRight(1), 3);

    canvas.clear(Color::black);
    moved.draw(10, 10);
    EXPECT_EQ(Pixels(canvas).at(12, 12), rgba(Color::green));
    expectError([&] { original.draw(0, 0); }, typeid(Image), "Memory Error", "Image object has no bitmap.");
}

TEST_F(ImageDrawTest, TheCopyKeepsItsPictureWhileThePixelsChange)
{
    open();
    Image image(4, 4, Image::RGB, Image::BYTE);
    image.clear(Color::green);
    image.accelerate();
    image.clear(Color::red);
    canvas.clear(Color::black);
    image.draw(10, 10);
    GLint readBuffer = 0;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    EXPECT_EQ(readBuffer, GL_BACK);
    EXPECT_EQ(Pixels(canvas).litColors(0, 0, 639, 479), std::vector<Rgba>{rgba(Color::green)});
}

TEST_F(ImageDrawTest, CopiesLostWithTheirContextAreNotDrawn)
{
    open();
    Image first(6, 6, Image::RGB, Image::BYTE), second(6, 6, Image::GRAY, Image::BYTE);
    first.clear(Color::red);
    second.clear(Color::white);
    first.accelerate();
    second.accelerate();
    EXPECT_EQ(second.vramX(), 6);

    canvas.dispose();
    canvas.open(0); // a new window and context: the video memory of the old one is gone
    canvas.clear(Color::black);
    first.draw(0, 0); // from main memory
    second.accelerate(); // a new copy, on fresh shelves
    EXPECT_EQ(second.vramX(), 0);
    first.draw(20, 0);
    second.draw(40, 0);
    const Pixels pixels(canvas);
    EXPECT_EQ(pixels.at(3, 3), rgba(Color::red));
    EXPECT_EQ(pixels.at(23, 3), rgba(Color::red));
    EXPECT_EQ(pixels.at(43, 3), rgba(Color::white));
}

TEST_F(ImageDrawTest, DrawingNeedsAnOpenCanvasAndABitmap)
{
    Image image(4, 4, Image::RGB, Image::BYTE);
    const std::string none = "No canvas is open.";
    expectError([&] { image.draw(0, 0); }, typeid(Canvas), "API ERROR", none);
    expectError([&] { image.accelerate(); }, typeid(Canvas), "API ERROR", none);
    EXPECT_FALSE(image.accelerated());

    open();
    Image empty;
    expectError([&] { empty.draw(0, 0); }, typeid(Image), "Memory Error", "Image object has no bitmap.");
    expectError([&] { empty.accelerate(); }, typeid(Image), "Memory Error", "Image object has no bitmap.");
}

TEST_F(ImageDrawTest, CaptureThenDrawReproducesTheRegion)
{
    open();
    background();
    Rectangle patch;
    patch.set(100.0, 60.0, 140.0, 90.0);
    canvas.drawEllipse(patch, Color(1.0, 1.0, 1.0, 0.6));
    const Pixels original(canvas);

    Rectangle region;
    region.set(95.0, 55.0, 147.0, 96.0); // 53 x 42: rows of 159 bytes, padded to 160
    Image image;
    canvas.capture(image, region);
    EXPECT_EQ(image.getWidth(), 53.0);
    EXPECT_EQ(image.getHeight(), 42.0);
    EXPECT_EQ(image.getLayout(), Image::RGB);
    EXPECT_EQ(image.getPrecision(), Image::BYTE);
    const auto canvasRgb = [&](int x, int y) {
        Rgba p = original.at(x, y);
        p[3] = 255;
        return p;
    };
    EXPECT_EQ(rgba(image.getPixel(0, 0)), canvasRgb(95, 55));
    EXPECT_EQ(rgba(image.getPixel(52, 41)), canvasRgb(147, 96));

    canvas.clear(Color::black);
    image.draw(95, 55);
    const Pixels redrawn(canvas);
    for (int y = 55; y <= 96; ++y)
        for (int x = 95; x <= 147; ++x)
            ASSERT_EQ(redrawn.at(x, y), canvasRgb(x, y)) << x << "," << y;
    EXPECT_EQ(redrawn.litBox().count, 53 * 42);
}

TEST_F(ImageDrawTest, ACapturedRegionSavedAsPngHoldsTheScreensPixels)
{
    open();
    background();
    Rectangle patch;
    patch.set(200.0, 100.0, 260.0, 150.0);
    canvas.drawEllipse(patch, Color(1.0, 0.8, 0.1, 0.7));
    const Pixels shown(canvas);
    Rectangle region;
    region.set(190.0, 90.0, 270.0, 161.0); // 81 x 72: odd row length

    const Lumidraft::testing::TempFolder folder; // the same case may run in two programs at once
    const std::string file = folder / "capture.png";
    for (int precision : {int(Image::BYTE), int(Image::FLOAT)}) {
        SCOPED_TRACE(precision == Image::BYTE ? "BYTE" : "FLOAT");
        Image captured(81, 72, Image::RGB, precision);
        canvas.capture(captured, region);
        captured.save(file);
        Image saved(file);
        std::filesystem::remove(file);
        ASSERT_EQ(saved.getWidth(), 81.0);
        ASSERT_EQ(saved.getHeight(), 72.0);
        ASSERT_EQ(saved.getLayout(), Image::RGB);
        ASSERT_EQ(saved.getPrecision(), precision);
        for (int y = 0; y < 72; ++y)
            for (int x = 0; x < 81; ++x) {
                Rgba expected = shown.at(190 + x, 90 + y);
                expected[3] = 255;
                ASSERT_EQ(rgba(saved.getPixel(x, y)), expected) << x << "," << y;
            }
    }
}

TEST_F(ImageDrawTest, CaptureKeepsALargeEnoughImageAndReplacesASmallOne)
{
    open();
    background();
    const Pixels original(canvas);
    Rectangle region;
    region.set(30.0, 40.0, 34.0, 42.0); // 5 x 3

    Image large(9, 7, Image::RGBA, Image::FLOAT);
    large.clear(Color(0.0, 0.0, 0.0, 0.25));
    canvas.capture(large, region);
    EXPECT_EQ(large.getWidth(), 9.0);
    EXPECT_EQ(large.getLayout(), Image::RGBA);
    EXPECT_EQ(large.getPrecision(), Image::FLOAT);
    // The region fills the block from its start: the image's bottom-left, rows undistorted.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(rgba(large.getPixel(x, 4 + y)), original.at(30 + x, 40 + y)) << x << "," << y;
    EXPECT_EQ(large.getPixel(5, 4).a, 0.25);
    EXPECT_EQ(large.getPixel(0, 3).a, 0.25);

    Image small(4, 3, Image::GRAY, Image::FLOAT);
    canvas.capture(small, region);
    EXPECT_EQ(small.getWidth(), 5.0);
    EXPECT_EQ(small.getHeight(), 3.0);
    EXPECT_EQ(small.getLayout(), Image::RGB);
    EXPECT_EQ(small.getPrecision(), Image::BYTE);

    // Sizes compare as reals: a region 5.5 pixels wide does not fit a 5-pixel image, which is made
    // anew, at the truncated 5 x 3.
    Rectangle ragged;
    ragged.set(30.0, 40.0, 34.5, 42.0);
    Image exact(5, 3, Image::GRAY, Image::FLOAT);
    canvas.capture(exact, ragged);
    EXPECT_EQ(exact.getWidth(), 5.0);
    EXPECT_EQ(exact.getHeight(), 3.0);
    EXPECT_EQ(exact.getLayout(), Image::RGB);
    EXPECT_EQ(exact.getPrecision(), Image::BYTE);
    for (int x = 0; x < 5; ++x) {
        Rgba expected = original.at(30 + x, 42);
        expected[3] = 255;
        EXPECT_EQ(rgba(exact.getPixel(x, 2)), expected) << x;
    }
}

} // namespace
} // namespace Lumidraft::testing
