// Range: an interval of the real line whose ends are each open, closed or absent, written as a
// comparison chain around a Range variable (5 <= rng <= 100, 0 < rng < 1, rng >= 2).
#pragma once

#include <cstdint>

namespace Lumidraft {

class Range {
public:
    // Kind of one end. Also thrown by value from Bound::value() for an end without a limit,
    // so it must stay a distinct type of its own.
    enum _MINMAX : std::int32_t { VAL = 1, MIN = 2, MAX = 3 };

    // Relation codes of one end: closed (the end value belongs to the range) or open.
    static constexpr std::int32_t LE = 2;
    static constexpr std::int32_t LT = 3;

    // One end of an interval.
    struct Bound {
        _MINMAX kind;
        std::int32_t relation;
        double val; // 0.0 when kind is MIN or MAX

        Bound(double v, std::int32_t rel) : kind(VAL), relation(rel), val(v) {}
        Bound(_MINMAX k, std::int32_t rel) : kind(k), relation(rel), val(0.0) {}

        // The end's value; throws the kind itself when the end has no limit.
        double value() const;
    };

    // The temporary that the left comparison of a chain returns: its own comparison closes the
    // other end of the target range.
    class Chain;

    Range() : lower(MIN, LE), upper(MAX, LE) {}
    Range(const Range&) = default;
    Range& operator=(const Range&) = default;
    virtual ~Range() = default;

    Range& operator<(double x);
    Range& operator<=(double x);
    Range& operator>(double x);
    Range& operator>=(double x);
    Range& operator<(int x) { return *this < static_cast<double>(x); }
    Range& operator<=(int x) { return *this <= static_cast<double>(x); }
    Range& operator>(int x) { return *this > static_cast<double>(x); }
    Range& operator>=(int x) { return *this >= static_cast<double>(x); }

    bool includes(double x) const;

    // Smallest integer inside the lower end / largest inside the upper end. They read the stored
    // value whatever the kind (0.0 for an unlimited end); values beyond the 32-bit range saturate.
    std::int32_t first() const;
    std::int32_t last() const;
    // n itself when the end has no limit or n already lies inside that end; the forms used to
    // clip a 1-based index to the range. A NaN end counts as one without a limit here.
    std::int32_t first(std::int32_t n) const;
    std::int32_t last(std::int32_t n) const;

    Bound lower;
    Bound upper;
};

class Range::Chain : public Range {
public:
    explicit Chain(Range& target);
    Chain(const Chain&) = default;
    Chain& operator=(const Chain&) = default;
    ~Chain() override = default;

    Range& operator<(double y);
    Range& operator<=(double y);
    Range& operator>(double y);
    Range& operator>=(double y);
    Range& operator<(int y) { return *this < static_cast<double>(y); }
    Range& operator<=(int y) { return *this <= static_cast<double>(y); }
    Range& operator>(int y) { return *this > static_cast<double>(y); }
    Range& operator>=(int y) { return *this >= static_cast<double>(y); }

private:
    Range* target_;
};

// The real on the left: each sets both ends of rng and hands back a Chain on it.
Range::Chain operator<(double x, Range& rng);
Range::Chain operator<=(double x, Range& rng);
Range::Chain operator>(double x, Range& rng);
Range::Chain operator>=(double x, Range& rng);
Range::Chain operator<(int x, Range& rng);
Range::Chain operator<=(int x, Range& rng);
Range::Chain operator>(int x, Range& rng);
Range::Chain operator>=(int x, Range& rng);

} // namespace Lumidraft
