// Reals in data files: every finite double is written so that it reads back to the same bits, in
// a form no longer than the general shortest conversion's, through both the quick path for short
// decimals and the general one.
#include "files/csv_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace Lumidraft::files {
namespace {

std::string written(double value)
{
    char text[maxRealText];
    return std::string(text, writeReal(text, value));
}

TEST(CsvReal, ShortDecimalsAreWrittenAsTheyWereTyped)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.25, "0.25"},     {45.0, "45"},           {512.3, "512.3"},         {-2.5, "-2.5"},
        {0.005, "0.005"},   {0.001, "0.001"},       {12345678.125, "12345678.125"},
        {0.12345678, "0.12345678"},                 {9999999.99999999, "9999999.99999999"},
        {0.7853981633974483, "0.7853981633974483"}, {0.1 + 0.2, "0.30000000000000004"},
        {-0.0, "-0"},       {1e-4, "1e-04"},       {100.0, "100"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(written(c.value), c.text) << c.text;
}

TEST(CsvReal, EveryValueReadsBackExactlyAndNoLongerThanTheShortestForm)
{
    std::mt19937_64 rng(20261210);
    auto check = [](double value) {
        const std::string text = written(value);
        const double back = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(std::memcmp(&back, &value, sizeof back), 0) << text;
        char shortest[64];
        const auto length = static_cast<std::size_t>(std::to_chars(shortest, shortest + 64, value).ptr - shortest);
        ASSERT_LE(text.size(), length) << text << " against " << std::string(shortest, length);
    };
    for (int i = 0; i < 100000; ++i) {
        // Any bit pattern; decimals with up to 11 places around the quick path's limits; plain
        // reals of the sizes data have.
        std::uint64_t bits = rng();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any))
            check(any);
        const double decimal = static_cast<double>(rng() % 100000000000ULL) / std::pow(10.0, static_cast<int>(rng() % 12));
        check(rng() & 1 ? -decimal : decimal);
        check(std::uniform_real_distribution<double>(-2e7, 2e7)(rng));
    }
}

} // namespace
} // namespace Lumidraft::files
