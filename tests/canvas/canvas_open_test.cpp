// Opening, disposing and the properties of a canvas on the scripted machine.
#include "canvas_fixture.h"

#include "app/exception.h"
#include "geometry/point.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <utility>

namespace Lumidraft::testing {
namespace {

using CanvasOpenTest = CanvasTest;

TEST_F(CanvasOpenTest, CurrentModeIsTakenAsItStands)
{
    machine->setDesktopMode({1280, 1024, 32, 60});
    machine->setDisplayModes({{1280, 1024, 32, 60}});
    Canvas canvas(0);

    EXPECT_TRUE(canvas.isOpened());
    EXPECT_EQ(canvas.getWidth(), 1280);
    EXPECT_EQ(canvas.getHeight(), 1024);
    EXPECT_EQ(canvas.getBitsPerPixel(), 32);
    EXPECT_EQ(canvas.getRefreshHz(), 60.0);
    EXPECT_DOUBLE_EQ(canvas.getRefreshPeriod(), 1000.0 / 60.0);
    EXPECT_EQ(canvas.getBackgroundColor(), Color::black);
    EXPECT_EQ(canvas.getCenter().x, 640.0);
    EXPECT_EQ(canvas.getCenter().y, 512.0);
    // The two opening flips count as frames and swapped twice.
    EXPECT_EQ(canvas.getFrameCount(), 2);
    EXPECT_EQ(machine->swapCount(), 2);
    EXPECT_EQ(machine->liveWindows(), 1);
    EXPECT_FALSE(machine->cursorVisible());
}

TEST_F(CanvasOpenTest, RequestedRateIsTruncatedNotRounded)
{
    machine->setDisplayModes({{800, 600, 32, 59}, {800, 600, 32, 60}});
    Canvas canvas(800, 600, 32, 59.94, 0);

    ASSERT_FALSE(machine->requestedModes().empty());
    EXPECT_EQ(machine->requestedModes().back().refreshHz, 59);
    EXPECT_EQ(canvas.getWidth(), 800);
    EXPECT_EQ(canvas.getHeight(), 600);
    EXPECT_EQ(canvas.getRefreshHz(), 59.0);
}

TEST_F(CanvasOpenTest, OddWidthHasWholeCentre)
{
    machine->setDisplayModes({{1023, 767, 32, 60}});
    Canvas canvas(1023, 767, 32, 60, 0);
    EXPECT_EQ(canvas.getCenterX(), 511.0);
    EXPECT_EQ(canvas.getCenterY(), 383.0);
}

TEST_F(CanvasOpenTest, ModeTheDisplayCannotShowLeavesNothingBehind)
{
    Canvas canvas;
    try {
        canvas.open(1234, 567, 32, 60.0, 0);
        FAIL() << "opening an unlisted mode succeeded";
    } catch (const char* text) {
        EXPECT_STREQ(text, "API Error (Failed to switch display mode)");
    }
    EXPECT_FALSE(canvas.isOpened());
    EXPECT_EQ(machine->liveWindows(), 0);
    EXPECT_TRUE(machine->windowsCreated().empty());
    EXPECT_FALSE(machine->modeSwitched());
    EXPECT_TRUE(machine->cursorVisible());
    EXPECT_EQ(ActiveCanvas::currentCanvas(), nullptr);
    EXPECT_THROW(ActiveCanvas::getWidth(), Exception);
}

TEST_F(CanvasOpenTest, OpeningAnOpenedCanvasThrowsErrorOne)
{
    Canvas canvas(0);
    const int swaps = machine->swapCount();
    try {
        canvas.open(0);
        FAIL() << "second open succeeded";
    } catch (Canvas::Error error) {
        EXPECT_EQ(static_cast<int>(error), 1);
    }
    EXPECT_THROW(canvas.open(640, 480, 32, 60.0, 0), Canvas::Error);
    EXPECT_TRUE(canvas.isOpened());
    EXPECT_EQ(machine->liveWindows(), 1);
    EXPECT_EQ(machine->swapCount(), swaps);
}

TEST_F(CanvasOpenTest, DisposeTwiceClosesOnceAndReopenWorks)
{
    Canvas canvas(0);
    canvas.dispose();
    canvas.dispose();
    EXPECT_FALSE(canvas.isOpened());
    EXPECT_EQ(machine->liveWindows(), 0);
    EXPECT_EQ(machine->detachCount(), 1);
    EXPECT_TRUE(machine->cursorVisible());
    EXPECT_FALSE(machine->modeSwitched());

    canvas.open(0);
    EXPECT_TRUE(canvas.isOpened());
    EXPECT_EQ(machine->liveWindows(), 1);
    EXPECT_EQ(canvas.getFrameCount(), 2);
}

TEST_F(CanvasOpenTest, DrawingOnAClosedCanvasIsRefused)
{
    Canvas canvas;
    const Rectangle rect(4.0, 4.0);
    const double xs[] = {1.0, 2.0}, ys[] = {1.0, 2.0};
    const Color colors[] = {Color::white, Color::red};
    const Point points[] = {Point(1.0, 1.0), Point(2.0, 2.0)};
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"flip", [&] { canvas.flip(); }},
        {"clear", [&] { canvas.clear(); }},
        {"drawRect", [&] { canvas.drawRect(rect, Color::white); }},
        {"drawText", [&] { canvas.drawText("a", 0, 10, Color::white); }},
        {"drawProgressBar", [&] { canvas.drawProgressBar(0.5); }},
        {"drawPoint", [&] { canvas.drawPoint(1.0, 1.0, Color::white); }},
        {"drawPoint(Point)", [&] { canvas.drawPoint(Point(1.0, 1.0), Color::white); }},
        {"drawPoint(x, y, colours)", [&] { canvas.drawPoint(2, xs, ys, colors); }},
        {"drawPoint(x, y, colour)", [&] { canvas.drawPoint(2, xs, ys, Color::white); }},
        {"drawPoint(points, colours)", [&] { canvas.drawPoint(2, points, colors); }},
        {"drawLine", [&] { canvas.drawLine(0, 0, 5, 5, Color::white); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        try {
            call();
            ADD_FAILURE() << "drawn on a closed canvas";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "class Lumidraft::Canvas [API ERROR] Canvas is not open.");
        }
    }
    EXPECT_EQ(machine->liveWindows(), 0);
}

TEST_F(CanvasOpenTest, VisualAngleToPixels)
{
    Canvas canvas;
    canvas.setViewingGeometry(400.0, 300.0, 570.0, 1024, 768);
    EXPECT_EQ(canvas.degreesToPixelsH(1.0), 25);
    // 2 tan(0.5 deg) x 768 / 300 x 570 = 25.47
    EXPECT_EQ(canvas.degreesToPixelsV(1.0), 25);
    EXPECT_EQ(canvas.degreesToPixelsH(10.0), 255);
    EXPECT_EQ(canvas.getHorizontalPixels(), 1024);
    EXPECT_EQ(canvas.getVerticalPixels(), 768);

    // Pixels that are not square: 2.56 per millimetre across, 2 down. 2 tan(0.5 deg) x 570 mm is
    // 9.949 mm, 2 tan(5 deg) x 570 mm is 99.74 mm; the vertical counts use the vertical density.
    canvas.setViewingGeometry(400.0, 300.0, 570.0, 1024, 600);
    EXPECT_EQ(canvas.degreesToPixelsH(1.0), 25);  // 25.47
    EXPECT_EQ(canvas.degreesToPixelsV(1.0), 19);  // 19.90
    EXPECT_EQ(canvas.degreesToPixelsH(10.0), 255); // 255.3
    EXPECT_EQ(canvas.degreesToPixelsV(10.0), 199); // 199.47
    // And a screen taller in millimetres than wide.
    canvas.setViewingGeometry(300.0, 400.0, 570.0, 600, 1024);
    EXPECT_EQ(canvas.degreesToPixelsH(10.0), 199);
    EXPECT_EQ(canvas.degreesToPixelsV(10.0), 255);
}

TEST_F(CanvasOpenTest, VisualAngleWithoutGeometryIsRefused)
{
    Canvas canvas;
    EXPECT_THROW(canvas.degreesToPixelsH(1.0), Exception);
    canvas.setViewingGeometry(400.0, 300.0, 570.0, 1024, 768);
    EXPECT_THROW(canvas.degreesToPixelsV(180.0 - 1e-12), Exception);
}

} // namespace
} // namespace Lumidraft::testing
