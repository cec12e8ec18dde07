#include "matrix/matrix.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <typeinfo>
#include <utility>

#include "app/exception.h"
#include "matrix/evaluation_plan.h"
#include "matrix/matrix_kernels.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace Lumidraft {

namespace {

kernels::Block blockOf(const Matrix& m)
{
    kernels::Block block;
    int stride = 0;
    m.rowAccess(block.first, stride);
    block.stride = stride;
    block.rows = m.getRows();
    block.cols = m.getCols();
    return block;
}

// Circular shift amount in 0..n-1: positive counts move forward, negative ones backward.
int wrapShift(int shift, int n)
{
    const long long s = shift;
    const long long m = s > 0 ? s % n : n - (-s % n);
    return static_cast<int>(m % n);
}

// Element storage. Large matrices start on a 2 MiB boundary and ask the system for huge pages:
// a sum over 1000 x 1000 operands otherwise walks thousands of 4 KiB pages, and the address
// translation misses cost a good part of the sum (measured: 10-15 % of C = A + B - D). Only the
// whole huge pages inside the storage are asked for, so no memory is added. Storage from here is
// given back with releaseElements.
constexpr std::size_t hugePage = std::size_t{2} << 20;
constexpr std::size_t hugePageStorageFrom = std::size_t{4} << 20; // bytes; smaller gain little

double* newElements(std::size_t n)
{
    const std::size_t bytes = n * sizeof(double);
#if defined(__linux__)
    if (bytes >= hugePageStorageFrom) {
        void* p = nullptr;
        if (posix_memalign(&p, hugePage, bytes) != 0) throw std::bad_alloc();
        // A hint: without huge pages the storage works the same.
        madvise(p, bytes / hugePage * hugePage, MADV_HUGEPAGE);
        return static_cast<double*>(p);
    }
#endif
    void* p = std::malloc(bytes);
    if (!p) throw std::bad_alloc();
    return static_cast<double*>(p);
}

void releaseElements(double* elements) { std::free(elements); }

} // namespace

Matrix::Matrix() : rows(0), cols(0), count(0), elements(nullptr), allocated(false), kind(1) {}

Matrix::Matrix(int rows, int cols) : Matrix() { allocateZeroed(rows, cols); }

Matrix::Matrix(const Matrix& source) : Matrix()
{
    allocate(source.getRows(), source.getCols());
    copyFrom(source);
}

Matrix::Matrix(const MatrixExpression& source) : Matrix()
{
    allocate(source.getRows(), source.getCols());
    *this = source;
}

Matrix::Matrix(Matrix&& source) noexcept : Matrix()
{
    if (source.kind == 1 && source.allocated) {
        std::swap(rows, source.rows);
        std::swap(cols, source.cols);
        std::swap(count, source.count);
        std::swap(elements, source.elements);
        allocated = true;
        source.allocated = false;
        return;
    }
    // Anything else (a view, a matrix without storage) is copied as the copy constructor would;
    // a failure leaves this matrix without storage rather than escaping a noexcept move.
    try {
        allocate(source.getRows(), source.getCols());
        copyFrom(source);
    } catch (...) {
        // Storage allocated before the copy failed holds no values: give it back, so the matrix
        // is plainly without storage rather than valid-looking garbage.
        if (allocated) releaseElements(elements);
        elements = nullptr;
        allocated = false;
        rows = cols = count = 0;
    }
}

Matrix::~Matrix()
{
    if (allocated) releaseElements(elements);
}

void Matrix::raiseNoMemory() const
{
    throw Exception(typeid(*this), "NO MEMORY ERROR", "Memory not allocated");
}

void Matrix::raiseSizeMismatch() const
{
    throw Exception(typeid(*this), "EXPRESSION ERROR", "Matrix size did not matched");
}

void Matrix::requireSameSize(const Matrix& other) const
{
    if (rows != other.getRows() || cols != other.getCols()) raiseSizeMismatch();
}

