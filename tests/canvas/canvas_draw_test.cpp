// Real pixels from the primitives, the progress bar and the region copy.
#include "canvas_fixture.h"

#include "app/exception.h"
#include "canvas/display_lists.h"

#include <vector>

namespace Lumidraft::testing {
namespace {

class DrawTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        machine->setRetraceRate(0.0);
        canvas.open(0);
        canvas.clear(Color::black);
    }

    Canvas canvas;
};

const Rgba white{255, 255, 255, 255};

TEST_F(DrawTest, RectangleCoversExactlyItsInclusiveEdges)
{
    struct Case {
        double l, t, r, b;
    };
    for (const Case c : {Case{10, 20, 30, 40}, Case{5, 5, 5, 5}, Case{0, 0, 639, 0}, Case{600, 470, 639, 479}}) {
        SCOPED_TRACE(::testing::Message() << c.l << "," << c.t << "," << c.r << "," << c.b);
        canvas.clear(Color::black);
        Rectangle rect;
        rect.set(c.l, c.t, c.r, c.b);
        canvas.drawRect(rect, Color::white);
        const Pixels pixels(canvas);
        const auto box = pixels.litBox();
        EXPECT_EQ(box.left, c.l);
        EXPECT_EQ(box.top, c.t);
        EXPECT_EQ(box.right, c.r);
        EXPECT_EQ(box.bottom, c.b);
        EXPECT_EQ(box.count, (c.r - c.l + 1) * (c.b - c.t + 1));
        EXPECT_EQ(pixels.at(static_cast<int>(c.l), static_cast<int>(c.t)), white);
    }
}

TEST_F(DrawTest, HalfTransparentColourBlendsWithWhatIsThere)
{
    canvas.clear(Color::white);
    Rectangle rect(4.0, 4.0);
    canvas.drawRect(rect, Color(0.0, 0.0, 0.0, 0.5));
    const Rgba p = Pixels(canvas).at(1, 1);
    EXPECT_NEAR(p[0], 128, 1);
    EXPECT_NEAR(p[1], 128, 1);
}

TEST_F(DrawTest, EveryPointFormLightsExactlyItsPixels)
{
    const Color red(1.0, 0.0, 0.0), green(0.0, 1.0, 0.0);
    canvas.drawPoint(7.0, 9.0, Color::white);
    canvas.drawPoint(Point(100.0, 3.0), Color::white);
    const double xs[] = {20.0, 21.0, 22.0};
    const double ys[] = {30.0, 31.0, 32.0};
    const Color colors[] = {red, green, red};
    canvas.drawPoint(3, xs, ys, colors);
    const double xs2[] = {50.0, 60.0};
    const double ys2[] = {50.0, 60.0};
    canvas.drawPoint(2, xs2, ys2, green);
    const Point points[] = {Point(200.0, 200.0), Point(201.5, 205.9)};
    canvas.drawPoint(2, points, colors);
    canvas.drawPoint(0, xs, ys, colors);
    canvas.drawPoint(-3, xs, ys, Color::white);

    const Pixels pixels(canvas);
    struct Expected {
        int x, y;
        Rgba rgba;
    };
    const std::vector<Expected> expected = {
        {7, 9, white},           {100, 3, white},         {20, 30, {255, 0, 0, 255}}, {21, 31, {0, 255, 0, 255}},
        {22, 32, {255, 0, 0, 255}}, {50, 50, {0, 255, 0, 255}}, {60, 60, {0, 255, 0, 255}}, {200, 200, {255, 0, 0, 255}},
        {201, 206, {0, 255, 0, 255}}}; // (201.5, 205.9) plus the 0.375 offset
    for (const auto& e : expected)
        EXPECT_EQ(pixels.at(e.x, e.y), e.rgba) << e.x << "," << e.y;
    EXPECT_EQ(pixels.litBox().count, static_cast<int>(expected.size()));
}

