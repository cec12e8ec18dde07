// EvaluationPlan: an expression tree flattened into the ordered list of terms that each target
// element receives. Runs of plain and scaled matrix terms are computed a few terms at a time in
// registers, each target element loaded and stored once per group; other element-wise terms are
// applied a cache-sized chunk of the target at a time. The order of the terms per element stays
// that of the tree. Internal to the matrix subsystem.
#pragma once

#include <memory>
#include <vector>

#include "matrix/matrix.h"
#include "matrix/matrix_kernels.h"

namespace Lumidraft {

class EvaluationPlan {
public:
    // The plan produces a rows x cols result; every operand is checked against that shape.
    EvaluationPlan(int rows, int cols);
    EvaluationPlan(const EvaluationPlan&) = delete;
    EvaluationPlan& operator=(const EvaluationPlan&) = delete;
    ~EvaluationPlan();

    // Adds x's value with the sign: x itself when it stands for storage, else its terms.
    void apply(const Matrix& x, bool add);
    // Adds the terms of an expression node by its kind.
    void applyNode(const MatrixExpression& node, bool add);

    void scalar(double s, bool add);
    void matrix(const Matrix& a, bool add);
    void scaled(const Matrix& a, double s, bool add);
    void quotient(const Matrix& a, double s, bool add);
    void product(const Matrix& a, const Matrix& b, bool add);
    void elementProduct(const Matrix& a, const Matrix& b, bool add);
    void elementPower(const Matrix& a, double s, bool add);
    void power(const Matrix& a, double s, bool add);

    // x itself when it stands for storage, else a temporary owned by the plan holding its value.
    const Matrix& materialise(const Matrix& x);

    // Applies the terms to target (same shape as the plan). With fromZero the target's old
    // contents are ignored and every element starts at +0.0.
    void run(Matrix& target, bool fromZero);

private:
    enum class Op { Scalar, Matrix, Scaled, Quotient, ElementProduct, ElementPower, Product, Opaque };
    struct Step {
        Op op;
        bool add;
        double s = 0.0;
        kernels::Block a{};
        kernels::Block b{};
        const Matrix* node = nullptr; // Opaque: evaluated through its own evaluateInto
    };

    kernels::Block blockOf(const Matrix& m) const;
    kernels::Block operand(const Matrix& m) const; // blockOf, checked against the result shape
    Matrix& newTemporary(int rows, int cols);
    void detachFrom(const kernels::Block& target);
    // Applies the element-wise steps [from, to) to t.
    void runFused(const kernels::Block& t, std::size_t from, std::size_t to, bool fromZero) const;
    // The same by passes over cache-sized chunks of t, one pass per step: any element-wise step.
    void runChunked(const kernels::Block& t, std::size_t from, std::size_t to, bool fromZero) const;

    int rows_;
    int cols_;
    std::vector<Step> steps_;
    std::vector<std::unique_ptr<Matrix>> temporaries_;
};

} // namespace Lumidraft
