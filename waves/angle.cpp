#include "waves/angle.h"

#include <cmath>

namespace Lumidraft {

Angle& Angle::setDegree(double d)
{
    value_ = d * degreeScale;
    return *this;
}

Angle& Angle::setRadian(double r)
{
    value_ = radianScale * r / pi;
    return *this;
}

Angle& Angle::setInternal(int v)
{
    value_ = v;
    return *this;
}

Angle& Angle::setInternal(double v)
{
    value_ = v;
    return *this;
}

double Angle::getDegreeInTurn() const
{
    // Truncating in double rather than through a 32-bit integer gives the same result for every
    // angle within +-2^31 turns and stays defined beyond that.
    const double q = std::trunc(value_ / fullTurn);
    return (value_ - fullTurn * q) / degreeScale;
}

double Angle::sin() const { return std::sin(getRadian()); }
double Angle::cos() const { return std::cos(getRadian()); }
double Angle::tan() const { return std::tan(getRadian()); }

// Sums go through degrees and back, so the stored value equals a + b up to rounding.
Angle Angle::operator+(Angle b) const { return Angle(Angle(value_ + b.value_, Internal{}).getDegree()); }
Angle Angle::operator-(Angle b) const { return Angle(Angle(value_ - b.value_, Internal{}).getDegree()); }

Angle& Angle::operator+=(Angle b)
{
    value_ += b.value_;
    return *this;
}

Angle& Angle::operator-=(Angle b)
{
    value_ -= b.value_;
    return *this;
}

Angle fromDegrees(double x) { return Angle(x, degree); }
Angle fromRadians(double x) { return Angle(x, radian); }
Angle fromInternal(double x) { return Angle(x, Angle::Internal{}); }

} // namespace Lumidraft
