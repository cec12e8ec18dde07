#include "geometry/range.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <type_traits>

using Lumidraft::Range;

namespace {

void expectBound(const Range::Bound& b, Range::_MINMAX kind, int relation, double value)
{
    EXPECT_EQ(b.kind, kind);
    EXPECT_EQ(b.relation, relation);
    EXPECT_EQ(b.val, value);
}

} // namespace

TEST(Range, EnumerationAndRelationCodes)
{
    EXPECT_EQ(Range::VAL, 1);
    EXPECT_EQ(Range::MIN, 2);
    EXPECT_EQ(Range::MAX, 3);
    EXPECT_EQ(Range::LE, 2);
    EXPECT_EQ(Range::LT, 3);
    EXPECT_EQ(sizeof(Range::_MINMAX), 4u);
    static_assert(std::has_virtual_destructor_v<Range>);
    static_assert(std::is_base_of_v<Range, Range::Chain>);
}

TEST(Range, DefaultHasNoLimits)
{
    Range rng;
    expectBound(rng.lower, Range::MIN, Range::LE, 0.0);
    expectBound(rng.upper, Range::MAX, Range::LE, 0.0);
    for (double x : {-1e300, -1.0, 0.0, 1e300, std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(rng.includes(x)) << x;
    EXPECT_EQ(rng.first(1), 1);
    EXPECT_EQ(rng.last(17), 17);
}

TEST(Range, SingleComparisonsSetBothEnds)
{
    // Start from a fully bounded range so every operator must overwrite both ends.
    auto fresh = [] {
        Range r;
        1 <= r <= 2;
        return r;
    };
    {
        Range r = fresh();
        EXPECT_EQ(&(r < 3.5), &r);
        expectBound(r.lower, Range::MIN, Range::LE, 0.0);
        expectBound(r.upper, Range::VAL, Range::LT, 3.5);
    }
    {
        Range r = fresh();
        r <= 3.5;
        expectBound(r.lower, Range::MIN, Range::LE, 0.0);
        expectBound(r.upper, Range::VAL, Range::LE, 3.5);
    }
    {
        Range r = fresh();
        r > 3.5;
        expectBound(r.lower, Range::VAL, Range::LT, 3.5);
        expectBound(r.upper, Range::MAX, Range::LE, 0.0);
    }
    {
        Range r = fresh();
        r >= 3;
        expectBound(r.lower, Range::VAL, Range::LE, 3.0);
        expectBound(r.upper, Range::MAX, Range::LE, 0.0);
    }
    {
        Range r = fresh();
        (void)(3.5 < r); // a lone left comparison is a complete statement
        expectBound(r.lower, Range::VAL, Range::LT, 3.5);
        expectBound(r.upper, Range::MAX, Range::LE, 0.0);
    }
    {
        Range r = fresh();
        (void)(3 <= r);
        expectBound(r.lower, Range::VAL, Range::LE, 3.0);
        expectBound(r.upper, Range::MAX, Range::LE, 0.0);
    }
    {
        Range r = fresh();
        (void)(3.5 > r);
        expectBound(r.lower, Range::MIN, Range::LE, 0.0);
        expectBound(r.upper, Range::VAL, Range::LT, 3.5);
    }
    {
        Range r = fresh();
        (void)(3 >= r);
        expectBound(r.lower, Range::MIN, Range::LE, 0.0);
        expectBound(r.upper, Range::VAL, Range::LE, 3.0);
    }
}

TEST(Range, ChainsBuildIntervals)
{
    Range closed;
    Range& result = (5 <= closed <= 100);
    EXPECT_EQ(&result, &closed); // the chain hands back the target, not itself
    expectBound(closed.lower, Range::VAL, Range::LE, 5.0);
    expectBound(closed.upper, Range::VAL, Range::LE, 100.0);
    for (double x : {5.0, 50.0, 100.0})
        EXPECT_TRUE(closed.includes(x)) << x;
    for (double x : {4.999, 100.001})
        EXPECT_FALSE(closed.includes(x)) << x;

    Range open;
    0.0 < open < 1.0;
    EXPECT_FALSE(open.includes(0.0));
    EXPECT_FALSE(open.includes(1.0));
    EXPECT_TRUE(open.includes(0.5));
    EXPECT_EQ(open.first(), 1);
    EXPECT_EQ(open.last(), 0);

    Range down;
    10 >= down >= 5;
    expectBound(down.lower, Range::VAL, Range::LE, 5.0);
    expectBound(down.upper, Range::VAL, Range::LE, 10.0);

    Range downOpen;
    10.0 > downOpen > 5.0;
    expectBound(downOpen.lower, Range::VAL, Range::LT, 5.0);
    expectBound(downOpen.upper, Range::VAL, Range::LT, 10.0);

    Range ints;
    1 <= ints <= 10;
    EXPECT_TRUE(ints.includes(1));
    EXPECT_TRUE(ints.includes(10));
    EXPECT_FALSE(ints.includes(10.5));

    Range empty;
    5 <= empty <= 1;
    for (double x : {0.0, 1.0, 3.0, 5.0, 6.0})
        EXPECT_FALSE(empty.includes(x)) << x;
}

TEST(Range, ChainCopiesTargetBoundsWhenMade)
{
    Range r;
    r <= 7;
    Range::Chain chain(r);
    expectBound(chain.lower, Range::MIN, Range::LE, 0.0);
    expectBound(chain.upper, Range::VAL, Range::LE, 7.0);
    chain > 2;
    expectBound(r.lower, Range::VAL, Range::LT, 2.0);
    expectBound(chain.lower, Range::MIN, Range::LE, 0.0); // the chain's own copy is not updated
}

TEST(Range, HalfOpenEnds)
{
    Range below;
    below < 3;
    EXPECT_TRUE(below.includes(-1e300));
    EXPECT_TRUE(below.includes(2.999));
    EXPECT_FALSE(below.includes(3.0));

    Range above;
    above > -2.0;
    EXPECT_FALSE(above.includes(-2.0));
    EXPECT_TRUE(above.includes(1e300));
}

TEST(Range, NaNCountsAsInside)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Range r;
    0 <= r <= 1;
    EXPECT_TRUE(r.includes(nan));
    0 < r < 1;
    EXPECT_TRUE(r.includes(nan));
}

TEST(Range, FirstAndLast)
{
    struct Case {
        double lo, hi;
        bool open;
        int first, last;
    };
    const Case cases[] = {
        {1, 4, false, 1, 4},     {1, 4, true, 2, 3},       {0.5, 3.5, false, 1, 3},
        {0.5, 3.5, true, 1, 3},  {-2.5, -0.5, false, -2, -1}, {-3, -1, true, -2, -2},
        {0, 1, true, 1, 0},
    };
    for (const Case& c : cases) {
        Range r;
        if (c.open)
            c.lo < r < c.hi;
        else
            c.lo <= r <= c.hi;
        EXPECT_EQ(r.first(), c.first) << c.lo << ".." << c.hi << " open " << c.open;
        EXPECT_EQ(r.last(), c.last) << c.lo << ".." << c.hi << " open " << c.open;
    }
}

TEST(Range, FirstAndLastClipAnIndex)
{
    Range r;
    r >= 2;
    EXPECT_EQ(r.last(10), 10);
    EXPECT_EQ(r.first(1), 2);
    EXPECT_EQ(r.first(5), 5);

    Range bounded;
    2 <= bounded < 6;
    EXPECT_EQ(bounded.first(1), 2);
    EXPECT_EQ(bounded.first(3), 3);
    EXPECT_EQ(bounded.last(10), 5);
    EXPECT_EQ(bounded.last(4), 4);
    EXPECT_EQ(bounded.last(6), 5); // 6 is not below the open end
}

TEST(Range, NaNEndsClipAnIndexLikeMissingEnds)
{
    const double nan = std::nan("");
    Range r;
    nan <= r <= nan;
    EXPECT_EQ(r.first(1), 1);
    EXPECT_EQ(r.last(7), 7);
    nan < r < nan;
    EXPECT_EQ(r.first(1), 1);
    EXPECT_EQ(r.last(7), 7);
    nan <= r <= 4;
    EXPECT_EQ(r.first(1), 1);
    EXPECT_EQ(r.last(7), 4);
    // Without n they read the stored value as for a missing end, whose value is 0.
    nan <= r <= nan;
    EXPECT_EQ(r.first(), 0);
    EXPECT_EQ(r.last(), 0);
}

TEST(Range, FirstAndLastSaturateHugeValues)
{
    Range r;
    -1e300 <= r <= 1e300;
    EXPECT_EQ(r.first(), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(r.last(), std::numeric_limits<std::int32_t>::max());
}

TEST(Range, BoundValueThrowsKindOfUnlimitedEnd)
{
    Range r;
    r >= 2;
    EXPECT_EQ(r.lower.value(), 2.0);
    try {
        (void)r.upper.value();
        FAIL() << "no throw";
    } catch (Range::_MINMAX kind) {
        EXPECT_EQ(kind, Range::MAX);
    }
    try {
        (void)Range().lower.value();
        FAIL() << "no throw";
    } catch (Range::_MINMAX kind) {
        EXPECT_EQ(kind, Range::MIN);
    }
    // A distinct type: a handler for int does not catch it.
    EXPECT_THROW(
        {
            try {
                (void)r.upper.value();
            } catch (int) {
                FAIL() << "caught as int";
            }
        },
        Range::_MINMAX);
}
