#include "matrix/matrix_expression.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <typeinfo>

#include "app/exception.h"
#include "matrix/evaluation_plan.h"

namespace Lumidraft {

namespace {

[[noreturn]] void raiseFormat()
{
    throw Exception(typeid(MatrixExpression), "EXPRESSION ERROR", "Operad format was failed.");
}

// Number of indices from low to high, never negative: a range that selects nothing gives an
// empty view.
int spanOf(int low, int high)
{
    const long long n = static_cast<long long>(high) - low + 1;
    return n > 0 ? static_cast<int>(n) : 0;
}

Range closed(int low, int high)
{
    Range r;
    low <= r <= high;
    return r;
}

// Print characters by kind; 11 to 15 are this implementation's own.
char kindCharacter(int kind)
{
    static const char characters[] = "NS+-*/+-*/.^~IE";
    return kind >= 1 && kind <= 15 ? characters[kind - 1] : '?';
}

} // namespace

MatrixExpression::MatrixExpression(const Matrix& l, const Matrix& r, int k)
    : left(const_cast<Matrix*>(&l)), right(const_cast<Matrix*>(&r)), firstInteger(0), secondInteger(0),
      scalar(0.0), rowLow(1), colLow(1)
{
    if (k != Sum && k != Difference && k != Product && k != Quotient && k != ElementProduct) raiseFormat();
    kind = k;
    rows = l.getRows();
    cols = k == Product ? r.getCols() : l.getCols();
}

MatrixExpression::MatrixExpression(const Matrix& l, double s, int k)
    : left(const_cast<Matrix*>(&l)), right(nullptr), firstInteger(0), secondInteger(0), scalar(s), rowLow(1),
      colLow(1)
{
    if (k != ScalarSum && k != ScalarDifference && k != ScalarProduct && k != ScalarQuotient && k != Power &&
        k != ElementPower)
        raiseFormat();
    kind = k;
    rows = l.getRows();
    cols = l.getCols();
}

MatrixExpression::MatrixExpression(Matrix& source, const Range& rr, const Range& cr, int k)
    : left(&source), right(nullptr), firstInteger(0), secondInteger(0), rowRange(rr), colRange(cr), scalar(0.0),
      rowLow(1), colLow(1)
{
    if (k != View && k != Elementwise) raiseFormat();
    kind = k;
    // Clipped to the source: an end without a limit, or beyond the source, means its first or
    // last row or column.
    rowLow = rowRange.first(1);
    colLow = colRange.first(1);
    rows = spanOf(rowLow, rowRange.last(source.getRows()));
    cols = spanOf(colLow, colRange.last(source.getCols()));
}

MatrixExpression::MatrixExpression(int first, int second, int k)
    : left(nullptr), right(nullptr), firstInteger(first), secondInteger(second), scalar(0.0), rowLow(1), colLow(1)
{
    if (k != IntegerPair) raiseFormat();
    kind = k;
    rows = first;
    cols = second;
}

MatrixExpression::MatrixExpression(const MatrixExpression& other)
    : Matrix(), left(other.left), right(other.right), firstInteger(other.firstInteger),
      secondInteger(other.secondInteger), rowRange(other.rowRange), colRange(other.colRange), scalar(other.scalar),
      rowLow(other.rowLow), colLow(other.colLow)
{
    kind = other.kind;
    rows = other.rows;
    cols = other.cols;
}

MatrixExpression::~MatrixExpression() = default;

void MatrixExpression::dump(int indent) const
{
    std::cout << std::string(static_cast<std::size_t>(indent > 0 ? indent : 0), ' ') << "Matrix op"
              << kindCharacter(kind) << ":" << static_cast<const void*>(this) << std::endl;
    if (left && left != this) left->dump(indent + 1);
    if (right && right != this) right->dump(indent + 1);
}

void MatrixExpression::swap(Matrix& other)
{
    if (!hasInstance() || !other.hasInstance()) raiseNoMemory();
    Matrix temporary(rows, cols);
    temporary = *this;
    *this = other;
    other = temporary;
}

bool MatrixExpression::hasInstance() const { return isView() && left->hasInstance(); }

Matrix* MatrixExpression::instance() const { return isView() ? left->instance() : nullptr; }

void MatrixExpression::rowAccess(double*& first, int& stride) const
{
    if (!isView()) throw Exception();
    left->rowAccess(first, stride);
    if (rows <= 0 || cols <= 0) return;
    // The source may have changed shape since the view was taken; never reach outside it, on
    // either side.
    if (rowLow < 1 || colLow < 1 || rowLow - 1 + static_cast<long long>(rows) > left->getRows() ||
        colLow - 1 + static_cast<long long>(cols) > left->getCols())
        throw Exception(typeid(*this), "EXPRESSION ERROR", "View lies outside its matrix.");
    first += static_cast<std::ptrdiff_t>(rowLow - 1) * stride + (colLow - 1);
}

bool MatrixExpression::refersTo(const Matrix& m) const
{
    return (left && left->refersTo(m)) || (right && right->refersTo(m));
}

void MatrixExpression::evaluateInto(Matrix& target, bool add) const
{
    EvaluationPlan plan(rows, cols);
    plan.applyNode(*this, add);
    plan.run(target, false);
}

MatrixExpression& MatrixExpression::operator=(const MatrixExpression& source)
{
    requireSameSize(source);
    if (!hasInstance()) raiseNoMemory();
    // An empty block takes nothing, whichever path the source would go (the aliasing one would
    // otherwise try to allocate an empty temporary), and reads nothing of a source or of its own
    // matrix, so it is not refused for a block that no longer fits: the same for all three forms.
    if (rows <= 0 || cols <= 0) return *this;
    if (source.hasInstance()) {
        copyFrom(source);
        return *this;
    }
    const Matrix* m = instance();
    EvaluationPlan plan(rows, cols);
    plan.apply(source, true);
    if (!source.refersTo(*m)) {
        plan.run(*this, true);
    } else {
        // The expression reads the matrix this block belongs to: evaluate aside, then copy in.
        Matrix result;
        result.allocate(rows, cols);
        plan.run(result, true);
        copyFrom(result);
    }
    return *this;
}

MatrixExpression& MatrixExpression::operator=(const Matrix& source)
{
    requireSameSize(source);
    if (!hasInstance()) raiseNoMemory();
    if (rows <= 0 || cols <= 0) return *this;
    copyFrom(source);
    return *this;
}

MatrixExpression& MatrixExpression::operator=(double value)
{
    if (!hasInstance()) throw Exception();
    if (rows <= 0 || cols <= 0) return *this;
    fill(value);
    return *this;
}

MatrixExpression MatrixExpression::operator()(const Range& rr, const Range& cr)
{
    return MatrixExpression(*this, rr, cr, View);
}

MatrixExpression MatrixExpression::operator()(const Range& rr, int col)
{
    return MatrixExpression(*this, rr, closed(col, col), View);
}

MatrixExpression MatrixExpression::operator()(int row, const Range& cr)
{
    return MatrixExpression(*this, closed(row, row), cr, View);
}

double& MatrixExpression::operator()(int row, int col)
{
    double* first = nullptr;
    int stride = 0;
    rowAccess(first, stride);
    if (kind != View || first == nullptr) raiseNoMemory();
    if (row < 1 || row > rows || col < 1 || col > cols)
        throw Exception(typeid(*this), "INDEX ERROR", "Matrix index out of range.");
    return first[static_cast<std::ptrdiff_t>(row - 1) * stride + (col - 1)];
}

Matrix& MatrixExpression::shiftCircular(int rowShift, int colShift)
{
    // A view shifts its block in place; other nodes have nothing to shift.
    if (!isView() || rows <= 0 || cols <= 0) return *this;
    Matrix block(*this);
    block.shiftCircular(rowShift, colShift);
    copyFrom(block);
    return *this;
}

Matrix& MatrixExpression::transpose()
{
    // A square view transposes its block in place; a block of another shape cannot be.
    if (!isView() || rows <= 0 || cols <= 0) return *this;
    if (rows != cols) raiseSizeMismatch();
    Matrix block(*this);
    block.transpose();
    copyFrom(block);
    return *this;
}

Matrix& MatrixExpression::reshape(int r, int c)
{
    // A node has no storage of its own to reinterpret: only its present shape is accepted.
    if (r != rows || c != cols)
        throw Exception(typeid(*this), "EXPRESSION ERROR", "Only a matrix with its own storage can be reshaped.");
    return *this;
}

MatrixExpression operator+(const Matrix& a, const Matrix& b)
{
    if (a.getRows() != b.getRows() || a.getCols() != b.getCols()) throw Exception();
    return MatrixExpression(a, b, MatrixExpression::Sum);
}

MatrixExpression operator-(const Matrix& a, const Matrix& b)
{
    if (a.getRows() != b.getRows() || a.getCols() != b.getCols()) throw Exception();
    return MatrixExpression(a, b, MatrixExpression::Difference);
}

MatrixExpression operator*(const Matrix& a, const Matrix& b)
{
    if (a.getKind() == MatrixExpression::Elementwise || b.getKind() == MatrixExpression::Elementwise) {
        if (a.getRows() != b.getRows() || a.getCols() != b.getCols()) throw Exception();
        return MatrixExpression(a, b, MatrixExpression::ElementProduct);
    }
    if (a.getCols() != b.getRows()) throw Exception();
    return MatrixExpression(a, b, MatrixExpression::Product);
}

MatrixExpression operator+(const Matrix& a, double s) { return MatrixExpression(a, s, MatrixExpression::ScalarSum); }

MatrixExpression operator-(const Matrix& a, double s)
{
    return MatrixExpression(a, s, MatrixExpression::ScalarDifference);
}

MatrixExpression operator*(const Matrix& a, double s)
{
    return MatrixExpression(a, s, MatrixExpression::ScalarProduct);
}

MatrixExpression operator*(double s, const Matrix& a)
{
    return MatrixExpression(a, s, MatrixExpression::ScalarProduct);
}

MatrixExpression operator/(const Matrix& a, double s)
{
    return MatrixExpression(a, s, MatrixExpression::ScalarQuotient);
}

MatrixExpression operator^(const Matrix& a, double s)
{
    if (a.getKind() == MatrixExpression::Elementwise) return MatrixExpression(a, s, MatrixExpression::ElementPower);
    if (a.getRows() != a.getCols()) throw Exception();
    return MatrixExpression(a, s, MatrixExpression::Power);
}

MatrixExpression elementwise(const Matrix& a)
{
    return MatrixExpression(const_cast<Matrix&>(a), closed(1, a.getRows()), closed(1, a.getCols()),
                            MatrixExpression::Elementwise);
}

} // namespace Lumidraft
