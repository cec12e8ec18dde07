// Random numbers: the framework's own 32-bit Mersenne Twister (MT19937) with its reference
// seeding and output conversions, the random() family scaled to an interval, seeding, and a
// permutation built on the C library's rand. One process-wide generator; not thread-safe.
#pragma once

#include <cstdint>

namespace Lumidraft {

// Reference single-value seeding. A generator never seeded seeds itself with 5489 on first use.
void mtSeed(std::uint32_t s);
// Reference array seeding. With no keys (count <= 0 or null) the key material is a single 0.
void mtSeedByArray(const std::uint32_t* keys, int count);
std::uint32_t mtNext32();
std::uint32_t mtNext31();          // mtNext32() >> 1
double mtRealClosed();             // [0, 1]
double mtRealHalfOpen();           // [0, 1)
double mtRealOpen();               // (0, 1)
double mtReal53();                 // [0, 1) with 53 random bits, from two outputs

double random();                   // [0, 1)
double random(double x);           // [0, x) for positive x, (x, 0] for negative x
int random(int n);                 // 0 .. n-1 for positive n, -(|n|-1) .. 0 for negative, 0 for 0
// min + random(max - min); raises Exception("min exceeds max in random(min, max)") when max < min.
double random(double min, double max);

// Seeds both the C library's rand and the generator.
void seedRandom(int s);
void seedRandomFromTime();

// Fills values[0 .. count-1] with a permutation of 0 .. count-1, drawn with the C library's rand
// and linear probing (not uniform). Nothing happens for count <= 0 or a null array.
void randomPermutation(std::uint32_t* values, int count);

namespace detail {
// Tests only: back to the never-seeded state.
void forgetRandomSeed() noexcept;
} // namespace detail

} // namespace Lumidraft
