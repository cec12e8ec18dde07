#include "timing/random.h"

#include "app/exception.h"

#include <cstdlib>
#include <ctime>

namespace Lumidraft {

namespace {

constexpr int N = 624;
constexpr int M = 397;
constexpr std::uint32_t matrixA = 0x9908B0DFu;
constexpr std::uint32_t upperMask = 0x80000000u;
constexpr std::uint32_t lowerMask = 0x7FFFFFFFu;
constexpr int neverSeeded = N + 1;

struct Generator {
    std::uint32_t mt[N];
    int index;
};

constinit Generator gen{{}, neverSeeded};

inline std::uint32_t twist(std::uint32_t current, std::uint32_t next, std::uint32_t far)
{
    const std::uint32_t y = (current & upperMask) | (next & lowerMask);
    return far ^ (y >> 1) ^ ((y & 1u) ? matrixA : 0u);
}

// Produces the next 624 words in place; split in three runs so no index needs wrapping.
void refill()
{
    std::uint32_t* mt = gen.mt;
    int k = 0;
    for (; k < N - M; ++k)
        mt[k] = twist(mt[k], mt[k + 1], mt[k + M]);
    for (; k < N - 1; ++k)
        mt[k] = twist(mt[k], mt[k + 1], mt[k + M - N]);
    mt[N - 1] = twist(mt[N - 1], mt[0], mt[M - 1]);
    gen.index = 0;
}

} // namespace

void mtSeed(std::uint32_t s)
{
    gen.mt[0] = s;
    for (int i = 1; i < N; ++i)
        gen.mt[i] = 1812433253u * (gen.mt[i - 1] ^ (gen.mt[i - 1] >> 30)) + static_cast<std::uint32_t>(i);
    gen.index = N;
}

void mtSeedByArray(const std::uint32_t* keys, int count)
{
    // The reference reads keys[0] even for an empty array; an empty key set mixes in a single 0.
    static constexpr std::uint32_t noKey = 0;
    if (!keys || count <= 0) {
        keys = &noKey;
        count = 1;
    }
    mtSeed(19650218u);
    std::uint32_t* mt = gen.mt;
    int i = 1;
    int j = 0;
    for (int k = (N > count ? N : count); k > 0; --k) {
        mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 30)) * 1664525u)) + keys[j] + static_cast<std::uint32_t>(j);
        ++i;
        ++j;
        if (i >= N) {
            mt[0] = mt[N - 1];
            i = 1;
        }
        if (j >= count)
            j = 0;
    }
    for (int k = N - 1; k > 0; --k) {
        mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 30)) * 1566083941u)) - static_cast<std::uint32_t>(i);
        ++i;
        if (i >= N) {
            mt[0] = mt[N - 1];
            i = 1;
        }
    }
    mt[0] = 0x80000000u; // non-zero initial state assured
}

std::uint32_t mtNext32()
{
    if (gen.index >= N) {
        if (gen.index == neverSeeded)
            mtSeed(5489u);
        refill();
    }
    std::uint32_t y = gen.mt[gen.index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

std::uint32_t mtNext31() { return mtNext32() >> 1; }

double mtRealClosed() { return mtNext32() * (1.0 / 4294967295.0); }

double mtRealHalfOpen() { return mtNext32() * (1.0 / 4294967296.0); }

double mtRealOpen() { return (static_cast<double>(mtNext32()) + 0.5) * (1.0 / 4294967296.0); }

double mtReal53()
{
    const std::uint32_t a = mtNext32() >> 5;
    const std::uint32_t b = mtNext32() >> 6;
    return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
}

double random() { return mtNext32() * (1.0 / 4294967296.0); }

double random(double x) { return mtNext32() * (x / 4294967296.0); }

// |result| < |n| always: mtNext32() < 2^32, so the product stays below |n| by more than one
// rounding step and truncation cannot reach n.
int random(int n) { return static_cast<int>(mtNext32() * (n / 4294967296.0)); }

double random(double min, double max)
{
    const double d = max - min;
    if (d < 0)
        throw Exception("min exceeds max in random(min, max)");
    return min + random(d);
}

void seedRandom(int s)
{
    std::srand(static_cast<unsigned>(s));
    mtSeed(static_cast<std::uint32_t>(s));
}

void seedRandomFromTime()
{
    std::srand(static_cast<unsigned>(static_cast<std::uint32_t>(std::time(nullptr))));
    mtSeed(static_cast<std::uint32_t>(std::time(nullptr)));
}

void randomPermutation(std::uint32_t* values, int count)
{
    if (!values || count <= 0)
        return;
    constexpr std::uint32_t empty = 0xFFFFFFFFu;
    for (int i = 0; i < count; ++i)
        values[i] = empty;
    for (int i = 0; i < count; ++i) {
        int p = std::rand() % count;
        while (values[p] != empty)
            p = (p + 1 == count) ? 0 : p + 1;
        values[p] = static_cast<std::uint32_t>(i);
    }
}

namespace detail {

void forgetRandomSeed() noexcept { gen.index = neverSeeded; }

} // namespace detail

} // namespace Lumidraft
