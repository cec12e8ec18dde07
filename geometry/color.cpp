#include "geometry/color.h"

#include "app/exception.h"

#include <cmath>
#include <typeinfo>

namespace Lumidraft {

namespace {

// Exponent 1/gamma for red, green, blue. Constant-initialised to 1 so that any colour built
// during static initialisation, before anything could call setGamma, sees gamma 1.
constinit double gammaExponent[3] = {1.0, 1.0, 1.0};
// The gammas as given, for the run's records (1/exponent need not give them back exactly).
constinit double gammaGiven[3] = {1.0, 1.0, 1.0};

// NaN passes through unchanged: both comparisons are false for it.
double clamp01(double v)
{
    if (v < 0.0)
        return 0.0;
    if (v > 1.0)
        return 1.0;
    return v;
}

} // namespace

constinit const Color Color::white(Stored{}, 1.0, 1.0, 1.0, 1.0);
constinit const Color Color::black(Stored{}, 0.0, 0.0, 0.0, 1.0);
constinit Color Color::gray(Stored{}, 0.5, 0.5, 0.5, 1.0);
constinit const Color Color::red(Stored{}, 1.0, 0.0, 0.0, 1.0);
constinit const Color Color::green(Stored{}, 0.0, 1.0, 0.0, 1.0);
constinit const Color Color::blue(Stored{}, 0.0, 0.0, 1.0, 1.0);
constinit const Color Color::cyan(Stored{}, 0.0, 1.0, 1.0, 1.0);
constinit const Color Color::magenta(Stored{}, 1.0, 0.0, 1.0, 1.0);
constinit const Color Color::yellow(Stored{}, 1.0, 1.0, 0.0, 1.0);

Color::Color(double r_, double g_, double b_, double a_) { set(r_, g_, b_, a_); }
Color::Color(int r_, int g_, int b_, int a_) { set(r_, g_, b_, a_); }
Color::Color(double r_, double g_, double b_) { set(r_, g_, b_); }
Color::Color(float r_, float g_, float b_) { set(r_, g_, b_); }
Color::Color(int r_, int g_, int b_) { set(r_, g_, b_); }
Color::Color(double l) { set(l); }
Color::Color(float l) { set(l); }
Color::Color(int l) { set(l); }

Color& Color::set(double r_, double g_, double b_, double a_)
{
    r = std::pow(clamp01(r_), gammaExponent[0]);
    g = std::pow(clamp01(g_), gammaExponent[1]);
    b = std::pow(clamp01(b_), gammaExponent[2]);
    a = clamp01(a_);
    return *this;
}

Color& Color::set(int r_, int g_, int b_, int a_)
{
    return set(static_cast<double>(r_), static_cast<double>(g_), static_cast<double>(b_), static_cast<double>(a_));
}

Color& Color::set(double r_, double g_, double b_) { return set(r_, g_, b_, 1.0); }

Color& Color::set(float r_, float g_, float b_)
{
    return set(static_cast<double>(r_), static_cast<double>(g_), static_cast<double>(b_), 1.0);
}

Color& Color::set(int r_, int g_, int b_) { return set(r_, g_, b_, 1); }
Color& Color::set(double l) { return set(l, l, l, 1.0); }
Color& Color::set(float l) { return set(static_cast<double>(l)); }
Color& Color::set(int l) { return set(l, l, l, 1); }

bool Color::operator==(const Color& other) const
{
    return r == other.r && g == other.g && b == other.b && a == other.a;
}

Color& Color::operator+=(const Color& other)
{
    r += clamp01(other.r);
    g += clamp01(other.g);
    b += clamp01(other.b);
    a += clamp01(other.a);
    return *this;
}

Color& Color::operator-=(const Color& other)
{
    r -= clamp01(other.r);
    g -= clamp01(other.g);
    b -= clamp01(other.b);
    a -= clamp01(other.a);
    return *this;
}

Color Color::operator+(const Color& other) const
{
    Color sum(*this);
    return sum += other;
}

Color Color::operator-(const Color& other) const
{
    Color difference(*this);
    return difference -= other;
}

void Color::setGamma(double gammaRed, double gammaGreen, double gammaBlue)
{
    // A zero, negative, infinite or NaN gamma would give exponents that turn black into white
    // (exponent 0), greys into 0 (infinite) or components above 1 (negative): refuse them all
    // before anything changes.
    const double gammas[3] = {gammaRed, gammaGreen, gammaBlue};
    double exponents[3];
    for (int i = 0; i < 3; ++i) {
        exponents[i] = 1.0 / gammas[i];
        if (!(gammas[i] > 0.0) || !std::isfinite(gammas[i]) || !std::isfinite(exponents[i]))
            throw Exception(typeid(Color), "ARGUMENT ERROR", "Gamma must be a positive finite number.");
    }
    for (int i = 0; i < 3; ++i) {
        gammaExponent[i] = exponents[i];
        gammaGiven[i] = gammas[i];
    }
    gray.set(0.5, 0.5, 0.5);
}

void Color::getGamma(double& gammaRed, double& gammaGreen, double& gammaBlue)
{
    gammaRed = gammaGiven[0];
    gammaGreen = gammaGiven[1];
    gammaBlue = gammaGiven[2];
}

} // namespace Lumidraft
