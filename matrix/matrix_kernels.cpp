#include "matrix/matrix_kernels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

// Two doubles at a time where the target has SSE2 (every x86-64 compiler); a plain pair elsewhere.
// Multiplications and additions stay separate operations: this file is built without
// floating-point contraction, so no fused multiply-add changes a rounding.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define LUMIDRAFT_MATRIX_SSE2 1
#include <emmintrin.h>
#else
#define LUMIDRAFT_MATRIX_SSE2 0
#endif

namespace Lumidraft::kernels {

namespace {

#if LUMIDRAFT_MATRIX_SSE2
using Pair = __m128d;
inline Pair load(const double* p) { return _mm_loadu_pd(p); }
inline Pair loadAligned(const double* p) { return _mm_load_pd(p); }
inline void store(double* p, Pair v) { _mm_storeu_pd(p, v); }
inline Pair splat(double x) { return _mm_set1_pd(x); }
inline Pair add(Pair a, Pair b) { return _mm_add_pd(a, b); }
inline Pair sub(Pair a, Pair b) { return _mm_sub_pd(a, b); }
inline Pair mul(Pair a, Pair b) { return _mm_mul_pd(a, b); }
inline Pair div(Pair a, Pair b) { return _mm_div_pd(a, b); }
#else
struct Pair {
    double lo, hi;
};
inline Pair load(const double* p) { return {p[0], p[1]}; }
inline Pair loadAligned(const double* p) { return load(p); }
inline void store(double* p, Pair v) { p[0] = v.lo; p[1] = v.hi; }
inline Pair splat(double x) { return {x, x}; }
inline Pair add(Pair a, Pair b) { return {a.lo + b.lo, a.hi + b.hi}; }
inline Pair sub(Pair a, Pair b) { return {a.lo - b.lo, a.hi - b.hi}; }
inline Pair mul(Pair a, Pair b) { return {a.lo * b.lo, a.hi * b.hi}; }
inline Pair div(Pair a, Pair b) { return {a.lo / b.lo, a.hi / b.hi}; }
#endif

// Scalar forms, so one generic lambda serves the vector body and the tail.
inline double load1(const double* p) { return *p; }
inline double add(double a, double b) { return a + b; }
inline double sub(double a, double b) { return a - b; }
inline double mul(double a, double b) { return a * b; }
[[maybe_unused]] inline double div(double a, double b) { return a / b; }

// t[j] = f(t[j], a[j]) over n elements, four at a time.
template <class F>
void unaryRow(double* t, const double* a, std::ptrdiff_t n, F f)
{
    std::ptrdiff_t j = 0;
    for (; j + 4 <= n; j += 4) {
        store(t + j, f(load(t + j), load(a + j)));
        store(t + j + 2, f(load(t + j + 2), load(a + j + 2)));
    }
    for (; j < n; ++j) t[j] = f(t[j], load1(a + j));
}

template <class F>
void binaryRow(double* t, const double* a, const double* b, std::ptrdiff_t n, F f)
{
    std::ptrdiff_t j = 0;
    for (; j + 4 <= n; j += 4) {
        store(t + j, f(load(t + j), load(a + j), load(b + j)));
        store(t + j + 2, f(load(t + j + 2), load(a + j + 2), load(b + j + 2)));
    }
    for (; j < n; ++j) t[j] = f(t[j], load1(a + j), load1(b + j));
}

// Address span [begin, end) of a block, as integers so unrelated blocks compare safely.
void span(const Block& x, std::uintptr_t& begin, std::uintptr_t& end)
{
    begin = reinterpret_cast<std::uintptr_t>(x.first);
    end = reinterpret_cast<std::uintptr_t>(x.row(x.rows - 1) + x.cols);
}

} // namespace

bool overlaps(const Block& x, const Block& y)
{
    if (x.empty() || y.empty()) return false;
    std::uintptr_t xb, xe, yb, ye;
    span(x, xb, xe);
    span(y, yb, ye);
    return xb < ye && yb < xe;
}

void rowFill(double* t, std::ptrdiff_t n, double value) { std::fill(t, t + n, value); }

void fillBlock(const Block& t, double value)
{
    if (t.empty()) return;
    if (t.contiguous()) {
        rowFill(t.first, static_cast<std::ptrdiff_t>(t.rows) * t.cols, value);
        return;
    }
    for (int i = 0; i < t.rows; ++i) rowFill(t.row(i), t.cols, value);
}

void copyBlock(const Block& t, const Block& s)
{
    if (t.empty() || t.first == s.first) return;
    const std::size_t bytes = static_cast<std::size_t>(t.cols) * sizeof(double);
    if (!overlaps(t, s)) {
        for (int i = 0; i < t.rows; ++i) std::memcpy(t.row(i), s.row(i), bytes);
        return;
    }
    if (t.stride == s.stride) {
        // Two blocks of one matrix: walk rows away from the direction of the shift so that every
        // source row is read before it is overwritten; memmove handles the overlap within a row.
        if (std::less<const double*>()(s.first, t.first)) {
            for (int i = t.rows - 1; i >= 0; --i) std::memmove(t.row(i), s.row(i), bytes);
        } else {
            for (int i = 0; i < t.rows; ++i) std::memmove(t.row(i), s.row(i), bytes);
        }
        return;
    }
    // Overlapping blocks with different strides: go through a copy.
    std::vector<double> copy(static_cast<std::size_t>(t.rows) * t.cols);
    for (int i = 0; i < t.rows; ++i) std::memcpy(copy.data() + static_cast<std::size_t>(i) * t.cols, s.row(i), bytes);
    for (int i = 0; i < t.rows; ++i) std::memcpy(t.row(i), copy.data() + static_cast<std::size_t>(i) * t.cols, bytes);
}

void rowScalar(double* t, std::ptrdiff_t n, double s, bool add)
{
    const Pair sv = splat(s);
    std::ptrdiff_t j = 0;
    if (add) {
        for (; j + 4 <= n; j += 4) {
            store(t + j, Lumidraft::kernels::add(load(t + j), sv));
            store(t + j + 2, Lumidraft::kernels::add(load(t + j + 2), sv));
        }
        for (; j < n; ++j) t[j] = t[j] + s;
    } else {
        for (; j + 4 <= n; j += 4) {
            store(t + j, sub(load(t + j), sv));
            store(t + j + 2, sub(load(t + j + 2), sv));
        }
        for (; j < n; ++j) t[j] = t[j] - s;
    }
}

void rowMatrix(double* t, const double* a, std::ptrdiff_t n, bool add)
{
    if (add)
        unaryRow(t, a, n, [](auto x, auto y) { return Lumidraft::kernels::add(x, y); });
    else
        unaryRow(t, a, n, [](auto x, auto y) { return sub(x, y); });
}

void rowScaled(double* t, const double* a, std::ptrdiff_t n, double s, bool add)
{
    const Pair sv = splat(s);
    if (add)
        unaryRow(t, a, n, [sv, s](auto x, auto y) {
            if constexpr (std::is_same_v<decltype(y), double>)
                return x + s * y;
            else
                return Lumidraft::kernels::add(x, mul(sv, y));
        });
    else
        unaryRow(t, a, n, [sv, s](auto x, auto y) {
            if constexpr (std::is_same_v<decltype(y), double>)
                return x - s * y;
            else
                return sub(x, mul(sv, y));
        });
}

void rowQuotient(double* t, const double* a, std::ptrdiff_t n, double s, bool add)
{
    const Pair sv = splat(s);
    if (add)
        unaryRow(t, a, n, [sv, s](auto x, auto y) {
            if constexpr (std::is_same_v<decltype(y), double>)
                return x + y / s;
            else
                return Lumidraft::kernels::add(x, div(y, sv));
        });
    else
        unaryRow(t, a, n, [sv, s](auto x, auto y) {
            if constexpr (std::is_same_v<decltype(y), double>)
                return x - y / s;
            else
                return sub(x, div(y, sv));
        });
}

void rowElementProduct(double* t, const double* a, const double* b, std::ptrdiff_t n, bool add)
{
    if (add)
        binaryRow(t, a, b, n, [](auto x, auto y, auto z) { return Lumidraft::kernels::add(x, mul(y, z)); });
    else
        binaryRow(t, a, b, n, [](auto x, auto y, auto z) { return sub(x, mul(y, z)); });
}

void rowElementPower(double* t, const double* a, std::ptrdiff_t n, double s, bool add)
{
    if (add)
        for (std::ptrdiff_t j = 0; j < n; ++j) t[j] = t[j] + std::pow(a[j], s);
    else
        for (std::ptrdiff_t j = 0; j < n; ++j) t[j] = t[j] - std::pow(a[j], s);
}

// ---------------------------------------------------------------------------------------------
// Sums in one pass. Each target element is loaded once (or starts at +0.0), receives its terms in
// order in a register and is stored once. The operation of every term is fixed at compile time:
// the row kernels of one to three terms exist for every combination of codes; four terms use the
// multiply form for all (t + 1.0 * a is t + a and t + (-1.0) * a is t - a, exactly).

namespace {

using RowFn = void (*)(double* t, const double* const* a, const double* f, std::ptrdiff_t n);

template <TermCode C, class V>
inline V applyTerm(V t, V x, V f)
{
    if constexpr (C == TermCode::Plus)
        return add(t, x);
    else if constexpr (C == TermCode::Minus)
        return sub(t, x);
    else
        return add(t, mul(f, x));
}

template <bool FromZero, TermCode... C, std::size_t... I>
void fusedRow(double* t, const double* const* a, const double* f, std::ptrdiff_t n, std::index_sequence<I...>)
{
    constexpr std::size_t count = sizeof...(C);
    const double* const src[count] = {a[I]...};
    const double fs[count] = {f[I]...};
    const Pair fv[count] = {splat(f[I])...};
    std::ptrdiff_t j = 0;
    for (; j + 8 <= n; j += 8) {
        Pair v0, v1, v2, v3;
        if constexpr (FromZero) {
            v0 = v1 = v2 = v3 = splat(0.0);
        } else {
            v0 = load(t + j), v1 = load(t + j + 2), v2 = load(t + j + 4), v3 = load(t + j + 6);
        }
        ((v0 = applyTerm<C>(v0, load(src[I] + j), fv[I]), v1 = applyTerm<C>(v1, load(src[I] + j + 2), fv[I]),
          v2 = applyTerm<C>(v2, load(src[I] + j + 4), fv[I]), v3 = applyTerm<C>(v3, load(src[I] + j + 6), fv[I])),
         ...);
        store(t + j, v0), store(t + j + 2, v1), store(t + j + 4, v2), store(t + j + 6, v3);
    }
    for (; j + 2 <= n; j += 2) {
        Pair v = FromZero ? splat(0.0) : load(t + j);
        ((v = applyTerm<C>(v, load(src[I] + j), fv[I])), ...);
        store(t + j, v);
    }
    for (; j < n; ++j) {
        double v = FromZero ? 0.0 : t[j];
        ((v = applyTerm<C>(v, src[I][j], fs[I])), ...);
        t[j] = v;
    }
}

template <bool FromZero, TermCode... C>
void fusedRow(double* t, const double* const* a, const double* f, std::ptrdiff_t n)
{
    fusedRow<FromZero, C...>(t, a, f, n, std::index_sequence_for<decltype(C)...>{});
}

// Codes of up to three terms numbered in base 3, the first term in the lowest digit.
constexpr int codeCount = 3;

constexpr TermCode codeAt(std::size_t index, std::size_t k)
{
    for (; k > 0; --k) index /= codeCount;
    return static_cast<TermCode>(index % codeCount);
}

template <bool FromZero, std::size_t Index, std::size_t... K>
constexpr RowFn rowFor(std::index_sequence<K...>)
{
    return &fusedRow<FromZero, codeAt(Index, K)...>;
}

template <bool FromZero, std::size_t Terms, std::size_t... Index>
constexpr std::array<RowFn, sizeof...(Index)> rowTable(std::index_sequence<Index...>)
{
    return {rowFor<FromZero, Index>(std::make_index_sequence<Terms>{})...};
}

template <bool FromZero, std::size_t Terms>
constexpr auto rowTable()
{
    constexpr std::size_t size = Terms == 1 ? 3 : Terms == 2 ? 9 : 27;
    return rowTable<FromZero, Terms>(std::make_index_sequence<size>{});
}

template <bool FromZero>
RowFn pickRow(const Term* terms, int count)
{
    static constexpr auto one = rowTable<FromZero, 1>();
    static constexpr auto two = rowTable<FromZero, 2>();
    static constexpr auto three = rowTable<FromZero, 3>();
    if (count == 4)
        return &fusedRow<FromZero, TermCode::Times, TermCode::Times, TermCode::Times, TermCode::Times>;
    std::size_t index = 0;
    for (int k = count - 1; k >= 0; --k) index = index * codeCount + static_cast<std::size_t>(terms[k].code);
    return count == 1 ? one[index] : count == 2 ? two[index] : three[index];
}

} // namespace

void accumulateTerms(const Block& t, const Term* terms, int count, bool fromZero)
{
    if (t.empty() || count <= 0) return;
    const RowFn row = fromZero ? pickRow<true>(terms, count) : pickRow<false>(terms, count);
    double factor[maxFusedTerms];
    const double* src[maxFusedTerms];
    bool flat = t.contiguous();
    for (int k = 0; k < count; ++k) {
        const Term& term = terms[k];
        // The four-term kernel multiplies every term: plain terms by +-1.0.
        factor[k] = count < 4 || term.code == TermCode::Times ? term.factor
                    : term.code == TermCode::Plus            ? 1.0
                                                             : -1.0;
        flat = flat && term.a.contiguous();
    }
    if (flat) {
        for (int k = 0; k < count; ++k) src[k] = terms[k].a.first;
        row(t.first, src, factor, static_cast<std::ptrdiff_t>(t.rows) * t.cols);
        return;
    }
    for (int i = 0; i < t.rows; ++i) {
        for (int k = 0; k < count; ++k) src[k] = terms[k].a.row(i);
        row(t.row(i), src, factor, t.cols);
    }
}

// ---------------------------------------------------------------------------------------------
// Matrix product. A register tile of 6 x 4 target elements is loaded from the target, receives
// the terms of one block of k in ascending order and is stored back; blocks of k follow each
// other in ascending order, so every element sees its terms in ascending k. Operands are copied
// into panels first (the rows of a with the sign folded in: t - a*b equals t + (-a)*b exactly).

namespace {

constexpr int MR = 6;   // tile rows
constexpr int NR = 4;   // tile columns
constexpr int KC = 256; // terms per block: a tile's panels stay in the first-level cache
constexpr int MC = 96;  // rows of a per packed block
constexpr int NC = 2048;

// Columns j0..j0+nc of rows k0..k0+kc of b, as panels of NR columns, k-major, zero-padded.
void packB(const Block& b, int k0, int kc, int j0, int nc, double* out)
{
    for (int jp = 0; jp < nc; jp += NR) {
        const int width = std::min(NR, nc - jp);
        for (int k = 0; k < kc; ++k) {
            const double* src = b.row(k0 + k) + j0 + jp;
            int c = 0;
            for (; c < width; ++c) out[c] = src[c];
            for (; c < NR; ++c) out[c] = 0.0;
            out += NR;
        }
    }
}

// Rows i0..i0+mc of columns k0..k0+kc of a, as panels of MR rows, k-major, zero-padded, negated
// when subtracting. Every value is stored twice, so the tile loads it as a ready pair.
void packA(const Block& a, int i0, int mc, int k0, int kc, bool add, double* out)
{
    for (int ip = 0; ip < mc; ip += MR) {
        const int height = std::min(MR, mc - ip);
        for (int r = 0; r < height; ++r) {
            const double* src = a.row(i0 + ip + r) + k0;
            double* dst = out + 2 * r;
            for (int k = 0; k < kc; ++k) {
                const double v = add ? src[k] : -src[k];
                dst[static_cast<std::ptrdiff_t>(k) * 2 * MR] = v;
                dst[static_cast<std::ptrdiff_t>(k) * 2 * MR + 1] = v;
            }
        }
        for (int r = height; r < MR; ++r)
            for (int k = 0; k < kc; ++k) {
                out[(static_cast<std::ptrdiff_t>(k) * MR + r) * 2] = 0.0;
                out[(static_cast<std::ptrdiff_t>(k) * MR + r) * 2 + 1] = 0.0;
            }
        out += static_cast<std::ptrdiff_t>(kc) * MR * 2;
    }
}

// One MR x NR tile: c (rows ldc apart) += ap * bp over kc terms. Only the first mr x nr
// elements of the tile exist in the target.
void tile(int kc, const double* ap, const double* bp, double* c, std::ptrdiff_t ldc, int mr, int nr)
{
    double edge[MR * NR];
    double* dst = c;
    std::ptrdiff_t ld = ldc;
    if (mr < MR || nr < NR) {
        for (int r = 0; r < MR; ++r)
            for (int q = 0; q < NR; ++q) edge[r * NR + q] = (r < mr && q < nr) ? c[r * ldc + q] : 0.0;
        dst = edge;
        ld = NR;
    }
    // Twelve accumulators, two pairs of b and one of a: within the sixteen vector registers.
    Pair c00 = load(dst), c01 = load(dst + 2);
    Pair c10 = load(dst + ld), c11 = load(dst + ld + 2);
    Pair c20 = load(dst + 2 * ld), c21 = load(dst + 2 * ld + 2);
    Pair c30 = load(dst + 3 * ld), c31 = load(dst + 3 * ld + 2);
    Pair c40 = load(dst + 4 * ld), c41 = load(dst + 4 * ld + 2);
    Pair c50 = load(dst + 5 * ld), c51 = load(dst + 5 * ld + 2);
    for (int k = 0; k < kc; ++k) {
        const Pair b0 = load(bp), b1 = load(bp + 2);
        c00 = add(c00, mul(loadAligned(ap), b0));
        c01 = add(c01, mul(loadAligned(ap), b1));
        c10 = add(c10, mul(loadAligned(ap + 2), b0));
        c11 = add(c11, mul(loadAligned(ap + 2), b1));
        c20 = add(c20, mul(loadAligned(ap + 4), b0));
        c21 = add(c21, mul(loadAligned(ap + 4), b1));
        c30 = add(c30, mul(loadAligned(ap + 6), b0));
        c31 = add(c31, mul(loadAligned(ap + 6), b1));
        c40 = add(c40, mul(loadAligned(ap + 8), b0));
        c41 = add(c41, mul(loadAligned(ap + 8), b1));
        c50 = add(c50, mul(loadAligned(ap + 10), b0));
        c51 = add(c51, mul(loadAligned(ap + 10), b1));
        ap += 2 * MR;
        bp += NR;
    }
    store(dst, c00), store(dst + 2, c01);
    store(dst + ld, c10), store(dst + ld + 2, c11);
    store(dst + 2 * ld, c20), store(dst + 2 * ld + 2, c21);
    store(dst + 3 * ld, c30), store(dst + 3 * ld + 2, c31);
    store(dst + 4 * ld, c40), store(dst + 4 * ld + 2, c41);
    store(dst + 5 * ld, c50), store(dst + 5 * ld + 2, c51);
    if (dst == edge)
        for (int r = 0; r < mr; ++r)
            for (int q = 0; q < nr; ++q) c[r * ldc + q] = edge[r * NR + q];
}

int roundUp(int n, int m) { return (n + m - 1) / m * m; }

} // namespace

void productAccumulate(const Block& t, const Block& a, const Block& b, bool add)
{
    const int M = t.rows, N = t.cols, K = a.cols;
    if (M <= 0 || N <= 0 || K <= 0) return;

    const int ncMax = std::min(NC, roundUp(N, NR));
    const int kcMax = std::min(KC, K);
    const int mcMax = std::min(MC, roundUp(M, MR));
    std::vector<double> bPacked(static_cast<std::size_t>(kcMax) * ncMax);
    // std::vector's storage is aligned for any scalar type (16 bytes), as the pair loads of the
    // packed a need.
    std::vector<double> aPacked(static_cast<std::size_t>(kcMax) * mcMax * 2);

    for (int j0 = 0; j0 < N; j0 += NC) {
        const int nc = std::min(NC, N - j0);
        for (int k0 = 0; k0 < K; k0 += KC) {
            const int kc = std::min(KC, K - k0);
            packB(b, k0, kc, j0, nc, bPacked.data());
            for (int i0 = 0; i0 < M; i0 += MC) {
                const int mc = std::min(MC, M - i0);
                packA(a, i0, mc, k0, kc, add, aPacked.data());
                for (int jp = 0; jp < nc; jp += NR) {
                    const double* bp = bPacked.data() + static_cast<std::ptrdiff_t>(jp) * kc;
                    for (int ip = 0; ip < mc; ip += MR) {
                        const double* ap = aPacked.data() + static_cast<std::ptrdiff_t>(ip) * kc * 2;
                        tile(kc, ap, bp, t.row(i0 + ip) + j0 + jp, t.stride, std::min(MR, mc - ip),
                             std::min(NR, nc - jp));
                    }
                }
            }
        }
    }
}

} // namespace Lumidraft::kernels
