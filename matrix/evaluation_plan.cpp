#include "matrix/evaluation_plan.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <typeinfo>

#include "app/exception.h"

namespace Lumidraft {

namespace {

// Elements of the target worked on together: small enough to stay in the first-level cache
// while every term of a run visits them.
constexpr std::ptrdiff_t chunkLength = 1024;

[[noreturn]] void raiseSizeMismatch()
{
    throw Exception(typeid(Matrix), "EXPRESSION ERROR", "Matrix size did not matched");
}

[[noreturn]] void raiseNotEvaluable()
{
    throw Exception(typeid(MatrixExpression), "EXPRESSION ERROR", "This operation cannot be evaluated.");
}

} // namespace

EvaluationPlan::EvaluationPlan(int rows, int cols) : rows_(rows), cols_(cols) {}

EvaluationPlan::~EvaluationPlan() = default;

kernels::Block EvaluationPlan::blockOf(const Matrix& m) const
{
    kernels::Block block;
    int stride = 0;
    m.rowAccess(block.first, stride);
    block.stride = stride;
    block.rows = m.getRows();
    block.cols = m.getCols();
    return block;
}

kernels::Block EvaluationPlan::operand(const Matrix& m) const
{
    if (m.getRows() != rows_ || m.getCols() != cols_) raiseSizeMismatch();
    return blockOf(m);
}

Matrix& EvaluationPlan::newTemporary(int rows, int cols)
{
    temporaries_.push_back(std::make_unique<Matrix>());
    temporaries_.back()->allocate(rows, cols);
    return *temporaries_.back();
}

void EvaluationPlan::apply(const Matrix& x, bool add)
{
    if (x.hasInstance()) {
        matrix(x, add);
    } else if (const auto* node = dynamic_cast<const MatrixExpression*>(&x)) {
        applyNode(*node, add);
    } else {
        // A matrix type of its own: it evaluates itself when the plan reaches it.
        if (x.getRows() != rows_ || x.getCols() != cols_) raiseSizeMismatch();
        steps_.push_back({Op::Opaque, add, 0.0, {}, {}, &x});
    }
}

void EvaluationPlan::applyNode(const MatrixExpression& node, bool add)
{
    using K = MatrixExpression::Kind;
    const Matrix* left = node.left;
    const Matrix* right = node.right;
    switch (node.getKind()) {
    case K::Sum:
        apply(*left, add);
        apply(*right, add);
        break;
    case K::Difference:
        apply(*left, add);
        apply(*right, !add);
        break;
    case K::Product: {
        const Matrix& l = materialise(*left);
        const Matrix& r = materialise(*right);
        product(l, r, add);
        break;
    }
    case K::ScalarSum:
        apply(*left, add);
        scalar(node.scalar, add);
        break;
    case K::ScalarDifference:
        apply(*left, add);
        scalar(node.scalar, !add);
        break;
    case K::ScalarProduct:
        scaled(materialise(*left), node.scalar, add);
        break;
    case K::ScalarQuotient:
        quotient(materialise(*left), node.scalar, add);
        break;
    case K::ElementProduct: {
        const Matrix& l = materialise(*left);
        const Matrix& r = materialise(*right);
        elementProduct(l, r, add);
        break;
    }
    case K::Power:
        power(materialise(*left), node.scalar, add);
        break;
    case K::ElementPower:
        elementPower(materialise(*left), node.scalar, add);
        break;
    case K::Elementwise:
        // The marker of an expression stands for the expression's value; of a matrix without
        // storage, for nothing that can be read.
        if (left->getKind() == 1)
            throw Exception(typeid(MatrixExpression), "NO MEMORY ERROR", "Memory not allocated");
        apply(*left, add);
        break;
    case K::View:
        throw Exception(typeid(MatrixExpression), "NO MEMORY ERROR", "Memory not allocated");
    default: // matrix quotient and the two-integer node have no defined value
        raiseNotEvaluable();
    }
}

const Matrix& EvaluationPlan::materialise(const Matrix& x)
{
    if (x.hasInstance()) return x;
    Matrix& result = newTemporary(x.getRows(), x.getCols());
    EvaluationPlan plan(x.getRows(), x.getCols());
    plan.apply(x, true);
    plan.run(result, true);
    return result;
}

void EvaluationPlan::scalar(double s, bool add) { steps_.push_back({Op::Scalar, add, s, {}, {}, nullptr}); }

void EvaluationPlan::matrix(const Matrix& a, bool add)
{
    steps_.push_back({Op::Matrix, add, 0.0, operand(a), {}, nullptr});
}

void EvaluationPlan::scaled(const Matrix& a, double s, bool add)
{
    steps_.push_back({Op::Scaled, add, s, operand(a), {}, nullptr});
}

void EvaluationPlan::quotient(const Matrix& a, double s, bool add)
{
    steps_.push_back({Op::Quotient, add, s, operand(a), {}, nullptr});
}

void EvaluationPlan::elementProduct(const Matrix& a, const Matrix& b, bool add)
{
    steps_.push_back({Op::ElementProduct, add, 0.0, operand(a), operand(b), nullptr});
}

void EvaluationPlan::elementPower(const Matrix& a, double s, bool add)
{
    steps_.push_back({Op::ElementPower, add, s, operand(a), {}, nullptr});
}

void EvaluationPlan::product(const Matrix& a, const Matrix& b, bool add)
{
    if (a.getRows() != rows_ || b.getCols() != cols_ || a.getCols() != b.getRows()) raiseSizeMismatch();
    steps_.push_back({Op::Product, add, 0.0, blockOf(a), blockOf(b), nullptr});
}

void EvaluationPlan::power(const Matrix& a, double s, bool add)
{
    // Only whole, non-negative exponents that fit an int (the repeated product below runs
    // exponent - 1 times, so anything larger could not finish anyway).
    if (!(s == std::floor(s)) || s < 0.0 || s > static_cast<double>(INT_MAX))
        throw Exception(typeid(Matrix), "EXPRESSION ERROR", "Matrix must powered by int.");
    const int n = static_cast<int>(s);
    if (a.getRows() != rows_ || a.getCols() != cols_ || rows_ != cols_) raiseSizeMismatch();

    Matrix& p = newTemporary(rows_, cols_);
    if (n == 0) {
        // a to the power 0 is the identity.
        p.fill(0.0);
        for (int i = 1; i <= rows_; ++i) p(i, i) = 1.0;
    } else {
        // Left-to-right repeated product P = P * a, each step into a fresh zeroed matrix, so the
        // roundings are those of ((a a) a) ... a.
        p.copyFrom(a);
        const kernels::Block ab = blockOf(a);
        Matrix next;
        next.allocate(rows_, cols_);
        for (int step = 1; step < n; ++step) {
            const kernels::Block nb = blockOf(next);
            kernels::fillBlock(nb, 0.0);
            kernels::productAccumulate(nb, blockOf(p), ab, true);
            p.swap(next);
        }
    }
    matrix(p, add);
}

void EvaluationPlan::detachFrom(const kernels::Block& target)
{
    // An operand that shares memory with the target would be read after the target has been
    // partly written: work from a copy of it instead.
    auto detach = [&](kernels::Block& block) {
        if (block.first == nullptr || !kernels::overlaps(block, target)) return;
        Matrix& copy = newTemporary(block.rows, block.cols);
        const kernels::Block cb = blockOf(copy);
        kernels::copyBlock(cb, block);
        block = cb;
    };
    for (Step& step : steps_) {
        detach(step.a);
        detach(step.b);
    }
}

void EvaluationPlan::run(Matrix& target, bool fromZero)
{
    if (target.getRows() != rows_ || target.getCols() != cols_) raiseSizeMismatch();
    const kernels::Block t = blockOf(target);
    detachFrom(t);

    auto fusable = [](const Step& step) { return step.op != Op::Product && step.op != Op::Opaque; };
    std::size_t i = 0;
    while (i < steps_.size()) {
        if (fusable(steps_[i])) {
            std::size_t end = i;
            while (end < steps_.size() && fusable(steps_[end])) ++end;
            runFused(t, i, end, fromZero);
            fromZero = false;
            i = end;
            continue;
        }
        if (fromZero) {
            kernels::fillBlock(t, 0.0);
            fromZero = false;
        }
        const Step& step = steps_[i];
        if (step.op == Op::Product)
            kernels::productAccumulate(t, step.a, step.b, step.add);
        else
            step.node->evaluateInto(target, step.add);
        ++i;
    }
    if (fromZero) kernels::fillBlock(t, 0.0);
}

void EvaluationPlan::runFused(const kernels::Block& t, std::size_t from, std::size_t to, bool fromZero) const
{
    if (t.empty()) return;
    // Plain and scaled matrix terms go through the one-pass kernels, a few at a time; the other
    // element-wise terms through the chunked passes. Either way each element gets its terms in order.
    auto onePass = [](const Step& step) {
        return step.op == Op::Matrix || (step.op == Op::Scaled && !std::isnan(step.s));
    };
    std::size_t i = from;
    while (i < to) {
        std::size_t end = i;
        if (onePass(steps_[i])) {
            kernels::Term terms[kernels::maxFusedTerms];
            int count = 0;
            for (; end < to && count < kernels::maxFusedTerms && onePass(steps_[end]); ++end, ++count) {
                const Step& step = steps_[end];
                kernels::Term& term = terms[count];
                term.a = step.a;
                if (step.op == Op::Matrix) {
                    term.code = step.add ? kernels::TermCode::Plus : kernels::TermCode::Minus;
                } else {
                    term.code = kernels::TermCode::Times;
                    term.factor = step.add ? step.s : -step.s;
                }
            }
            kernels::accumulateTerms(t, terms, count, fromZero);
        } else {
            while (end < to && !onePass(steps_[end])) ++end;
            runChunked(t, i, end, fromZero);
        }
        fromZero = false;
        i = end;
    }
}

void EvaluationPlan::runChunked(const kernels::Block& t, std::size_t from, std::size_t to, bool fromZero) const
{
    bool flat = t.contiguous();
    for (std::size_t s = from; s < to && flat; ++s) {
        const Step& step = steps_[s];
        if (step.a.first && !step.a.contiguous()) flat = false;
        if (step.b.first && !step.b.contiguous()) flat = false;
    }
    // Contiguous blocks are walked as one long row.
    const int rowCount = flat ? 1 : t.rows;
    const std::ptrdiff_t length = flat ? static_cast<std::ptrdiff_t>(t.rows) * t.cols : t.cols;

    for (int r = 0; r < rowCount; ++r) {
        double* row = t.row(r);
        for (std::ptrdiff_t j0 = 0; j0 < length; j0 += chunkLength) {
            const std::ptrdiff_t n = std::min(chunkLength, length - j0);
            double* chunk = row + j0;
            if (fromZero) kernels::rowFill(chunk, n, 0.0);
            for (std::size_t s = from; s < to; ++s) {
                const Step& step = steps_[s];
                switch (step.op) {
                case Op::Scalar:
                    kernels::rowScalar(chunk, n, step.s, step.add);
                    break;
                case Op::Matrix:
                    kernels::rowMatrix(chunk, step.a.row(r) + j0, n, step.add);
                    break;
                case Op::Scaled:
                    kernels::rowScaled(chunk, step.a.row(r) + j0, n, step.s, step.add);
                    break;
                case Op::Quotient:
                    kernels::rowQuotient(chunk, step.a.row(r) + j0, n, step.s, step.add);
                    break;
                case Op::ElementProduct:
                    kernels::rowElementProduct(chunk, step.a.row(r) + j0, step.b.row(r) + j0, n, step.add);
                    break;
                case Op::ElementPower:
                    kernels::rowElementPower(chunk, step.a.row(r) + j0, n, step.s, step.add);
                    break;
                case Op::Product:
                case Op::Opaque:
                    break;
                }
            }
        }
    }
}

} // namespace Lumidraft
