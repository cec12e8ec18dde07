// Matrix: a dense matrix of doubles with 1-based, row-major access. It is also the base of the
// expression and view nodes (MatrixExpression), so every operation is virtual and every element
// walk goes through rowAccess rather than the storage pointer.
#pragma once

#include <iosfwd>

#include "geometry/range.h"

namespace Lumidraft {

class MatrixExpression;

class Matrix {
public:
    Matrix();
    Matrix(int rows, int cols);
    Matrix(const Matrix& source);
    // Sized from the expression and filled by evaluating it, so `Matrix c = a * b;` works.
    Matrix(const MatrixExpression& source);
    // Takes over the storage of a plain matrix; the source is left without storage. Anything else
    // is copied, and a copy that fails leaves this matrix without storage (its first use raises).
    Matrix(Matrix&& source) noexcept;
    virtual ~Matrix();

    virtual void dump(int indent = 0) const;
    virtual void swap(Matrix& other);
    virtual bool hasInstance() const;
    // The matrix that owns the storage this object stands for; null when there is none.
    virtual Matrix* instance() const;
    // First element of the first row and the distance between rows, in elements. The pointer is
    // writable even on a const object: views write through to the matrix they were taken from.
    virtual void rowAccess(double*& first, int& stride) const;
    virtual bool refersTo(const Matrix& m) const;
    virtual void evaluateInto(Matrix& target, bool add) const;
    virtual Matrix& operator=(const MatrixExpression& source);
    virtual Matrix& operator=(const Matrix& source);
    virtual Matrix& operator=(double value);
    virtual void copyFrom(const Matrix& source);
    virtual void fill(double value);
    virtual MatrixExpression operator()(const Range& rows, const Range& cols);
    virtual MatrixExpression operator()(const Range& rows, int col);
    virtual MatrixExpression operator()(int row, const Range& cols);
    virtual double& operator()(int row, int col);
    virtual Matrix& shiftCircular(int rowShift, int colShift);
    virtual Matrix& transpose();
    virtual Matrix& rotateQuarters(int quarters);
    virtual Matrix& reshape(int rows, int cols);
    virtual Matrix& catRow(const Matrix& lower);
    virtual double max() const;
    virtual double min() const;

    // Read-only element access for const matrices; same checks as the writable form.
    double operator()(int row, int col) const { return const_cast<Matrix&>(*this)(row, col); }

    void allocate(int rows, int cols);
    void allocateZeroed(int rows, int cols);
    Matrix& allocateGrid(const Range& rowRange, double rowStep, const Range& colRange, double colStep);
    Matrix& applyToEach(double (*function)(double));

    int getRows() const { return rows; }
    int getCols() const { return cols; }
    int getKind() const { return kind; }

    // Accumulation kernels: each element t of this matrix becomes t + term (add) or t - term.
    void accumulateScalar(double s, bool add);
    void accumulateMatrix(const Matrix& a, bool add);
    void accumulateScaled(const Matrix& a, double s, bool add);
    void accumulateQuotient(const Matrix& a, double s, bool add);
    // Adds the terms a(i,k)*b(k,j) for k = 1..a.cols in ascending k, one at a time.
    void accumulateProduct(const Matrix& a, const Matrix& b, bool add);
    void accumulateElementProduct(const Matrix& a, const Matrix& b, bool add);
    void accumulateElementPower(const Matrix& a, double s, bool add);
    void accumulatePower(const Matrix& a, double s, bool add);

protected:
    // Raised by every operation that needs storage this object does not stand for.
    [[noreturn]] void raiseNoMemory() const;
    [[noreturn]] void raiseSizeMismatch() const;
    // Fails when the two objects differ in rows or cols.
    void requireSameSize(const Matrix& other) const;

    int rows;
    int cols;
    int count;
    double* elements;
    bool allocated;
    int kind;
};

std::ostream& operator<<(std::ostream& out, const Matrix& m);

} // namespace Lumidraft

#include "matrix/matrix_expression.h"
