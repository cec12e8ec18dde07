#include "geometry/color.h"

#include "app/exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using Lumidraft::Color;

namespace {

// Built by this file's dynamic initialisers, which may run before color.cpp's: the named colours
// and the gamma must already hold their values then.
const Color copiedWhite = Color::white;
const Color staticGrey = Color(0.25);

void expectColor(const Color& c, double r, double g, double b, double a)
{
    EXPECT_DOUBLE_EQ(c.r, r);
    EXPECT_DOUBLE_EQ(c.g, g);
    EXPECT_DOUBLE_EQ(c.b, b);
    EXPECT_DOUBLE_EQ(c.a, a);
}

class ColorTest : public ::testing::Test {
protected:
    void TearDown() override { Color::setGamma(1.0, 1.0, 1.0); }
};

} // namespace

TEST_F(ColorTest, StaticInitialisationSeesNamedColoursAndGammaOne)
{
    expectColor(copiedWhite, 1, 1, 1, 1);
    expectColor(staticGrey, 0.25, 0.25, 0.25, 1);
}

TEST_F(ColorTest, NamedColours)
{
    const struct {
        const Color& c;
        double r, g, b;
    } table[] = {
        {Color::white, 1, 1, 1},   {Color::black, 0, 0, 0}, {Color::gray, 0.5, 0.5, 0.5},
        {Color::red, 1, 0, 0},     {Color::green, 0, 1, 0}, {Color::blue, 0, 0, 1},
        {Color::cyan, 0, 1, 1},    {Color::magenta, 1, 0, 1}, {Color::yellow, 1, 1, 0},
    };
    for (const auto& t : table)
        expectColor(t.c, t.r, t.g, t.b, 1);
}

TEST_F(ColorTest, ConstructorForms)
{
    expectColor(Color(), 0, 0, 0, 0);
    EXPECT_EQ(Color(0), Color::black);
    EXPECT_EQ(Color(0.0), Color::black);
    EXPECT_EQ(Color(255, 0, 0), Color(1.0, 0.0, 0.0));
    EXPECT_EQ(Color(255, 0, 0), Color::red);
    EXPECT_EQ(Color(128), Color::white); // integers are not scaled
    EXPECT_EQ(Color(-5), Color::black);
    expectColor(Color(1, 0, 1, 0), 1, 0, 1, 0);
    expectColor(Color(0.5f, 0.25f, 0.125f), 0.5, 0.25, 0.125, 1);
    expectColor(Color(0.75f), 0.75, 0.75, 0.75, 1);
    expectColor(Color(-0.2, 1.7, 0.3), 0, 1, 0.3, 1);
    expectColor(Color(0.5, 0.5, 0.5, 2.0), 0.5, 0.5, 0.5, 1);
    expectColor(Color(0.5, 0.5, 0.5, -1.0), 0.5, 0.5, 0.5, 0);
    EXPECT_TRUE(Color(0.25) == Color(0.25, 0.25, 0.25));
    EXPECT_FALSE(Color(0.25, 0.25, 0.25, 1.0) == Color(0.25, 0.25, 0.25, 0.5));
    EXPECT_TRUE(Color(0.1) != Color(0.2));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    Color n(nan, 0.5, 0.5, nan);
    EXPECT_TRUE(std::isnan(n.r));
    EXPECT_TRUE(std::isnan(n.a));
}

TEST_F(ColorTest, SettersChain)
{
    Color c;
    EXPECT_EQ(&c.set(0.2), &c);
    expectColor(c, 0.2, 0.2, 0.2, 1);
    c.set(1, 0, 0, 0).set(0.1, 0.2, 0.3);
    expectColor(c, 0.1, 0.2, 0.3, 1);
    expectColor(c.set(3, -1, 0), 1, 0, 0, 1);
    expectColor(c.set(2), 1, 1, 1, 1);
    expectColor(c.set(0.5f), 0.5, 0.5, 0.5, 1);
    expectColor(c.set(0.5f, 0.0f, 1.0f), 0.5, 0, 1, 1);
}

TEST_F(ColorTest, Arithmetic)
{
    expectColor(Color::red + Color::green, 1, 1, 0, 2);
    expectColor(Color::red - Color::white, 0, -1, -1, 0);

    Color c(0.5, 0.5, 0.5, 0.5);
    Color& same = (c += Color(0.25, 0.25, 0.25, 0.25));
    EXPECT_EQ(&same, &c);
    expectColor(c, 0.75, 0.75, 0.75, 0.75);
    c -= Color(1.0);
    expectColor(c, -0.25, -0.25, -0.25, -0.25);

    // The right operand is clamped even when it came out of arithmetic itself.
    const Color outOfRange = Color::white + Color::white; // (2, 2, 2, 2)
    expectColor(Color() + outOfRange, 1, 1, 1, 1);
    expectColor(Color() - (Color::black - Color::white), 0, 0, 0, 0);

    const Color left = Color::blue;
    (void)(left + Color::red);
    EXPECT_EQ(left, Color::blue);
}

TEST_F(ColorTest, GammaCorrectsColoursSetAfterwards)
{
    Color before(0.5);
    Color::setGamma(2.0, 2.0, 2.0);
    const double corrected = std::pow(0.5, 0.5);
    expectColor(Color(0.5), corrected, corrected, corrected, 1);
    expectColor(Color::gray, corrected, corrected, corrected, 1);
    EXPECT_EQ(Color::white, Color(1.0));
    EXPECT_EQ(Color::black, Color(0.0));
    expectColor(before, 0.5, 0.5, 0.5, 1);
    expectColor(Color(0.5, 0.5, 0.5, 0.5), corrected, corrected, corrected, 0.5); // alpha never

    Color::setGamma(1.0, 2.0, 4.0);
    expectColor(Color(0.25), 0.25, 0.5, std::pow(0.25, 0.25), 1);
}

TEST_F(ColorTest, GammaRefusesValuesWithoutMeaningfulExponent)
{
    Color::setGamma(2.0, 2.0, 2.0);
    const Color grayBefore = Color::gray;
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double bad[] = {0.0, -0.0, -1.0, inf, -inf, nan, 1e-320};
    for (double g : bad) {
        try {
            Color::setGamma(1.0, 1.0, g);
            ADD_FAILURE() << "accepted gamma " << g;
        } catch (const Lumidraft::Exception& e) {
            EXPECT_EQ(e.raisingClass(), typeid(Color));
            EXPECT_EQ(e.kind(), "ARGUMENT ERROR");
            EXPECT_EQ(e.message(), "Gamma must be a positive finite number.");
        }
    }
    // Nothing changed, not even the channels before the bad one.
    EXPECT_EQ(Color::gray, grayBefore);
    EXPECT_DOUBLE_EQ(Color(0.5).r, std::pow(0.5, 0.5));
}
