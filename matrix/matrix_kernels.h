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

// t(i,j) += a(i,k) * b(k,j) (or -=) for k = 0..a.cols-1 in ascending order, one term at a time.
// t must not overlap a or b. Shapes are the caller's to check.
void productAccumulate(const Block& t, const Block& a, const Block& b, bool add);

} // namespace Lumidraft::kernels
