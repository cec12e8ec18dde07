// Element kernels behind matrix evaluation. Every target element receives its terms one at a time
// in a fixed order (t = t + term, or t - term), so results do not depend on how the work is
// chunked, blocked or vectorised. Internal to the matrix subsystem.
#pragma once

#include <cstddef>

namespace Lumidraft::kernels {

// A rectangular block of doubles walked by rows: rows x cols elements, rows `stride` apart.
struct Block {
    double* first = nullptr;
    std::ptrdiff_t stride = 0;
    int rows = 0;
    int cols = 0;

    double* row(int i) const { return first + static_cast<std::ptrdiff_t>(i) * stride; }
    bool empty() const { return rows <= 0 || cols <= 0; }
    // Rows laid end to end with no gap, so the block can be walked as one long row.
    bool contiguous() const { return stride == cols || rows <= 1; }
};

// True when the memory spans of the two blocks intersect.
bool overlaps(const Block& x, const Block& y);

void fillBlock(const Block& t, double value);
// Copies s into t (same shape); correct even when the two blocks overlap in one matrix.
void copyBlock(const Block& t, const Block& s);

// Row kernels over n elements; t must not overlap the operands.
void rowFill(double* t, std::ptrdiff_t n, double value);
void rowScalar(double* t, std::ptrdiff_t n, double s, bool add);
void rowMatrix(double* t, const double* a, std::ptrdiff_t n, bool add);
void rowScaled(double* t, const double* a, std::ptrdiff_t n, double s, bool add);
void rowQuotient(double* t, const double* a, std::ptrdiff_t n, double s, bool add);
void rowElementProduct(double* t, const double* a, const double* b, std::ptrdiff_t n, bool add);
void rowElementPower(double* t, const double* a, std::ptrdiff_t n, double s, bool add);

// One term of a sum evaluated in a single pass. Plain matrix terms keep their own operation
// (t + a, t - a); a scaled term is t + f * a with the sign folded into f, which rounds exactly
// as t - s * a does for every s that is not a NaN.
enum class TermCode : unsigned char { Plus, Minus, Times };
struct Term {
    TermCode code = TermCode::Plus;
    double factor = 0.0; // Times only
    Block a{};
};

// Most terms accumulateTerms takes at once.
constexpr int maxFusedTerms = 4;

// t = (...((t + term 1) + term 2) ...) + term count, each target element loaded and stored once and
// its terms applied in order in registers; with fromZero the start is +0.0 instead of t, so a
// first term of -0.0 gives +0.0. 1 <= count <= maxFusedTerms; every a has t's shape and none
// overlaps t.
void accumulateTerms(const Block& t, const Term* terms, int count, bool fromZero);

// t(i,j) += a(i,k) * b(k,j) (or -=) for k = 0..a.cols-1 in ascending order, one term at a time.
// t must not overlap a or b. Shapes are the caller's to check.
void productAccumulate(const Block& t, const Block& a, const Block& b, bool add);

} // namespace Lumidraft::kernels
