#include "geometry/rectangle.h"

#include "app/exception.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace Lumidraft;

namespace {

void expectEdges(const Rectangle& r, double l, double t, double rt, double b)
{
    EXPECT_DOUBLE_EQ(r.left, l);
    EXPECT_DOUBLE_EQ(r.top, t);
    EXPECT_DOUBLE_EQ(r.right, rt);
    EXPECT_DOUBLE_EQ(r.bottom, b);
}

// Runs f, which must raise the Rectangle size error with the given message.
template <class F>
void expectSizeError(F f, const std::string& message)
{
    try {
        f();
        ADD_FAILURE() << "no Exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.raisingClass(), typeid(Rectangle));
        EXPECT_EQ(e.kind(), "SIZE ERROR");
        EXPECT_EQ(e.message(), message);
    }
}

const char* const sizeMessage = "Width and Height must be defined as positive value.";

} // namespace

TEST(Point, SetShiftAccessors)
{
    Point p;
    EXPECT_EQ(p.getX(), 0.0);
    EXPECT_EQ(p.getY(), 0.0);
    EXPECT_EQ(&p.set(3, 4), &p);
    p.shift(1.5, -2).setX(p.getX() * 2);
    EXPECT_EQ(p.x, 9.0);
    EXPECT_EQ(p.y, 2.0);
    p.centerAt(7, 8).setY(1);
    EXPECT_EQ(p.getX(), 7.0);
    EXPECT_EQ(p.getY(), 1.0);
}

TEST(Rectangle, Construction)
{
    Rectangle d;
    expectEdges(d, 0, 0, 0, 0);
    EXPECT_EQ(d.color, Color());

    Rectangle s(10, 20);
    expectEdges(s, 0, 0, 9, 19);
    EXPECT_EQ(s.getWidth(), 10.0);
    EXPECT_EQ(s.getHeight(), 20.0);
    EXPECT_EQ(s.getCenterX(), 4.5);
    EXPECT_EQ(s.getCenterY(), 9.5);
    EXPECT_EQ(s.getCenter().x, 4.5);
    EXPECT_EQ(s.getCenter().y, 9.5);
    EXPECT_EQ(s.color, Color());

    expectEdges(Rectangle(1, 1), 0, 0, 0, 0);
    expectEdges(Rectangle(5.0, 6.0, 7.0, 9.0), 5, 6, 7, 9);
    EXPECT_EQ(Rectangle(5.0, 6.0, 7.0, 9.0).getWidth(), 3.0);
}

TEST(Rectangle, SizeErrors)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    expectSizeError([] { Rectangle(0.0, 0.0, 0.0, 5.0); }, sizeMessage);  // one pixel wide by edges
    expectSizeError([] { Rectangle(0.0, 5.0, 5.0, 5.0); }, sizeMessage);
    expectSizeError([] { Rectangle(10.0, 0.0, 0.0, 10.0); }, sizeMessage); // reversed edges
    expectSizeError([=] { Rectangle(0.0, 0.0, nan, 5.0); }, sizeMessage);
    expectSizeError([] { Rectangle(0, 5); }, sizeMessage);
    expectSizeError([] { Rectangle(5, -1); }, sizeMessage);
    expectSizeError([=] { Rectangle(nan, 5.0); }, sizeMessage);
}

TEST(Rectangle, SettersOrderEdges)
{
    Rectangle r;
    r.setColor(Color::red);
    EXPECT_EQ(&r.set(10, 10, 0, 0), &r);
    expectEdges(r, 0, 0, 10, 10);
    r.set(Point(5, 1), Point(2, 7));
    expectEdges(r, 2, 1, 5, 7);

    Rectangle other(3, 4);
    other.setColor(Color::blue);
    r.set(other);
    expectEdges(r, 0, 0, 2, 3);
    EXPECT_EQ(r.color, Color::red); // set from a rectangle copies edges only

    r.set(0.0, -3.0); // unchecked size form
    expectEdges(r, 0, 0, -1, -4);
    EXPECT_EQ(r.getWidth(), 2.0);
    EXPECT_EQ(r.getHeight(), 5.0);

    Rectangle copy = other;
    EXPECT_EQ(copy.color, Color::blue);
    expectEdges(copy, 0, 0, 2, 3);
}

TEST(Rectangle, Centring)
{
    Rectangle even(10, 10);
    even.centerAt(100, 100);
    expectEdges(even, 95.5, 95.5, 104.5, 104.5);
    EXPECT_EQ(even.getWidth(), 10.0);

    Rectangle odd(11, 11);
    EXPECT_EQ(&odd.centerAt(Point(100, 100)), &odd);
    expectEdges(odd, 95, 95, 105, 105);

    Rectangle onOther(3, 5);
    onOther.centerAt(Rectangle(10, 20));
    expectEdges(onOther, 3.5, 7.5, 5.5, 11.5);

    Rectangle r(10, 10);
    r.resize(5, 5);
    expectEdges(r, 2.5, 2.5, 6.5, 6.5);
    EXPECT_EQ(r.getCenterX(), 4.5);

    r.shift(-10, 1);
    expectEdges(r, -7.5, 3.5, -3.5, 7.5);
}

TEST(Rectangle, Clip)
{
    Rectangle r(0.0, 0.0, 99.0, 99.0);
    r.setColor(Color::green);
    Rectangle same = r;
    same.clip(Rectangle(50.0, 50.0, 149.0, 149.0));
    expectEdges(same, 50, 50, 99, 99);
    EXPECT_EQ(same.color, Color::green);

    Rectangle line = r;
    line.clip(Rectangle(99.0, -10.0, 200.0, 10.0)); // a single column is not empty
    expectEdges(line, 99, 0, 99, 10);

    expectSizeError([&] { r.clip(Rectangle(200.0, 200.0, 300.0, 300.0)); }, "Cripped rectangle is null.");
    expectSizeError([&] { r.clip(Rectangle(0.0, 100.0, 50.0, 200.0)); }, "Cripped rectangle is null.");
    expectEdges(r, 0, 0, 99, 99);
}

TEST(Rectangle, CanvasOperationsRefuseWithoutCanvas)
{
    Rectangle r(4, 4);
    for (auto op : {+[](Rectangle& x) { x.draw(); }, +[](Rectangle& x) { x.draw(Color::red); },
                    +[](Rectangle& x) { x.centerAt(); }}) {
        try {
            op(r);
            ADD_FAILURE() << "no Exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.kind(), "API ERROR");
            EXPECT_EQ(e.message(), "No canvas is open.");
        }
    }
    expectEdges(r, 0, 0, 3, 3);
    Point p(1, 2);
    EXPECT_THROW(p.centerAt(), Exception);
    EXPECT_EQ(p.x, 1.0);
}
