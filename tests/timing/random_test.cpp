#include "timing/random.h"

#include "app/exception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <limits>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace ld = Lumidraft;

namespace {

// Reference outputs, one decimal value a line after '#' comments.
std::vector<std::uint32_t> referenceOutputs(const std::string& file)
{
    std::ifstream in(std::string(LUMIDRAFT_TEST_DATA_DIR) + "/" + file);
    std::vector<std::uint32_t> values;
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#')
            values.push_back(static_cast<std::uint32_t>(std::stoul(line)));
    return values;
}

constexpr double two32 = 4294967296.0;

} // namespace

TEST(Random, ReferenceSequences)
{
    const auto single = referenceOutputs("mt19937-seed-5489-outputs.txt");
    const auto array = referenceOutputs("mt19937-array-seed-outputs.txt");
    ASSERT_EQ(single.size(), 1000u);
    ASSERT_EQ(array.size(), 1000u);
    EXPECT_EQ(single[0], 3499211612u);

    ld::detail::forgetRandomSeed(); // unseeded: seeds itself with 5489
    for (std::size_t i = 0; i < single.size(); ++i)
        ASSERT_EQ(ld::mtNext32(), single[i]) << "unseeded, output " << i;

    ld::mtSeed(5489);
    for (std::size_t i = 0; i < single.size(); ++i)
        ASSERT_EQ(ld::mtNext32(), single[i]) << "seed 5489, output " << i;

    const std::uint32_t keys[] = {0x123, 0x234, 0x345, 0x456};
    ld::mtSeedByArray(keys, 4);
    for (std::size_t i = 0; i < array.size(); ++i)
        ASSERT_EQ(ld::mtNext32(), array[i]) << "array seed, output " << i;
}

TEST(Random, ArraySeedingWithoutKeysActsAsOneZeroKey)
{
    const std::uint32_t zero = 0;
    ld::mtSeedByArray(&zero, 1);
    std::vector<std::uint32_t> expected(700);
    for (auto& v : expected)
        v = ld::mtNext32();
    for (const std::uint32_t* keys : {static_cast<const std::uint32_t*>(nullptr), &zero}) {
        ld::mtSeedByArray(keys, 0);
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(ld::mtNext32(), expected[i]) << i;
    }
}

TEST(Random, ConversionsOfTheReferenceOutputs)
{
    // Each conversion is checked through an exact identity with the published 32-bit output it
    // consumed: scaling by a power of two is exact in double, so the output comes back bit for
    // bit, and the integer forms are compared with 64-bit integer arithmetic.
    const auto ref = referenceOutputs("mt19937-seed-5489-outputs.txt");
    ASSERT_GE(ref.size(), 20u);
    const auto wide = [&](std::size_t i) { return static_cast<std::uint64_t>(ref[i]); };
    ld::mtSeed(5489);
    std::size_t i = 0;
    EXPECT_EQ(ld::mtNext31(), 1749605806u) << "3499211612 without its low bit";
    EXPECT_EQ(ref[i++], 3499211612u);

    const double closed = ld::mtRealClosed();
    EXPECT_NEAR(closed * 4294967295.0, static_cast<double>(ref[i++]), 1e-5);
    EXPECT_EQ(ld::mtRealHalfOpen() * two32, static_cast<double>(ref[i++]));
    EXPECT_EQ(ld::mtRealOpen() * two32 - 0.5, static_cast<double>(ref[i++]));

    // 27 bits of the first output above 26 bits of the second, as one 53-bit integer.
    const double r53 = ld::mtReal53() * 9007199254740992.0;
    const auto bits = static_cast<std::uint64_t>(r53);
    EXPECT_EQ(static_cast<double>(bits), r53);
    EXPECT_EQ(bits >> 26, wide(i++) >> 5);
    EXPECT_EQ(bits & ((1u << 26) - 1), wide(i++) >> 6);

    EXPECT_EQ(ld::random() * two32, static_cast<double>(ref[i++]));
    // x = 2.5 and -2.5: the product with the output is exact, five halves of it.
    EXPECT_EQ(ld::random(2.5) * two32 * 2.0, static_cast<double>(wide(i++) * 5));
    EXPECT_EQ(ld::random(-2.5) * two32 * 2.0, -static_cast<double>(wide(i++) * 5));
    // floor(output x n / 2^32), toward zero for negative n.
    EXPECT_EQ(ld::random(1000), static_cast<int>((wide(i++) * 1000) >> 32));
    EXPECT_EQ(ld::random(-1000), -static_cast<int>((wide(i++) * 1000) >> 32));
    EXPECT_EQ((ld::random(1.0, 3.0) - 1.0) * two32 / 2.0, static_cast<double>(ref[i++]));
    EXPECT_EQ(ld::random(0), 0);
    ++i;
    EXPECT_EQ(ld::mtNext32(), ref[i]); // each call above took exactly its outputs
}

TEST(Random, IntegerAndRealRanges)
{
    ld::seedRandom(7);
    std::vector<int> seen(10, 0);
    for (int k = 0; k < 2000; ++k) {
        const int v = ld::random(10);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 9);
        ++seen[static_cast<std::size_t>(v)];
        const int w = ld::random(-10);
        ASSERT_GE(w, -9);
        ASSERT_LE(w, 0);
        const double x = ld::random();
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
        const double o = ld::mtRealOpen();
        ASSERT_GT(o, 0.0);
        ASSERT_LT(o, 1.0);
        const double r = ld::mtReal53();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
    for (int count : seen)
        EXPECT_GT(count, 0);
}

