#include "waves/waveform.h"

#include "app/exception.h"

#include <cmath>
#include <typeinfo>

#include <climits>
#include <new>

namespace Lumidraft {

namespace {

constexpr double degreesPerPeriod = 360.0;

// Refuses a wavelength that is not a positive number (NaN included: it would only give NaN).
void validateWavelength(double wavelength)
{
    if (!(wavelength > 0.0)) throw "Wave length must be positive number.";
}

// The phase of position x for a wave of this wavelength.
Angle phaseAt(double x, double wavelength) { return Angle(x * degreesPerPeriod / wavelength, degree); }

// Number of integers from low to high, refused beyond what a matrix can hold.
int countBetween(int low, int high)
{
    const long long n = static_cast<long long>(high) - low + 1;
    if (n > INT_MAX) throw std::bad_alloc();
    return n > 0 ? static_cast<int>(n) : 0;
}

} // namespace

double ConstantWave::value(double) const { return level; }
double ConstantWave::phaseValue(Angle) const { return level; }

double ZeroWave::value(double) const { return 0.0; }
double ZeroWave::phaseValue(Angle) const { return 0.0; }

double OneWave::value(double) const { return 1.0; }
double OneWave::phaseValue(Angle) const { return 1.0; }

SineWave::SineWave() : amplitude(0.0), wavelength(0.0), phase(fromDegrees(0.0)) {}

SineWave::SineWave(double wl, double amp, Angle ph) : amplitude(amp), wavelength(wl), phase(ph)
{
    validateWavelength(wavelength);
}

SineWave& SineWave::set(double wl, double amp, Angle ph)
{
    wavelength = wl;
    amplitude = amp;
    phase = ph;
    validateWavelength(wavelength);
    return *this;
}

Angle SineWave::shifted(Angle a) const { return Angle(a.getDegree() + phase.getDegree(), degree); }

double SineWave::value(double x) const { return phaseValue(phaseAt(x, wavelength)); }

double SineWave::phaseValue(Angle a) const { return amplitude * shifted(a).sin(); }

double CosineWave::phaseValue(Angle a) const { return amplitude * shifted(a).cos(); }

double TangentWave::phaseValue(Angle a) const { return amplitude * shifted(a).tan(); }

SquareWave::SquareWave(double wl, double amp, Angle ph, Angle dt)
    : amplitude(amp), wavelength(wl), phase(ph), duty(dt)
{
}

SquareWave& SquareWave::set(double wl, double amp, Angle ph, Angle dt)
{
    wavelength = wl;
    amplitude = amp;
    phase = ph;
    duty = dt;
    validateWavelength(wavelength);
    return *this;
}

double SquareWave::value(double x) const { return phaseValue(phaseAt(x, wavelength)); }

double SquareWave::phaseValue(Angle a) const
{
    // Amplitude and phase act as they do for the sine wave: the high level is the amplitude and
    // the phase shifts the duty window.
    const Angle at = phase.getInternal() == 0.0 ? a : Angle(a.getDegree() + phase.getDegree(), degree);
    return duty.getDegree() > at.getDegreeInTurn() ? amplitude : 0.0;
}

PowerWave& PowerWave::set(int e, double c)
{
    exponent = e;
    coefficient = c;
    return *this;
}

double PowerWave::value(double x) const
{
    // Square-and-multiply over |exponent|; a negative exponent takes the reciprocal at the end.
    double result = 1.0;
    unsigned long long c = exponent < 0 ? 0ULL - static_cast<unsigned long long>(static_cast<long long>(exponent))
                                        : static_cast<unsigned long long>(exponent);
    double base = x;
    for (;;) {
        if (c & 1ULL) result = result * base;
        if (c < 2) break;
        c /= 2;
        base = base * base;
    }
    if (exponent < 0) result = 1.0 / result;
    return coefficient * result;
}

Matrix gridSum(const Waveform& f, const Range& rowRange, const Waveform& g, const Range& colRange)
{
    const int rowLow = rowRange.first(), rowHigh = rowRange.last();
    const int colLow = colRange.first(), colHigh = colRange.last();
    Matrix grid(countBetween(rowLow, rowHigh), countBetween(colLow, colHigh));
    int i = 1;
    for (long long y = rowLow; y <= rowHigh; ++y, ++i) {
        int j = 1;
        for (long long x = colLow; x <= colHigh; ++x, ++j) {
            const double fy = f.value(static_cast<double>(y));
            const double gx = g.value(static_cast<double>(x));
            grid(i, j) = fy + gx;
        }
    }
    return grid;
}

Matrix gridSum(const Waveform& f, int rows, const Waveform& g, int cols)
{
    Range rowRange, colRange;
    1 <= rowRange <= rows;
    1 <= colRange <= cols;
    return gridSum(f, rowRange, g, colRange);
}

Matrix gridSum(const Range& rowRange, const Range& colRange)
{
    const LinearWave identity(1.0);
    return gridSum(identity, rowRange, identity, colRange);
}

Matrix gaussianWindow(int rows, int cols, double sigma)
{
    if (rows < 1 || cols < 1)
        throw Exception(typeid(Waveform), "ARGUMENT ERROR", "A Gaussian window needs at least one row and one column.");
    if (!(sigma > 0.0) || !std::isfinite(sigma))
        throw Exception(typeid(Waveform), "ARGUMENT ERROR", "A Gaussian window's sigma must be a positive number.");
    Matrix window(rows, cols);
    const double rowCentre = (rows + 1) / 2.0, colCentre = (cols + 1) / 2.0;
    const double scale = -1.0 / (2.0 * sigma * sigma);
    for (int i = 1; i <= rows; ++i) {
        const double dy = i - rowCentre;
        for (int j = 1; j <= cols; ++j) {
            const double dx = j - colCentre;
            window(i, j) = std::exp((dy * dy + dx * dx) * scale);
        }
    }
    return window;
}

} // namespace Lumidraft
