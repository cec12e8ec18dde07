// Ranges, colours, points and rectangles with hostile numbers: chains must store the ends they
// name, includes and the integer queries must agree with each other, colours must stay in [0, 1]
// (or NaN) whatever the gamma, and rectangle setters and clipping must keep their edges ordered
// and inside both rectangles, or refuse and change nothing.
#include "fuzz_input.h"

#include "app/exception.h"
#include "geometry/color.h"
#include "geometry/point.h"
#include "geometry/range.h"
#include "geometry/rectangle.h"

#include <cmath>
#include <cstring>

using namespace Lumidraft;
using fuzz::Input;

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expectBound(const Range::Bound& b, Range::_MINMAX kind, int relation, double value)
{
    LUMIDRAFT_FUZZ_CHECK(b.kind == kind && b.relation == relation);
    if (kind == Range::VAL) LUMIDRAFT_FUZZ_CHECK(sameBits(b.val, value));
    else LUMIDRAFT_FUZZ_CHECK(b.val == 0.0);
}

// Whether x passes the one end, read from the documented meaning of the codes.
bool admitsLower(const Range::Bound& b, double x)
{
    if (b.kind == Range::MIN) return true;
    return b.relation == Range::LT ? !(b.val >= x) : !(b.val > x);
}
bool admitsUpper(const Range::Bound& b, double x)
{
    if (b.kind == Range::MAX) return true;
    return b.relation == Range::LT ? !(x >= b.val) : !(x > b.val);
}

void range(Input& in)
{
    Range r;
    const bool ints = in.flag();
    const double a = ints ? in.integer() : in.real(), b = ints ? in.integer() : in.real();
    const int ia = static_cast<int>(ints ? a : 0), ib = static_cast<int>(ints ? b : 0);
    const int form = in.byte() % 12;
    const auto VAL = Range::VAL, MIN = Range::MIN, MAX = Range::MAX;
    const int LE = Range::LE, LT = Range::LT;
    switch (form) {
    case 0: ints ? (ia <= r <= ib) : (a <= r <= b); expectBound(r.lower, VAL, LE, a); expectBound(r.upper, VAL, LE, b); break;
    case 1: ints ? (ia < r < ib) : (a < r < b); expectBound(r.lower, VAL, LT, a); expectBound(r.upper, VAL, LT, b); break;
    case 2: ints ? (ia <= r < ib) : (a <= r < b); expectBound(r.lower, VAL, LE, a); expectBound(r.upper, VAL, LT, b); break;
    case 3: ints ? (ia < r <= ib) : (a < r <= b); expectBound(r.lower, VAL, LT, a); expectBound(r.upper, VAL, LE, b); break;
    case 4: ints ? (ia >= r >= ib) : (a >= r >= b); expectBound(r.lower, VAL, LE, b); expectBound(r.upper, VAL, LE, a); break;
    case 5: ints ? (ia > r > ib) : (a > r > b); expectBound(r.lower, VAL, LT, b); expectBound(r.upper, VAL, LT, a); break;
    case 6: ints ? (r >= ia) : (r >= a); expectBound(r.lower, VAL, LE, a); expectBound(r.upper, MAX, LE, 0); break;
    case 7: ints ? (r > ia) : (r > a); expectBound(r.lower, VAL, LT, a); expectBound(r.upper, MAX, LE, 0); break;
    case 8: ints ? (r <= ia) : (r <= a); expectBound(r.lower, MIN, LE, 0); expectBound(r.upper, VAL, LE, a); break;
    case 9: ints ? (r < ia) : (r < a); expectBound(r.lower, MIN, LE, 0); expectBound(r.upper, VAL, LT, a); break;
    case 10: (void)(ints ? (ia <= r) : (a <= r)); expectBound(r.lower, VAL, LE, a); expectBound(r.upper, MAX, LE, 0); break;
    default: expectBound(r.lower, MIN, LE, 0); expectBound(r.upper, MAX, LE, 0); break;
    }

    for (int k = 0; k < 4; ++k) {
        const double x = in.real();
        LUMIDRAFT_FUZZ_CHECK(r.includes(x) == (admitsLower(r.lower, x) && admitsUpper(r.upper, x)));
    }

    // The integer queries against a search with includes: first(1) is the smallest index from 1
    // that the lower end admits, last(n) the largest up to n that the upper end admits.
    Range lowerOnly, upperOnly;
    lowerOnly.lower = r.lower;
    upperOnly.upper = r.upper;
    const int n = in.pick(0, 40);
    int low = 0;
    for (int i = 1; i <= n && !low; ++i)
        if (lowerOnly.includes(i)) low = i;
    const int first = r.first(1);
    if (low) LUMIDRAFT_FUZZ_CHECK(first == low);
    else LUMIDRAFT_FUZZ_CHECK(first > n);
    int high = 0;
    for (int i = n; i >= 1 && !high; --i)
        if (upperOnly.includes(i)) high = i;
    const int last = r.last(n);
    if (high) LUMIDRAFT_FUZZ_CHECK(last == high);
    else LUMIDRAFT_FUZZ_CHECK(last < 1);
    // Whatever the ends hold, the unclipped forms return (saturated) integers without fault.
    (void)r.first();
    (void)r.last();
    try {
        (void)r.lower.value();
        LUMIDRAFT_FUZZ_CHECK(r.lower.kind == VAL);
    } catch (Range::_MINMAX kind) {
        LUMIDRAFT_FUZZ_CHECK(kind == MIN && r.lower.kind == MIN);
    }
}

bool component(double c) { return std::isnan(c) || (c >= 0.0 && c <= 1.0); }

