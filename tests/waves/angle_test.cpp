#include "waves/angle.h"

#include <gtest/gtest.h>

#include <type_traits>

using namespace Lumidraft;

TEST(Angle, UnitsAndScales)
{
    static_assert(!std::is_same_v<decltype(degree), decltype(radian)>);
    EXPECT_EQ(Angle::pi, 3.14159265358979);
    EXPECT_NE(Angle::pi, 3.141592653589793); // the short literal, not the nearest double
    EXPECT_EQ(Angle::degreeScale, 10.0);
    EXPECT_EQ(Angle::radianScale, 1800.0);

    EXPECT_EQ(Angle().getInternal(), 0.0);
    EXPECT_EQ(Angle(90).getInternal(), 900.0);
    EXPECT_EQ(Angle(90).getDegree(), 90.0);
    EXPECT_EQ(Angle(12.5).getInternal(), 125.0);
    EXPECT_EQ(Angle(45.0, degree).getInternal(), 450.0);
    EXPECT_EQ(Angle(180, degree).getRadian(), 3.14159265358979);
    EXPECT_EQ(Angle(3.14159265358979, radian).getDegree(), 180.0);
    EXPECT_EQ(fromRadians(3.14159265358979).getInternal(), 1800.0);
    EXPECT_EQ(fromDegrees(30).getInternal(), 300.0);
    EXPECT_EQ(fromInternal(123.0).getInternal(), 123.0);
}

TEST(Angle, SettersChainAndConvert)
{
    Angle a;
    EXPECT_EQ(&a.setDegree(10), &a);
    EXPECT_EQ(a.getInternal(), 100.0);
    a.setRadian(3.14159265358979 / 2);
    EXPECT_DOUBLE_EQ(a.getDegree(), 90.0);
    EXPECT_EQ(a.setInternal(3600).getDegree(), 360.0);
    EXPECT_EQ(a.setInternal(1.5).getInternal(), 1.5);

    Angle copy(a);
    EXPECT_EQ(copy.getInternal(), 1.5);
}

TEST(Angle, Trigonometry)
{
    EXPECT_NEAR(fromDegrees(30).sin(), 0.5, 1e-12);
    EXPECT_EQ(fromDegrees(0).cos(), 1.0);
    EXPECT_NEAR(fromDegrees(60).cos(), 0.5, 1e-12);
    EXPECT_NEAR(fromDegrees(45).tan(), 1.0, 1e-12);
}

TEST(Angle, DegreeInTurnKeepsSign)
{
    const struct {
        double degrees, inTurn;
    } cases[] = {{725, 5}, {-30, -30}, {360, 0}, {-450, -90}, {810, 90}, {0, 0}, {359.5, 359.5}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(fromDegrees(c.degrees).getDegreeInTurn(), c.inTurn) << c.degrees;
    // Far beyond 2^31 turns the remainder is still a proper remainder.
    const double big = fromInternal(3600.0 * 1e12 + 900.0).getDegreeInTurn();
    EXPECT_GE(big, 0.0);
    EXPECT_LT(big, 360.0);
}

TEST(Angle, Arithmetic)
{
    EXPECT_DOUBLE_EQ((fromDegrees(350) + fromDegrees(20)).getDegree(), 370.0);
    EXPECT_DOUBLE_EQ((fromDegrees(20) - fromDegrees(50)).getDegree(), -30.0);

    Angle a = fromDegrees(10);
    Angle& same = (a += fromDegrees(5));
    EXPECT_EQ(&same, &a);
    EXPECT_EQ(a.getInternal(), 150.0);
    a -= fromInternal(50);
    EXPECT_EQ(a.getInternal(), 100.0);
}
