// The fuzz harnesses' reader of the fuzzer's bytes: small choices, and the hostile numbers that
// real inputs rarely hold but that each entry point must survive (NaN, infinities, the int limits,
// values just past them). Past the end every read gives 0, so any input is a whole program.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace Lumidraft::fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }

    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

    // A value in lo..hi (hi - lo below 65536).
    int pick(int lo, int hi)
    {
        const unsigned span = static_cast<unsigned>(hi - lo) + 1;
        const unsigned raw = span > 256 ? (unsigned(byte()) << 8) | byte() : byte();
        return lo + static_cast<int>(raw % span);
    }

    bool flag() { return byte() & 1; }

    double raw64()
    {
        std::uint64_t bits = 0;
        for (int k = 0; k < 8; ++k) bits = (bits << 8) | byte();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    std::int32_t raw32()
    {
        std::uint32_t bits = 0;
        for (int k = 0; k < 4; ++k) bits = (bits << 8) | byte();
        return static_cast<std::int32_t>(bits);
    }

    // Mostly small integers and halves near the interesting range, else an edge value, else any
    // bit pattern.
    double real(int smallLo = -4, int smallHi = 12)
    {
        const int how = byte() % 8;
        if (how < 4) return pick(smallLo, smallHi);
        if (how == 4) return pick(2 * smallLo, 2 * smallHi) / 2.0;
        if (how == 5) return raw64();
        static const double edges[] = {
            std::numeric_limits<double>::quiet_NaN(),
            -std::numeric_limits<double>::quiet_NaN(),
            std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity(),
            1e300, -1e300, 1e-300, -0.0,
            std::numeric_limits<double>::denorm_min(),
            2147483647.0, -2147483648.0, 2147483648.0, -2147483649.0,
            4294967296.0, 9.2233720368547758e18, -9.2233720368547758e18,
            0.49999999999999994, 0.9999999999999999, 1.0000000000000002, 255.0, 256.0, 65536.0,
            16777217.0, 9007199254740993.0,
        };
        return edges[byte() % (sizeof edges / sizeof edges[0])];
    }

    // Mostly small, else the int limits and their neighbours, else any pattern.
    int integer(int smallLo = -3, int smallHi = 12)
    {
        const int how = byte() % 6;
        if (how < 4) return pick(smallLo, smallHi);
        if (how == 4) return raw32();
        static const int edges[] = {
            std::numeric_limits<int>::max(), std::numeric_limits<int>::min(),
            std::numeric_limits<int>::max() - 1, std::numeric_limits<int>::min() + 1,
            1 << 30, -(1 << 30), 1 << 16, 46341, 65535, 0, -1,
        };
        return edges[byte() % (sizeof edges / sizeof edges[0])];
    }

    std::string text(std::size_t maxLength)
    {
        const std::size_t n = static_cast<std::size_t>(byte()) % (maxLength + 1);
        std::string s;
        for (std::size_t k = 0; k < n && !empty(); ++k) s.push_back(static_cast<char>(byte()));
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A check that failed: abort, so the fuzzer saves the input.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "check failed: %s\n", what);
    __builtin_trap();
}

#define LUMIDRAFT_FUZZ_CHECK(cond)                                                                  \
    do {                                                                                            \
        if (!(cond)) ::Lumidraft::fuzz::fail(#cond " at " __FILE__ ":" LUMIDRAFT_FUZZ_STR(__LINE__)); \
    } while (0)
#define LUMIDRAFT_FUZZ_STR(x) LUMIDRAFT_FUZZ_STR2(x)
#define LUMIDRAFT_FUZZ_STR2(x) #x

} // namespace Lumidraft::fuzz
