// Waveforms: one-dimensional profiles for stimuli such as gratings, giving a value for a position
// (in the unit of their wavelength, typically pixels) and, for the periodic and constant ones, for
// a phase angle; gridSum samples two of them into a matrix.
#pragma once

#include "geometry/range.h"
#include "matrix/matrix.h"
#include "waves/angle.h"

namespace Lumidraft {

class Waveform {
public:
    virtual ~Waveform() = default;
    virtual double value(double x) const = 0;
};

// A waveform that can also be evaluated at a phase angle.
class PhaseWave : public Waveform {
public:
    virtual double phaseValue(Angle a) const = 0;
};

class ConstantWave : public PhaseWave {
public:
    explicit ConstantWave(double level) : level(level) {}
    double value(double x) const override;
    double phaseValue(Angle a) const override;

protected:
    double level;
};

class ZeroWave : public PhaseWave {
public:
    double value(double x) const override;
    double phaseValue(Angle a) const override;
};

class OneWave : public PhaseWave {
public:
    double value(double x) const override;
    double phaseValue(Angle a) const override;
};

// amplitude x sin of the phase plus the wave's own phase; one period per wavelength.
class SineWave : public PhaseWave {
public:
    // Amplitude 0, wavelength 0, phase 0: not validated, so its positions evaluate to NaN.
    SineWave();
    SineWave(double wavelength, double amplitude, Angle phase);
    // Stores all three values, then refuses a wavelength that is not positive (the values stay).
    SineWave& set(double wavelength, double amplitude, Angle phase);

    // Position x is the phase of x * 360 / wavelength degrees.
    double value(double x) const override;
    double phaseValue(Angle a) const override;

    double getAmplitude() const { return amplitude; }
    double getWavelength() const { return wavelength; }
    Angle getPhase() const { return phase; }

protected:
    // The angle whose degrees are a's plus the wave's phase.
    Angle shifted(Angle a) const;

    double amplitude;
    double wavelength;
    Angle phase;
};

class CosineWave : public SineWave {
public:
    using SineWave::SineWave;
    double phaseValue(Angle a) const override;
};

class TangentWave : public SineWave {
public:
    using SineWave::SineWave;
    double phaseValue(Angle a) const override;
};

// amplitude while the phase (plus the wave's phase) within its turn is below duty, else 0.
class SquareWave : public PhaseWave {
public:
    // Not validated: a wavelength of 0 gives the floating-point result of dividing by it.
    SquareWave(double wavelength, double amplitude, Angle phase, Angle duty);
    SquareWave& set(double wavelength, double amplitude, Angle phase, Angle duty);

    double value(double x) const override;
    double phaseValue(Angle a) const override;

    double getAmplitude() const { return amplitude; }
    double getWavelength() const { return wavelength; }
    Angle getPhase() const { return phase; }
    Angle getDuty() const { return duty; }

protected:
    double amplitude;
    double wavelength;
    Angle phase;
    Angle duty;
};

// coefficient x x^exponent, the power taken by repeated squaring.
class PowerWave : public Waveform {
public:
    PowerWave(int exponent, double coefficient) : exponent(exponent), coefficient(coefficient) {}
    PowerWave& set(int exponent, double coefficient);
    double value(double x) const override;

protected:
    int exponent;
    double coefficient;
};

class LinearWave : public PowerWave {
public:
    explicit LinearWave(double slope) : PowerWave(1, slope) {}
};

// Element (i, j) = f.value(row coordinate) + g.value(column coordinate), over the integers the
// two ranges contain (an end without a limit counts as 0).
Matrix gridSum(const Waveform& f, const Range& rowRange, const Waveform& g, const Range& colRange);
// The same over rows 1..rows and columns 1..cols.
Matrix gridSum(const Waveform& f, int rows, const Waveform& g, int cols);
// Row coordinate plus column coordinate.
Matrix gridSum(const Range& rowRange, const Range& colRange);

// A Gaussian window over rows x cols: exp(-(dy^2 + dx^2) / (2 sigma^2)), dy and dx measured from
// the grid's centre ((rows + 1) / 2, (cols + 1) / 2), so an odd size has 1 in its middle element
// and is symmetric. Multiplied element by element with a grating it makes a Gabor patch. Raises
// Exception (Waveform, "ARGUMENT ERROR") for a size below 1 or a sigma that is not positive.
Matrix gaussianWindow(int rows, int cols, double sigma);

} // namespace Lumidraft
