// Color: four real components r, g, b, a in [0, 1], gamma-corrected when set, so the stored
// values are what goes to the display. Also the process-wide gamma and the named colours.
#pragma once

namespace Lumidraft {

class Color {
public:
    // Transparent black (alpha 0).
    constexpr Color() : r(0.0), g(0.0), b(0.0), a(0.0) {}
    Color(double r, double g, double b, double a);
    Color(int r, int g, int b, int a);
    Color(double r, double g, double b);
    Color(float r, float g, float b);
    Color(int r, int g, int b);
    // A grey level with alpha 1.
    Color(double l);
    Color(float l);
    Color(int l);

    // Every constructor and setter ends in set(double, double, double, double): clamp each
    // argument to [0, 1] (NaN passes), gamma-correct r, g and b, store alpha as clamped.
    // Integers are not scaled: 1 and above mean full intensity.
    Color& set(double r, double g, double b, double a);
    Color& set(int r, int g, int b, int a);
    Color& set(double r, double g, double b);
    Color& set(float r, float g, float b);
    Color& set(int r, int g, int b);
    Color& set(double l);
    Color& set(float l);
    Color& set(int l);

    // Exact comparison of the four stored components.
    bool operator==(const Color& other) const;
    // Arithmetic on the stored components, alpha included; the right operand is clamped, the
    // result is neither clamped nor corrected.
    Color& operator+=(const Color& other);
    Color& operator-=(const Color& other);
    Color operator+(const Color& other) const;
    Color operator-(const Color& other) const;

    // Display gamma per channel; colours set afterwards are corrected with exponent 1/gamma.
    // Each gamma must be a positive finite number with a finite reciprocal; otherwise an
    // Exception is raised and the gamma in force is kept. Recomputes Color::gray.
    static void setGamma(double gammaRed, double gammaGreen, double gammaBlue);
    // The gammas in force (1 until setGamma).
    static void getGamma(double& gammaRed, double& gammaGreen, double& gammaBlue);

    double r;
    double g;
    double b;
    double a;

    // Constant-initialised, so usable from any other static initialiser.
    static const Color white;
    static const Color black;
    static Color gray; // follows the gamma: setGamma stores 0.5 corrected anew
    static const Color red;
    static const Color green;
    static const Color blue;
    static const Color cyan;
    static const Color magenta;
    static const Color yellow;

private:
    struct Stored {};
    // Components stored as given: the named colours are 0, 0.5 or 1 under gamma 1.
    constexpr Color(Stored, double r_, double g_, double b_, double a_) : r(r_), g(g_), b(b_), a(a_) {}
};

} // namespace Lumidraft
