#include "geometry/range.h"

#include <cmath>
#include <limits>

namespace Lumidraft {

namespace {

// A plain cast of an out-of-range double to int is undefined; saturate instead, and map NaN to 0.
std::int32_t toInt32(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

} // namespace

double Range::Bound::value() const
{
    if (kind != VAL)
        throw kind;
    return val;
}

Range& Range::operator<(double x)
{
    lower = Bound(MIN, LE);
    upper = Bound(x, LT);
    return *this;
}

Range& Range::operator<=(double x)
{
    lower = Bound(MIN, LE);
    upper = Bound(x, LE);
    return *this;
}

Range& Range::operator>(double x)
{
    lower = Bound(x, LT);
    upper = Bound(MAX, LE);
    return *this;
}

Range& Range::operator>=(double x)
{
    lower = Bound(x, LE);
    upper = Bound(MAX, LE);
    return *this;
}

// Each test names the condition that excludes x, so a NaN (for which every comparison is false)
// is reported as inside.
bool Range::includes(double x) const
{
    if (lower.kind != MIN) {
        if (lower.relation == LT && lower.val >= x)
            return false;
        if (lower.relation == LE && lower.val > x)
            return false;
    }
    if (upper.kind != MAX) {
        if (upper.relation == LT && x >= upper.val)
            return false;
        if (upper.relation == LE && x > upper.val)
            return false;
    }
    return true;
}

std::int32_t Range::first() const
{
    double c = std::ceil(lower.val);
    if (lower.relation == LT && c == lower.val)
        c += 1.0;
    return toInt32(c);
}

std::int32_t Range::last() const
{
    double f = std::floor(upper.val);
    if (upper.relation == LT && f == upper.val)
        f -= 1.0;
    return toInt32(f);
}

// A NaN end excludes nothing (see includes), so it clips an index like an end without a limit.
std::int32_t Range::first(std::int32_t n) const
{
    if (lower.kind == MIN || std::isnan(lower.val) || n > lower.val)
        return n;
    return first();
}

std::int32_t Range::last(std::int32_t n) const
{
    if (upper.kind == MAX || std::isnan(upper.val) || n < upper.val)
        return n;
    return last();
}

Range::Chain::Chain(Range& target) : Range(), target_(&target)
{
    lower = target.lower;
    upper = target.upper;
}

Range& Range::Chain::operator<(double y)
{
    target_->upper = Bound(y, LT);
    return *target_;
}

Range& Range::Chain::operator<=(double y)
{
    target_->upper = Bound(y, LE);
    return *target_;
}

Range& Range::Chain::operator>(double y)
{
    target_->lower = Bound(y, LT);
    return *target_;
}

Range& Range::Chain::operator>=(double y)
{
    target_->lower = Bound(y, LE);
    return *target_;
}

Range::Chain operator<(double x, Range& rng)
{
    rng.lower = Range::Bound(x, Range::LT);
    rng.upper = Range::Bound(Range::MAX, Range::LE);
    return Range::Chain(rng);
}

Range::Chain operator<=(double x, Range& rng)
{
    rng.lower = Range::Bound(x, Range::LE);
    rng.upper = Range::Bound(Range::MAX, Range::LE);
    return Range::Chain(rng);
}

Range::Chain operator>(double x, Range& rng)
{
    rng.lower = Range::Bound(Range::MIN, Range::LE);
    rng.upper = Range::Bound(x, Range::LT);
    return Range::Chain(rng);
}

Range::Chain operator>=(double x, Range& rng)
{
    rng.lower = Range::Bound(Range::MIN, Range::LE);
    rng.upper = Range::Bound(x, Range::LE);
    return Range::Chain(rng);
}

Range::Chain operator<(int x, Range& rng) { return static_cast<double>(x) < rng; }
Range::Chain operator<=(int x, Range& rng) { return static_cast<double>(x) <= rng; }
Range::Chain operator>(int x, Range& rng) { return static_cast<double>(x) > rng; }
Range::Chain operator>=(int x, Range& rng) { return static_cast<double>(x) >= rng; }

} // namespace Lumidraft
