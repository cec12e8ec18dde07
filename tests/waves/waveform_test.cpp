// Waveform values by position and phase, wavelength validation, and gridSum sampling.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/exception.h"
#include "waves/waveform.h"

namespace Lumidraft {
namespace {

const std::string wavelengthMessage = "Wave length must be positive number.";

template <class F>
::testing::AssertionResult raisesText(F&& f)
{
    try {
        f();
    } catch (const char* text) {
        if (text == wavelengthMessage) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "raised \"" << text << "\"";
    }
    return ::testing::AssertionFailure() << "nothing raised";
}

Range closedRange(double low, double high)
{
    Range r;
    low <= r <= high;
    return r;
}

std::vector<double> valuesOf(const Matrix& m)
{
    std::vector<double> v;
    for (int i = 1; i <= m.getRows(); ++i)
        for (int j = 1; j <= m.getCols(); ++j) v.push_back(m(i, j));
    return v;
}

TEST(SineWave, OnePeriodPerWavelength)
{
    const SineWave wave(100, 2, fromDegrees(0));
    EXPECT_EQ(wave.value(0), 0.0);
    EXPECT_DOUBLE_EQ(wave.value(25), 2.0);
    EXPECT_NEAR(wave.value(50), 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(wave.value(75), -2.0);
    EXPECT_DOUBLE_EQ(wave.phaseValue(fromDegrees(90)), 2.0);

    EXPECT_DOUBLE_EQ(SineWave(100, 1, fromDegrees(90)).value(0), 1.0);
    EXPECT_DOUBLE_EQ(CosineWave(100, 1, fromDegrees(0)).value(0), 1.0);
    EXPECT_NEAR(CosineWave(100, 3, fromDegrees(0)).value(25), 0.0, 1e-12);
    // 45 degrees through the 15-digit pi: 1 to within a few units in the last place.
    EXPECT_NEAR(TangentWave(100, 1, fromDegrees(0)).value(12.5), 1.0, 1e-14);

    // The value follows the stored pi: the phase of the angle whose degrees are a's plus the
    // wave's own, converted to radians.
    const SineWave shifted(40, 1.5, fromDegrees(30));
    EXPECT_EQ(shifted.value(7), 1.5 * std::sin(Angle(7 * 360.0 / 40 + 30.0, degree).getRadian()));
}

TEST(SineWave, WavelengthMustBePositive)
{
    EXPECT_TRUE(raisesText([] { SineWave(0, 1, fromDegrees(0)); }));
    EXPECT_TRUE(raisesText([] { CosineWave(-1, 1, fromDegrees(0)); }));
    EXPECT_TRUE(raisesText([] { SineWave(std::nan(""), 1, fromDegrees(0)); }));

    SineWave wave(100, 1, fromDegrees(0));
    EXPECT_TRUE(raisesText([&] { wave.set(-5, 3, fromDegrees(10)); }));
    // A rejected set keeps what it stored.
    EXPECT_EQ(wave.getWavelength(), -5);
    EXPECT_EQ(wave.getAmplitude(), 3);
    wave.set(50, 1, fromDegrees(0));
    EXPECT_DOUBLE_EQ(wave.value(12.5), 1.0);

    // The default wave is not validated; its positions divide by a zero wavelength.
    EXPECT_TRUE(std::isnan(SineWave().value(1)));
}

TEST(SquareWave, HighWhileThePhaseIsBelowTheDuty)
{
    const SquareWave wave(100, 1, fromDegrees(0), fromDegrees(180));
    for (int x = 0; x <= 49; ++x) EXPECT_EQ(wave.value(x), 1.0) << x;
    for (int x = 50; x <= 99; ++x) EXPECT_EQ(wave.value(x), 0.0) << x;
    EXPECT_EQ(wave.value(100), 1.0);
    EXPECT_EQ(wave.value(-10), 1.0); // the angle within a turn keeps its negative sign
    EXPECT_EQ(wave.phaseValue(fromDegrees(450)), 1.0);

    // Amplitude scales the high level; the phase shifts the window as for the sine wave.
    const SquareWave shifted(100, 2.5, fromDegrees(90), fromDegrees(180));
    EXPECT_EQ(shifted.value(0), 2.5);
    EXPECT_EQ(shifted.value(24), 2.5);
    EXPECT_EQ(shifted.value(25), 0.0);

    SquareWave settable(100, 1, fromDegrees(0), fromDegrees(90));
    EXPECT_TRUE(raisesText([&] { settable.set(0, 1, fromDegrees(0), fromDegrees(90)); }));
    EXPECT_EQ(settable.getWavelength(), 0);
}

TEST(PowerWave, SquareAndMultiply)
{
    const struct {
        int exponent;
        double coefficient, x, expected;
    } cases[] = {
        {2, 3, 2, 12}, {-1, 1, 4, 0.25}, {0, 5, 7, 5}, {3, 1, -2, -8}, {-2, 2, 0.5, 8}, {1, 0.5, 8, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PowerWave(c.exponent, c.coefficient).value(c.x), c.expected) << c.exponent << " " << c.x;
    EXPECT_EQ(LinearWave(0.5).value(8), 4);

    // x^5 is x * (x^2)^2, rounded in that order.
    const double x = 1.1;
    const double expected = x * ((x * x) * (x * x));
    const double got = PowerWave(5, 1).value(x);
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0);

    EXPECT_EQ(PowerWave(INT_MIN, 1).value(1), 1);
    EXPECT_EQ(PowerWave(INT_MIN, 1).value(2), 0);
    PowerWave p(1, 1);
    EXPECT_EQ(p.set(2, 2).value(3), 18);
}

TEST(ConstantWaves, SameValueEverywhere)
{
    const ConstantWave c(0.75);
    const PhaseWave& asPhase = c;
    EXPECT_EQ(c.value(-1e9), 0.75);
    EXPECT_EQ(asPhase.phaseValue(fromDegrees(123)), 0.75);
    EXPECT_EQ(ZeroWave().value(5), 0.0);
    EXPECT_EQ(ZeroWave().phaseValue(fromDegrees(5)), 0.0);
    EXPECT_EQ(OneWave().value(5), 1.0);
    EXPECT_EQ(OneWave().phaseValue(fromDegrees(5)), 1.0);
}

TEST(GridSum, SamplesRowAndColumnProfiles)
{
    const Matrix ones = gridSum(ZeroWave(), 2, OneWave(), 3);
    EXPECT_EQ(ones.getRows(), 2);
    EXPECT_EQ(ones.getCols(), 3);
    EXPECT_EQ(valuesOf(ones), std::vector<double>(6, 1.0));

    const Matrix coordinates = gridSum(closedRange(1, 2), closedRange(1, 3));
    EXPECT_EQ(valuesOf(coordinates), (std::vector<double>{2, 3, 4, 3, 4, 5}));

    // Only the integers inside the range are sampled.
    const Matrix half = gridSum(LinearWave(10), closedRange(0.5, 2.5), ZeroWave(), closedRange(1, 1));
    EXPECT_EQ(valuesOf(half), (std::vector<double>{10, 20}));

    // An end without a limit counts as 0.
    Range upTo2;
    upTo2 <= 2;
    const Matrix fromZero = gridSum(LinearWave(1), upTo2, ZeroWave(), closedRange(1, 1));
    EXPECT_EQ(valuesOf(fromZero), (std::vector<double>{0, 1, 2}));

    const SineWave sine(8, 1, fromDegrees(0));
    const Matrix plaid = gridSum(sine, closedRange(-3, 3), sine, closedRange(0, 4));
    EXPECT_EQ(plaid(1, 1), sine.value(-3) + sine.value(0));
    EXPECT_EQ(plaid(7, 5), sine.value(3) + sine.value(4));
}

// Records every position it is asked for.
class RecordingWave : public Waveform {
public:
    RecordingWave(char name, std::string& log) : name_(name), log_(log) {}
    double value(double x) const override
    {
        log_ += name_ + std::to_string(static_cast<int>(x)) + " ";
        return x;
    }

private:
    char name_;
    std::string& log_;
};

TEST(GridSum, RowProfileFirstOncePerElement)
{
    std::string log;
    const RecordingWave f('f', log), g('g', log);
    gridSum(f, closedRange(1, 2), g, closedRange(5, 6));
    EXPECT_EQ(log, "f1 g5 f1 g6 f2 g5 f2 g6 ");
}

TEST(GridSum, RangeWithoutIntegers)
{
    try {
        gridSum(closedRange(0.2, 0.8), closedRange(1, 2));
        ADD_FAILURE() << "nothing raised";
    } catch (const Exception& e) {
        EXPECT_EQ(e.kind(), "FORMAT ERROR");
        EXPECT_EQ(e.message(), "Number of rows must be positive integer.");
    }
}

TEST(GaussianWindow, PeaksAtTheCentreAndFallsOffAsTheGaussian)
{
    const Matrix odd = gaussianWindow(5, 7, 2.0);
    ASSERT_EQ(odd.getRows(), 5);
    ASSERT_EQ(odd.getCols(), 7);
    EXPECT_EQ(odd(3, 4), 1.0);
    EXPECT_DOUBLE_EQ(odd(3, 6), std::exp(-4.0 / 8.0));          // two columns right
    EXPECT_DOUBLE_EQ(odd(1, 1), std::exp(-(4.0 + 9.0) / 8.0));  // the corner
    EXPECT_EQ(odd(1, 1), odd(5, 7));                            // symmetric both ways
    EXPECT_EQ(odd(2, 3), odd(4, 5));
    // An even size has its centre between elements: the four middle ones are equal and below 1.
    const Matrix even = gaussianWindow(4, 4, 1.0);
    EXPECT_DOUBLE_EQ(even(2, 2), std::exp(-0.5 / 2.0));
    EXPECT_EQ(even(2, 2), even(3, 3));
    EXPECT_EQ(even(2, 3), even(3, 2));
}

TEST(GaussianWindow, RefusesEmptySizesAndBadSigmas)
{
    const struct { int rows, cols; double sigma; } cases[] = {
        {0, 5, 1.0}, {5, -1, 1.0}, {5, 5, 0.0}, {5, 5, -2.0}, {5, 5, NAN}, {5, 5, INFINITY}};
    for (const auto& c : cases)
        EXPECT_THROW(gaussianWindow(c.rows, c.cols, c.sigma), Exception)
            << c.rows << " x " << c.cols << ", sigma " << c.sigma;
}

} // namespace
} // namespace Lumidraft