void Matrix::allocate(int r, int c)
{
    if (r <= 0) throw Exception(typeid(*this), "FORMAT ERROR", "Number of rows must be positive integer.");
    if (c <= 0) throw Exception(typeid(*this), "FORMAT ERROR", "Number of columns must be positive integer.");
    if (allocated) return;
    // The element count is a 32-bit integer; a shape beyond it cannot be stored.
    const long long n = static_cast<long long>(r) * c;
    if (n > INT_MAX) throw std::bad_alloc();
    elements = newElements(static_cast<std::size_t>(n));
    rows = r;
    cols = c;
    count = static_cast<int>(n);
    allocated = true;
}

void Matrix::allocateZeroed(int r, int c)
{
    if (allocated) return;
    allocate(r, c);
    fill(0.0);
}

void Matrix::dump(int indent) const
{
    std::cout << std::string(static_cast<std::size_t>(indent > 0 ? indent : 0), ' ') << "Matrix " << rows << "*"
              << cols << ":" << static_cast<const void*>(this) << std::endl;
}

void Matrix::swap(Matrix& other)
{
    if (allocated && other.allocated) {
        std::swap(rows, other.rows);
        std::swap(cols, other.cols);
        std::swap(count, other.count);
        std::swap(elements, other.elements);
        return;
    }
    if (!hasInstance() || !other.hasInstance()) raiseNoMemory();
    // One side is a view: exchange the elements through a copy.
    Matrix temporary(rows, cols);
    temporary = *this;
    *this = other;
    other = temporary;
}

bool Matrix::hasInstance() const { return allocated; }

Matrix* Matrix::instance() const { return allocated ? const_cast<Matrix*>(this) : nullptr; }

void Matrix::rowAccess(double*& first, int& stride) const
{
    if (!allocated) raiseNoMemory();
    first = elements;
    stride = cols;
}

bool Matrix::refersTo(const Matrix& m) const { return &m == this; }

void Matrix::evaluateInto(Matrix&, bool) const
{
    throw Exception(typeid(*this), "SYSTEM EXPRESSION ERROR", "Please notify this error to developers");
}

Matrix& Matrix::operator=(const MatrixExpression& source)
{
    if (!allocated) allocate(source.getRows(), source.getCols());
    requireSameSize(source);
    if (source.hasInstance()) {
        copyFrom(source);
        return *this;
    }
    Matrix* m = instance();
    EvaluationPlan plan(rows, cols);
    plan.apply(source, true);
    if (!source.refersTo(*m)) {
        plan.run(*this, true);
    } else {
        // The expression reads this matrix: evaluate into fresh storage and take it over.
        Matrix result;
        result.allocate(rows, cols);
        plan.run(result, true);
        m->swap(result);
    }
    return *this;
}

Matrix& Matrix::operator=(const Matrix& source)
{
    if (!allocated) allocate(source.getRows(), source.getCols());
    requireSameSize(source);
    copyFrom(source);
    return *this;
}

Matrix& Matrix::operator=(double value)
{
    if (!allocated) raiseNoMemory();
    fill(value);
    return *this;
}

void Matrix::copyFrom(const Matrix& source)
{
    // Unequal shapes would read or write past one of the two blocks.
    requireSameSize(source);
    kernels::copyBlock(blockOf(*this), blockOf(source));
}

void Matrix::fill(double value) { kernels::fillBlock(blockOf(*this), value); }

MatrixExpression Matrix::operator()(const Range& rowRange, const Range& colRange)
{
    return MatrixExpression(*this, rowRange, colRange, MatrixExpression::View);
}

MatrixExpression Matrix::operator()(const Range& rowRange, int col)
{
    Range colRange;
    col <= colRange <= col;
    return MatrixExpression(*this, rowRange, colRange, MatrixExpression::View);
}

MatrixExpression Matrix::operator()(int row, const Range& colRange)
{
    Range rowRange;
    row <= rowRange <= row;
    return MatrixExpression(*this, rowRange, colRange, MatrixExpression::View);
}