TEST_F(DrawTest, LinesRunFromTheFirstPointUpToTheLast)
{
    canvas.drawLine(10.0, 10.0, 20.0, 10.0, Color::white);
    canvas.drawLine(Point(30.0, 40.0), Point(30.0, 50.0), Color::white);
    const Pixels pixels(canvas);
    const auto horizontal = pixels.litBox(0, 0, 639, 20);
    EXPECT_EQ(horizontal.left, 10);
    EXPECT_EQ(horizontal.right, 19);
    EXPECT_EQ(horizontal.top, 10);
    EXPECT_EQ(horizontal.bottom, 10);
    EXPECT_EQ(horizontal.count, 10);
    const auto vertical = pixels.litBox(0, 21, 639, 479);
    EXPECT_EQ(vertical.left, 30);
    EXPECT_EQ(vertical.right, 30);
    EXPECT_EQ(vertical.top, 40);
    EXPECT_EQ(vertical.bottom, 49);
}

// Counts the vertices of the polygons an ellipse sends down the pipeline.
int ellipseVertices(Canvas& canvas, double width)
{
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    Rectangle rect;
    rect.set(0.0, 0.0, width - 1.0, 20.0);
    canvas.drawEllipse(rect, Color::white);
    const GLint used = glRenderMode(GL_RENDER);
    int vertices = 0, polygons = 0;
    for (GLint i = 0; i < used;) {
        const auto token = static_cast<GLint>(buffer[i]);
        if (token == GL_POLYGON_TOKEN) {
            const int n = static_cast<int>(buffer[i + 1]);
            vertices += n;
            ++polygons;
            i += 2 + 2 * n;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            return -1;
        }
    }
    // A polygon may come back split into a fan of triangles: n vertices make n - 2 of them.
    return polygons > 1 ? polygons + 2 : vertices;
}

TEST_F(DrawTest, EllipseListIsChosenByWidth)
{
    struct Case {
        double width;
        int vertices; // on the circle, plus the closing one
    };
    for (const Case c : {Case{7.9, 26}, Case{8.0, 36}, Case{63.0, 36}, Case{64.0, 49}, Case{511.0, 49}, Case{512.0, 67}}) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(detail::ellipseListIndex(c.width), c.vertices == 26 ? 0 : c.vertices == 36 ? 1 : c.vertices == 49 ? 2 : 3);
        EXPECT_EQ(ellipseVertices(canvas, c.width), c.vertices);
    }
}

TEST_F(DrawTest, EllipseIsOneRowTallerThanItsRectangle)
{
    Rectangle rect;
    rect.set(95.0, 95.0, 104.0, 104.0);
    canvas.drawEllipse(rect, Color::white);
    const auto box = Pixels(canvas).litBox();
    EXPECT_EQ(box.right - box.left + 1, 10);
    EXPECT_EQ(box.bottom - box.top + 1, 11);
    EXPECT_EQ(box.left, 95);
    EXPECT_EQ(box.top, 95);
    // The state around the call is as it was: another rectangle draws unscaled.
    canvas.clear(Color::black);
    canvas.drawRect(Rectangle(3.0, 3.0), Color::white);
    EXPECT_EQ(Pixels(canvas).litBox().count, 9);
}

TEST_F(DrawTest, ProgressBarGoesToTheFrontBuffer)
{
    const Rgba blue{0, 0, 255, 255}, magenta{255, 0, 255, 255}, back{64, 64, 64, 255};
    struct Case {
        double fraction;
        int filled; // pixels in the fill colour from the left
        Rgba fill;
    };
    for (const Case c : {Case{0.5, 51, blue}, Case{1.5, 102, magenta}, Case{1.0, 102, blue}, Case{0.0, 0, blue},
                         Case{-1.0, 0, blue}, Case{0.005, 0, blue}, Case{0.01, 1, blue}}) {
        SCOPED_TRACE(c.fraction);
        canvas.clear(Color::black);
        canvas.drawProgressBar(c.fraction);
        const Pixels pixels(canvas, GL_FRONT);
        for (int x = 0; x < 102; ++x) {
            const Rgba expected = x < c.filled ? c.fill : back;
            ASSERT_EQ(pixels.at(x, 0), expected) << "x " << x;
            ASSERT_EQ(pixels.at(x, 11), expected) << "x " << x;
        }
        EXPECT_EQ(pixels.litBox().right, 101);
        EXPECT_EQ(pixels.litBox().bottom, 11);
        GLint drawBuffer = 0;
        glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
        EXPECT_EQ(drawBuffer, GL_BACK);
    }
}

