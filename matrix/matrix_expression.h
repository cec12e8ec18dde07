// MatrixExpression: a node of matrix arithmetic that is evaluated only when assigned, or a view that
// reads and writes a rectangular block of another matrix in place.
#pragma once

#include "matrix/matrix.h"

namespace Lumidraft {

class MatrixExpression : public Matrix {
public:
    // Node kinds; kind 1 is the plain Matrix.
    enum Kind : int {
        View = 2,
        Sum = 3,
        Difference = 4,
        Product = 5,
        Quotient = 6,
        ScalarSum = 7,
        ScalarDifference = 8,
        ScalarProduct = 9,
        ScalarQuotient = 10,
        ElementProduct = 11,
        Power = 12,
        ElementPower = 13,
        IntegerPair = 14,
        Elementwise = 15,
    };

    // Two matrix operands: kinds 3, 4, 5, 6 and 11.
    MatrixExpression(const Matrix& left, const Matrix& right, int kind);
    // A matrix and a number: kinds 7, 8, 9, 10, 12 and 13.
    MatrixExpression(const Matrix& left, double scalar, int kind);
    // A source and two ranges: kinds 2 and 15.
    MatrixExpression(Matrix& source, const Range& rowRange, const Range& colRange, int kind);
    // Two integers: kind 14.
    MatrixExpression(int first, int second, int kind);
    // A copy refers to the same operands (a copied view writes to the same block).
    MatrixExpression(const MatrixExpression& other);
    ~MatrixExpression() override;

    void dump(int indent = 0) const override;
    void swap(Matrix& other) override;
    bool hasInstance() const override;
    Matrix* instance() const override;
    void rowAccess(double*& first, int& stride) const override;
    bool refersTo(const Matrix& m) const override;
    void evaluateInto(Matrix& target, bool add) const override;
    // Also the copy assignment: assigning a view to a view copies elements, it never rebinds.
    MatrixExpression& operator=(const MatrixExpression& source) override;
    MatrixExpression& operator=(const Matrix& source) override;
    MatrixExpression& operator=(double value) override;
    MatrixExpression operator()(const Range& rows, const Range& cols) override;
    MatrixExpression operator()(const Range& rows, int col) override;
    MatrixExpression operator()(int row, const Range& cols) override;
    double& operator()(int row, int col) override;
    using Matrix::operator();
    Matrix& shiftCircular(int rowShift, int colShift) override;
    Matrix& transpose() override;
    Matrix& reshape(int rows, int cols) override;

    bool isView() const { return kind == View || kind == Elementwise; }
    const Matrix* getLeft() const { return left; }
    const Matrix* getRight() const { return right; }
    double getScalar() const { return scalar; }

protected:
    Matrix* left;
    Matrix* right;
    int firstInteger;
    int secondInteger;
    Range rowRange;
    Range colRange;
    double scalar;

private:
    friend class EvaluationPlan;

    // First row and column of the block within the source, 1-based; views only.
    int rowLow;
    int colLow;
};

MatrixExpression operator+(const Matrix& a, const Matrix& b);
MatrixExpression operator-(const Matrix& a, const Matrix& b);
// Matrix product; element by element when either operand comes from elementwise().
MatrixExpression operator*(const Matrix& a, const Matrix& b);
MatrixExpression operator+(const Matrix& a, double s);
MatrixExpression operator-(const Matrix& a, double s);
MatrixExpression operator*(const Matrix& a, double s);
MatrixExpression operator*(double s, const Matrix& a);
MatrixExpression operator/(const Matrix& a, double s);
// Matrix power (integer exponents, checked on evaluation); element-wise on elementwise(a).
MatrixExpression operator^(const Matrix& a, double s);
// Marks a whole matrix for element-wise product and power.
MatrixExpression elementwise(const Matrix& a);

} // namespace Lumidraft