double& Matrix::operator()(int row, int col)
{
    if (elements == nullptr)
        throw Exception(typeid(*this), "OPERAND ERROR", "This operated matrix has no instance");
    if (row < 1 || row > rows || col < 1 || col > cols)
        throw Exception(typeid(*this), "INDEX ERROR", "Matrix index out of range.");
    return elements[static_cast<std::ptrdiff_t>(row - 1) * cols + (col - 1)];
}

Matrix& Matrix::shiftCircular(int rowShift, int colShift)
{
    Matrix shifted(rows, cols);
    const kernels::Block source = blockOf(*this);
    const kernels::Block target = blockOf(shifted);
    const int down = wrapShift(rowShift, rows);
    const int right = wrapShift(colShift, cols);
    const std::size_t head = static_cast<std::size_t>(cols - right) * sizeof(double);
    const std::size_t tail = static_cast<std::size_t>(right) * sizeof(double);
    for (int i = 0; i < rows; ++i) {
        const double* from = source.row(i);
        double* to = target.row((down + i) % rows);
        std::memcpy(to + right, from, head);
        std::memcpy(to, from + (cols - right), tail);
    }
    swap(shifted);
    return *this;
}

Matrix& Matrix::transpose()
{
    Matrix turned(cols, rows);
    const kernels::Block source = blockOf(*this);
    for (int i = 0; i < rows; ++i) {
        const double* from = source.row(i);
        for (int j = 0; j < cols; ++j) turned.elements[static_cast<std::ptrdiff_t>(j) * rows + i] = from[j];
    }
    swap(turned);
    return *this;
}

Matrix& Matrix::rotateQuarters(int quarters)
{
    // Quarter turns counter-clockwise as the matrix is printed (row 1 on top); negative counts
    // turn clockwise.
    const int q = wrapShift(quarters, 4);
    if (q == 0) return *this;
    const int r = rows, c = cols;
    Matrix turned(q == 2 ? r : c, q == 2 ? c : r);
    const kernels::Block source = blockOf(*this);
    double* out = turned.elements;
    for (int i = 0; i < r; ++i) {
        const double* from = source.row(i);
        for (int j = 0; j < c; ++j) {
            std::ptrdiff_t at = 0;
            if (q == 1) at = static_cast<std::ptrdiff_t>(c - 1 - j) * r + i;       // new(c-j, i)
            else if (q == 2) at = static_cast<std::ptrdiff_t>(r - 1 - i) * c + (c - 1 - j);
            else at = static_cast<std::ptrdiff_t>(j) * r + (r - 1 - i);            // new(j, r-i)
            out[at] = from[j];
        }
    }
    swap(turned);
    return *this;
}

Matrix& Matrix::reshape(int r, int c)
{
    if (r <= 0 || c <= 0 || static_cast<long long>(r) * c != static_cast<long long>(rows) * cols)
        throw Exception(typeid(*this), "EXPRESSION ERROR", "Rows*Cols must be equal before and after the reshape.");
    rows = r;
    cols = c;
    return *this;
}

Matrix& Matrix::catRow(const Matrix& lower)
{
    if (!allocated || !lower.allocated || cols != lower.cols)
        throw Exception(typeid(*this), "EXPRESSION ERROR", "Both cols must be same when cat Matrix in row.");
    if (static_cast<long long>(rows) + lower.rows > INT_MAX) throw std::bad_alloc();
    Matrix joined;
    joined.allocate(rows + lower.rows, cols);
    const kernels::Block all = blockOf(joined);
    kernels::Block upperPart = all, lowerPart = all;
    upperPart.rows = rows;
    lowerPart.first = all.row(rows);
    lowerPart.rows = lower.rows;
    kernels::copyBlock(upperPart, blockOf(*this));
    kernels::copyBlock(lowerPart, blockOf(lower));
    swap(joined);
    return *this;
}