TEST_F(DrawTest, ProgressBarCanBeMovedAndRecoloured)
{
    canvas.setProgressBar(100.0, 50.0, 199.0, 59.0, Color::green, Color::white);
    canvas.drawProgressBar(0.25);
    const Pixels pixels(canvas, GL_FRONT);
    EXPECT_EQ(pixels.at(100, 50), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(pixels.at(124, 59), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(pixels.at(125, 59), white);
    const auto box = pixels.litBox();
    EXPECT_EQ(box.left, 100);
    EXPECT_EQ(box.top, 50);
    EXPECT_EQ(box.right, 199);
    EXPECT_EQ(box.bottom, 59);

    // Edges that make no rectangle are refused before anything changes.
    EXPECT_THROW(canvas.setProgressBar(10.0, 10.0, 10.0, 20.0, Color::red, Color::red), Exception);
    canvas.drawProgressBar(0.25);
    EXPECT_EQ(Pixels(canvas, GL_FRONT).at(100, 50), (Rgba{0, 255, 0, 255}));
}

TEST_F(DrawTest, CopyRegionMovesExactlyTheSourceRectangle)
{
    // A 4 x 3 source with a marked corner at rows 10..12, columns 20..23.
    Rectangle source;
    source.set(20.0, 10.0, 23.0, 12.0);
    Rectangle target;
    target.set(100.0, 200.0, 103.0, 202.0);

    for (const bool fill : {false, true}) {
        SCOPED_TRACE(fill);
        canvas.clear(Color::black);
        canvas.drawRect(source, Color::white);
        canvas.drawPoint(20.0, 10.0, Color(1.0, 0.0, 0.0));
        canvas.copyRegion(source, target, fill, Color(0.0, 0.0, 1.0));
        const Pixels pixels(canvas);

        const auto copied = pixels.litBox(50, 150, 639, 479);
        EXPECT_EQ(copied.left, 100);
        EXPECT_EQ(copied.top, 200);
        EXPECT_EQ(copied.right, 103);
        EXPECT_EQ(copied.bottom, 202);
        EXPECT_EQ(copied.count, 12);
        EXPECT_EQ(pixels.at(100, 200), (Rgba{255, 0, 0, 255}));
        EXPECT_EQ(pixels.at(101, 200), white);

        const auto left = pixels.litBox(0, 0, 49, 149);
        EXPECT_EQ(left.count, 12);
        EXPECT_EQ(left.top, 10);
        EXPECT_EQ(left.bottom, 12);
        EXPECT_EQ(pixels.at(20, 10), fill ? (Rgba{0, 0, 255, 255}) : (Rgba{255, 0, 0, 255}));
        EXPECT_EQ(pixels.at(23, 12), fill ? (Rgba{0, 0, 255, 255}) : white);
    }
}

TEST_F(DrawTest, CopyRegionReachesTheBottomRow)
{
    Rectangle source;
    source.set(0.0, 0.0, 9.0, 9.0);
    Rectangle target;
    target.set(630.0, 470.0, 639.0, 479.0);
    canvas.drawRect(source, Color::white);
    canvas.copyRegion(source, target, false, Color::black);
    const auto box = Pixels(canvas).litBox(100, 100, 639, 479);
    EXPECT_EQ(box.left, 630);
    EXPECT_EQ(box.top, 470);
    EXPECT_EQ(box.bottom, 479);
    EXPECT_EQ(box.count, 100);
}

} // namespace
} // namespace Lumidraft::testing