void checkColor(const Color& c)
{
    LUMIDRAFT_FUZZ_CHECK(component(c.r) && component(c.g) && component(c.b) && component(c.a));
}

void color(Input& in)
{
    switch (in.byte() % 6) {
    case 0: checkColor(Color(in.real(-1, 2), in.real(-1, 2), in.real(-1, 2), in.real(-1, 2))); break;
    case 1: checkColor(Color(in.integer(), in.integer(), in.integer(), in.integer())); break;
    case 2: checkColor(Color(static_cast<float>(in.real(-1, 2)), static_cast<float>(in.real(-1, 2)),
                             static_cast<float>(in.real(-1, 2)))); break;
    case 3: checkColor(Color(in.real(-1, 2))); break;
    case 4: {
        Color c(in.real(-1, 2));
        checkColor(c.set(in.integer(), in.integer(), in.integer()));
        checkColor(c.set(static_cast<float>(in.real(-1, 2))));
        // Arithmetic may leave [0, 1] but never faults.
        const Color sum = c + Color(in.real(-1, 2)) - Color(in.integer());
        (void)sum;
        break;
    }
    default: {
        const double g[3] = {in.real(0, 4), in.real(0, 4), in.real(0, 4)};
        const Color before(0.5, 0.25, 0.75);
        bool valid = true;
        for (double x : g) valid = valid && x > 0.0 && std::isfinite(x) && std::isfinite(1.0 / x);
        try {
            Color::setGamma(g[0], g[1], g[2]);
            LUMIDRAFT_FUZZ_CHECK(valid);
        } catch (const Exception&) {
            LUMIDRAFT_FUZZ_CHECK(!valid);
            const Color after(0.5, 0.25, 0.75);
            LUMIDRAFT_FUZZ_CHECK(before == after); // the gamma in force is kept
        }
        checkColor(Color::gray);
        const Color grey(0.5);
        LUMIDRAFT_FUZZ_CHECK(sameBits(Color::gray.r, grey.r) && sameBits(Color::gray.g, grey.g));
        checkColor(Color(in.real(-1, 2), in.real(-1, 2), in.real(-1, 2)));
        break;
    }
    }
}

bool ordered(const Rectangle& r)
{
    const bool anyNaN = std::isnan(r.left) || std::isnan(r.top) || std::isnan(r.right) || std::isnan(r.bottom);
    return anyNaN || (r.left <= r.right && r.top <= r.bottom);
}

void rectangle(Input& in)
{
    const double l = in.real(), t = in.real(), r = in.real(), b = in.real();
    Rectangle rect;
    try {
        rect = Rectangle(l, t, r, b);
        LUMIDRAFT_FUZZ_CHECK(r - l > 0 && b - t > 0);
    } catch (const Exception&) {
        LUMIDRAFT_FUZZ_CHECK(!(r - l > 0 && b - t > 0));
        rect.set(l, t, r, b);
    }
    LUMIDRAFT_FUZZ_CHECK(ordered(rect));
    try {
        const double w = in.real(), h = in.real();
        const Rectangle sized(w, h);
        LUMIDRAFT_FUZZ_CHECK(w > 0 && h > 0);
        LUMIDRAFT_FUZZ_CHECK(sized.left == 0.0 && sized.top == 0.0);
    } catch (const Exception&) {
    }

    switch (in.byte() % 5) {
    case 0: rect.shift(in.real(), in.real()); LUMIDRAFT_FUZZ_CHECK(ordered(rect)); break;
    case 1: rect.centerAt(in.real(), in.real()); break;
    case 2: rect.resize(in.real(), in.real()); break;
    case 3: rect.set(Point(in.real(), in.real()), Point(in.real(), in.real())); LUMIDRAFT_FUZZ_CHECK(ordered(rect)); break;
    default: {
        Rectangle other;
        other.set(in.real(), in.real(), in.real(), in.real());
        const Rectangle before = rect;
        try {
            rect.clip(other);
            // The result lies inside both, when the edges are numbers.
            LUMIDRAFT_FUZZ_CHECK(ordered(rect));
            if (ordered(before) && !std::isnan(before.left + before.right + before.top + before.bottom) &&
                !std::isnan(other.left + other.right + other.top + other.bottom)) {
                LUMIDRAFT_FUZZ_CHECK(rect.left >= before.left && rect.left >= other.left);
                LUMIDRAFT_FUZZ_CHECK(rect.right <= before.right && rect.right <= other.right);
                LUMIDRAFT_FUZZ_CHECK(rect.top >= before.top && rect.top >= other.top);
                LUMIDRAFT_FUZZ_CHECK(rect.bottom <= before.bottom && rect.bottom <= other.bottom);
            }
        } catch (const Exception&) {
            LUMIDRAFT_FUZZ_CHECK(sameBits(rect.left, before.left) && sameBits(rect.top, before.top) &&
                                 sameBits(rect.right, before.right) && sameBits(rect.bottom, before.bottom));
        }
        break;
    }
    }
    (void)rect.getWidth();
    (void)rect.getHeight();
    (void)rect.getCenter();
    Point p(in.real(), in.real());
    p.shift(in.real(), in.real()).setX(in.real()).setY(in.real());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    int steps = 0;
    while (!in.empty() && steps++ < 64) {
        switch (in.byte() % 3) {
        case 0: range(in); break;
        case 1: color(in); break;
        default: rectangle(in); break;
        }
    }
    // The gamma is process-wide: every input starts from gamma 1.
    Color::setGamma(1.0, 1.0, 1.0);
    return 0;
}
