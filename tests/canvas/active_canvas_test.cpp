// The current canvas: which canvas it is, and refusal when there is none.
#include "canvas_fixture.h"

#include "app/exception.h"

#include <functional>
#include <string>
#include <vector>

namespace Lumidraft::testing {
namespace {

using ActiveCanvasTest = CanvasTest;

// A selection of calls across the facade; each must refuse when no canvas is open.
std::vector<std::function<void()>> facadeCalls()
{
    Rectangle rect(4.0, 4.0);
    return {
        [] { ActiveCanvas::flip(); },
        [] { ActiveCanvas::clear(); },
        [rect] { ActiveCanvas::drawRect(rect, Color::white); },
        [] { ActiveCanvas::drawText("x", 1.0, 10.0, Color::white); },
        [] { ActiveCanvas::drawNumber(1, 1.0, 10.0, Color::white, true); },
        [] { ActiveCanvas::getWidth(); },
        [] { ActiveCanvas::getCenter(); },
        [] { ActiveCanvas::missedFrames(); },
        [rect]() mutable { rect.draw(Color::white); },
        [] { Rectangle(3.0, 3.0).centerAt(); },
        [] { Point().centerAt(); },
    };
}

void expectAllRefused()
{
    int index = 0;
    for (const auto& call : facadeCalls()) {
        SCOPED_TRACE(index++);
        try {
            call();
            ADD_FAILURE() << "call went through";
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), "class Lumidraft::Canvas [API ERROR] No canvas is open.");
        }
    }
}

TEST_F(ActiveCanvasTest, RefusedBeforeAnyCanvasOpened)
{
    Canvas notOpened;
    EXPECT_EQ(ActiveCanvas::currentCanvas(), nullptr);
    expectAllRefused();
}

TEST_F(ActiveCanvasTest, RefusedAfterTheCurrentCanvasIsDisposedOrDestroyed)
{
    {
        Canvas canvas(0);
        EXPECT_EQ(ActiveCanvas::currentCanvas(), &canvas);
        canvas.dispose();
        EXPECT_EQ(ActiveCanvas::currentCanvas(), nullptr);
        expectAllRefused();
        // Reopened, it is the current canvas again.
        canvas.open(0);
        EXPECT_EQ(ActiveCanvas::currentCanvas(), &canvas);
    }
    EXPECT_EQ(ActiveCanvas::currentCanvas(), nullptr);
    expectAllRefused();

    // A canvas opened later does not take the destroyed one's place.
    Canvas later(0);
    EXPECT_EQ(ActiveCanvas::currentCanvas(), nullptr);
    EXPECT_THROW(ActiveCanvas::getWidth(), Exception);
}

TEST_F(ActiveCanvasTest, SecondCanvasDoesNotReplaceTheFirst)
{
    machine->setDisplayModes({{640, 480, 32, 60}, {800, 600, 32, 60}});
    Canvas first(0);
    Canvas second(800, 600, 32, 60.0, 0);
    EXPECT_EQ(ActiveCanvas::currentCanvas(), &first);
    EXPECT_EQ(ActiveCanvas::getWidth(), 640);
    EXPECT_EQ(ActiveCanvas::getHeight(), 480);
    EXPECT_EQ(ActiveCanvas::getCenterX(), 320.0);

    const std::int32_t firstFrames = first.getFrameCount();
    const std::int32_t secondFrames = second.getFrameCount();
    ActiveCanvas::flip();
    EXPECT_EQ(first.getFrameCount(), firstFrames + 1);
    EXPECT_EQ(second.getFrameCount(), secondFrames);

    second.dispose();
    EXPECT_EQ(ActiveCanvas::currentCanvas(), &first);
}

TEST_F(ActiveCanvasTest, ForwardsToTheCurrentCanvas)
{
    machine->setRetraceRate(0.0);
    Canvas canvas(0);
    EXPECT_EQ(ActiveCanvas::getBitsPerPixel(), 32);
    EXPECT_EQ(ActiveCanvas::getRefreshHz(), 60.0);

    ActiveCanvas::setBackgroundColor(Color(0.0, 0.0, 1.0));
    ActiveCanvas::clear();
    Rectangle rect(3.0, 3.0);
    rect.centerAt(); // on (320, 240)
    rect.setColor(Color::white);
    rect.draw();
    Point centre;
    centre.centerAt();
    ActiveCanvas::drawPoint(centre.x + 10, centre.y, Color::red);
    {
        const Pixels pixels(canvas);
        EXPECT_EQ(pixels.at(0, 0), (Rgba{0, 0, 255, 255}));
        EXPECT_EQ(pixels.at(319, 239), (Rgba{255, 255, 255, 255}));
        EXPECT_EQ(pixels.at(321, 241), (Rgba{255, 255, 255, 255}));
        EXPECT_EQ(pixels.at(322, 241), (Rgba{0, 0, 255, 255}));
        EXPECT_EQ(pixels.at(330, 240), (Rgba{255, 0, 0, 255}));
    }

    // flip() and flip(1) do the same and both return the missed count.
    const std::int32_t frames = canvas.getFrameCount();
    const int a = ActiveCanvas::flip();
    const int b = ActiveCanvas::flip(1);
    EXPECT_EQ(ActiveCanvas::missedFrames(), b);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(canvas.getFrameCount(), frames + 2);
    EXPECT_THROW(ActiveCanvas::flip(-1), Exception);
    EXPECT_THROW(ActiveCanvas::flip(1.5), Exception);

    ActiveCanvas::resetCounters();
    EXPECT_EQ(canvas.getFrameCount(), 0);
}

} // namespace
} // namespace Lumidraft::testing
