// Angle: an angle held in tenths of a degree (a full turn is 3600), with conversions to and from
// degrees and radians, its trigonometric functions, sums and differences.
#pragma once

namespace Lumidraft {

// Unit selectors for the two-argument Angle constructors: Angle(45, degree), Angle(0.5, radian).
struct DegreeUnit {};
struct RadianUnit {};
inline constexpr DegreeUnit degree{};
inline constexpr RadianUnit radian{};

class Angle {
public:
    static constexpr double fullTurn = 3600.0;
    // Constant-initialised so that angles built during static initialisation already see them.
    static constexpr double degreeScale = fullTurn / 360.0;
    static constexpr double radianScale = fullTurn / 2.0;
    // Written with 15 significant digits, deliberately not the double nearest to pi: radian
    // conversions are defined against this value.
    static constexpr double pi = 3.14159265358979;

    Angle() : value_(0.0) {}
    Angle(int degrees) : value_(degrees * degreeScale) {}
    Angle(double degrees) : value_(degrees * degreeScale) {}
    Angle(double x, DegreeUnit) : value_(x * degreeScale) {}
    Angle(double x, RadianUnit) : value_(radianScale * x / pi) {}
    Angle(const Angle&) = default;
    Angle& operator=(const Angle&) = default;

    Angle& setDegree(double d);
    Angle& setRadian(double r);
    Angle& setInternal(int v);
    Angle& setInternal(double v);

    double getDegree() const { return value_ / degreeScale; }
    // Degrees after removing whole turns; keeps the sign (-450 degrees gives -90).
    double getDegreeInTurn() const;
    double getRadian() const { return value_ * pi / radianScale; }
    double getInternal() const { return value_; }

    double sin() const;
    double cos() const;
    double tan() const;

    Angle operator+(Angle b) const;
    Angle operator-(Angle b) const;
    Angle& operator+=(Angle b);
    Angle& operator-=(Angle b);

    friend Angle fromInternal(double x);

private:
    struct Internal {};
    Angle(double internal, Internal) : value_(internal) {}

    double value_;
};

Angle fromDegrees(double x);
Angle fromRadians(double x);
Angle fromInternal(double x);

} // namespace Lumidraft