double Matrix::max() const
{
    double result = (*this)(1, 1);
    const kernels::Block b = blockOf(*this);
    for (int i = 0; i < b.rows; ++i) {
        const double* row = b.row(i);
        for (int j = 0; j < b.cols; ++j)
            if (result <= row[j]) result = row[j];
    }
    return result;
}

double Matrix::min() const
{
    double result = (*this)(1, 1);
    const kernels::Block b = blockOf(*this);
    for (int i = 0; i < b.rows; ++i) {
        const double* row = b.row(i);
        for (int j = 0; j < b.cols; ++j)
            if (result >= row[j]) result = row[j];
    }
    return result;
}

Matrix& Matrix::allocateGrid(const Range& rowRange, double rowStep, const Range& colRange, double colStep)
{
    const double rowLower = rowRange.lower.value(), rowUpper = rowRange.upper.value();
    const double colLower = colRange.lower.value(), colUpper = colRange.upper.value();
    // Counts that are not finite or beyond an int are refused like any other invalid count.
    auto countOf = [](double span) {
        if (!(span > 0.0)) return 0;
        if (span >= static_cast<double>(INT_MAX)) return INT_MAX;
        return static_cast<int>(span);
    };
    const int n = countOf((rowUpper - rowLower) / rowStep);
    const int m = countOf((colUpper - colLower) / colStep);
    if (allocated) return *this;
    allocate(n, m);
    double y = rowLower;
    for (int i = 0; i < n; ++i) {
        double* row = elements + static_cast<std::ptrdiff_t>(i) * cols;
        double x = colLower;
        for (int j = 0; j < m; ++j) {
            row[j] = y + x;
            x = x + colStep;
        }
        y = y + rowStep;
    }
    return *this;
}

Matrix& Matrix::applyToEach(double (*function)(double))
{
    const kernels::Block b = blockOf(*this);
    for (int i = 0; i < b.rows; ++i) {
        double* row = b.row(i);
        for (int j = 0; j < b.cols; ++j) row[j] = function(row[j]);
    }
    return *this;
}

void Matrix::accumulateScalar(double s, bool add)
{
    EvaluationPlan plan(rows, cols);
    plan.scalar(s, add);
    plan.run(*this, false);
}

void Matrix::accumulateMatrix(const Matrix& a, bool add)
{
    EvaluationPlan plan(rows, cols);
    plan.matrix(a, add);
    plan.run(*this, false);
}

void Matrix::accumulateScaled(const Matrix& a, double s, bool add)
{
    EvaluationPlan plan(rows, cols);
    plan.scaled(a, s, add);
    plan.run(*this, false);
}

void Matrix::accumulateQuotient(const Matrix& a, double s, bool add)
{
    EvaluationPlan plan(rows, cols);
    plan.quotient(a, s, add);
    plan.run(*this, false);
}

void Matrix::accumulateProduct(const Matrix& a, const Matrix& b, bool add)
{
    EvaluationPlan plan(rows, cols);
    plan.product(a, b, add);
    plan.run(*this, false);
}

void Matrix::accumulateElementProduct(const Matrix& a, const Matrix& b, bool add)
{
    EvaluationPlan plan(rows, cols);
    plan.elementProduct(a, b, add);
    plan.run(*this, false);
}

void Matrix::accumulateElementPower(const Matrix& a, double s, bool add)
{
    EvaluationPlan plan(rows, cols);
    plan.elementPower(a, s, add);
    plan.run(*this, false);
}

void Matrix::accumulatePower(const Matrix& a, double s, bool add)
{
    EvaluationPlan plan(rows, cols);
    plan.power(a, s, add);
    plan.run(*this, false);
}

std::ostream& operator<<(std::ostream& out, const Matrix& m)
{
    if (!m.hasInstance()) return out;
    for (int i = 1; i <= m.getRows(); ++i) {
        for (int j = 1; j <= m.getCols(); ++j) out << m(i, j) << "\t";
        out << std::endl;
    }
    return out;
}

} // namespace Lumidraft
