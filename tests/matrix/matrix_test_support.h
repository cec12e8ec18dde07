// Helpers shared by the matrix tests: building matrices from literals, closed ranges, exact
// comparison, and an expectation on the raised Exception.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/exception.h"
#include "geometry/range.h"
#include "matrix/matrix.h"

namespace Lumidraft::testing {

inline Matrix makeMatrix(int rows, int cols, std::initializer_list<double> values)
{
    Matrix m(rows, cols);
    auto it = values.begin();
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j <= cols; ++j) m(i, j) = *it++;
    return m;
}

inline Range closedRange(double low, double high)
{
    Range r;
    low <= r <= high;
    return r;
}

// Elements row by row.
inline std::vector<double> valuesOf(const Matrix& m)
{
    std::vector<double> v;
    for (int i = 1; i <= m.getRows(); ++i)
        for (int j = 1; j <= m.getCols(); ++j) v.push_back(m(i, j));
    return v;
}

// Bit-for-bit equality, so that -0.0 and +0.0 or a last-bit rounding difference count.
inline ::testing::AssertionResult sameBits(const std::vector<double>& expected, const Matrix& actual)
{
    const std::vector<double> got = valuesOf(actual);
    if (got.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << got.size() << " != " << expected.size();
    for (std::size_t k = 0; k < got.size(); ++k)
        if (std::memcmp(&got[k], &expected[k], sizeof(double)) != 0)
            return ::testing::AssertionFailure()
                   << "element " << k << ": " << got[k] << " != expected " << expected[k] << " (bits differ)";
    return ::testing::AssertionSuccess();
}

// Values spread over six decades with both signs, so that a change in the order of roundings
// shows in the last bits.
inline void randomFill(Matrix& m, std::mt19937_64& rng)
{
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> decade(-3, 3);
    for (int i = 1; i <= m.getRows(); ++i)
        for (int j = 1; j <= m.getCols(); ++j) m(i, j) = mantissa(rng) * std::pow(10.0, decade(rng));
}

template <class F>
::testing::AssertionResult raises(F&& f, const std::type_info& raiser, const std::string& kind,
                                  const std::string& message)
{
    try {
        f();
    } catch (const Exception& e) {
        if (e.raisingClass() != raiser || e.kind() != kind || e.message() != message)
            return ::testing::AssertionFailure() << "raised: " << e.what();
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "nothing raised";
}

// The bare Exception that the operators raise for mismatched operands.
template <class F>
::testing::AssertionResult raisesDefault(F&& f)
{
    return raises(std::forward<F>(f), typeid(Exception), "", "");
}

} // namespace Lumidraft::testing