TEST(Random, MinMaxForm)
{
    try {
        (void)ld::random(3.0, 2.0);
        FAIL() << "no Exception";
    } catch (const ld::Exception& e) {
        EXPECT_EQ(e.raisingClass(), typeid(ld::Exception));
        EXPECT_EQ(e.kind(), "");
        EXPECT_EQ(e.message(), "min exceeds max in random(min, max)");
    }
    EXPECT_EQ(ld::random(2.0, 2.0), 2.0);
    EXPECT_NO_THROW((void)ld::random(std::numeric_limits<double>::quiet_NaN(), 1.0));
    for (int k = 0; k < 100; ++k) {
        const double v = ld::random(-5.0, -4.0);
        ASSERT_GE(v, -5.0);
        ASSERT_LT(v, -4.0);
    }
}

TEST(Random, SeedingReproducesBothGenerators)
{
    auto draw = [] {
        std::vector<double> values;
        for (int k = 0; k < 5; ++k)
            values.push_back(ld::random());
        std::vector<std::uint32_t> perm(50);
        ld::randomPermutation(perm.data(), 50);
        values.insert(values.end(), perm.begin(), perm.end());
        return values;
    };
    ld::seedRandom(12345);
    const auto first = draw();
    ld::seedRandom(12345);
    EXPECT_EQ(draw(), first);
    ld::seedRandom(12346);
    EXPECT_NE(draw(), first);

    ld::seedRandom(-1); // negative seeds go through as their 32-bit pattern
    const double v = ld::random();
    ld::mtSeed(0xFFFFFFFFu);
    EXPECT_EQ(ld::random(), v);

}

// The generators' first values after seeding from the clock are those of the calendar second
// it read; reading the clock around the call brackets that second.
TEST(Random, SeedingFromTheTimeUsesTheCalendarSecond)
{
    const auto firstOutputsFor = [](std::uint32_t seed) {
        std::srand(seed);
        const int r = std::rand();
        ld::mtSeed(seed);
        return std::pair<int, std::uint32_t>(r, ld::mtNext32());
    };
    const std::time_t before = std::time(nullptr);
    ld::seedRandomFromTime();
    const int r = std::rand();
    const std::uint32_t v = ld::mtNext32();
    const std::time_t after = std::time(nullptr);

    bool matched = false;
    for (std::time_t t = before; t <= after && !matched; ++t)
        matched = firstOutputsFor(static_cast<std::uint32_t>(t)) == std::pair<int, std::uint32_t>(r, v);
    EXPECT_TRUE(matched) << "rand " << r << ", generator " << v << " fit no second in [" << before << ", "
                         << after << "]";
    EXPECT_NE(v, 3499211612u) << "the never-seeded default";
}

TEST(Random, PermutationContainsEveryIndexOnce)
{
    ld::seedRandom(99);
    for (int count : {1, 2, 17, 1000, 40000}) {
        std::vector<std::uint32_t> values(static_cast<std::size_t>(count), 12345u);
        ld::randomPermutation(values.data(), count);
        std::vector<std::uint32_t> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        std::vector<std::uint32_t> expected(static_cast<std::size_t>(count));
        std::iota(expected.begin(), expected.end(), 0u);
        EXPECT_EQ(sorted, expected) << count;
    }
    std::uint32_t untouched[2] = {7, 8};
    ld::randomPermutation(untouched, 0);
    ld::randomPermutation(untouched, -3);
    ld::randomPermutation(nullptr, 5);
    EXPECT_EQ(untouched[0], 7u);
    EXPECT_EQ(untouched[1], 8u);
}

// Every slot sees every value and the order is far from the identity: over many draws a fixed
// seed makes this deterministic, and the bounds sit so far from the expected counts (100 per
// cell, about one fixed point) that a sound shuffle cannot miss them.
TEST(Random, PermutationsMoveEveryValueAround)
{
    ld::seedRandom(2024);
    constexpr int count = 10;
    constexpr int draws = 1000;
    int seen[count][count] = {};
    for (int d = 0; d < draws; ++d) {
        std::uint32_t values[count];
        ld::randomPermutation(values, count);
        for (int slot = 0; slot < count; ++slot)
            ++seen[slot][values[slot]];
    }
    // Rotating every slot by one leaves the drawing unchanged, so each (slot, value) pair has
    // probability 1/10.
    for (int slot = 0; slot < count; ++slot)
        for (int value = 0; value < count; ++value)
            EXPECT_GE(seen[slot][value], 40) << "slot " << slot << ", value " << value;

    // Counts a 15-bit rand reaches in one probe: above 32768 the last values fill the top slots
    // in order, as documented, and sit at their own index.
    for (int n : {1000, 30000}) {
        std::vector<std::uint32_t> large(static_cast<std::size_t>(n));
        ld::randomPermutation(large.data(), n);
        int fixed = 0;
        for (int k = 0; k < n; ++k)
            fixed += large[static_cast<std::size_t>(k)] == static_cast<std::uint32_t>(k);
        EXPECT_LT(fixed, n / 10) << n << " values";
    }
}
