// Matrix arithmetic: node building and validation, evaluation by kind with its exact order of
// roundings, aliasing, views and the tree print.
#include <deque>
#include <functional>
#include <sstream>
#include <utility>

#include "matrix_test_support.h"

namespace Lumidraft {
namespace {

using testing::closedRange;
using testing::makeMatrix;
using testing::raises;
using testing::raisesDefault;
using testing::randomFill;
using testing::sameBits;
using testing::valuesOf;

using Values = std::vector<double>;

// The order of roundings every element must get, written as the plain loops of one kernel
// after another over the whole target.
struct Reference {
    int rows, cols;
    Values t;
    Reference(int r, int c) : rows(r), cols(c), t(static_cast<std::size_t>(r) * c, 0.0) {}
    double& at(int i, int j) { return t[static_cast<std::size_t>(i - 1) * cols + (j - 1)]; }
    template <class F>
    void each(F f)
    {
        for (int i = 1; i <= rows; ++i)
            for (int j = 1; j <= cols; ++j) f(at(i, j), i, j);
    }
    void matrix(const Matrix& a, bool add)
    {
        each([&](double& x, int i, int j) { x = add ? x + a(i, j) : x - a(i, j); });
    }
    void scalar(double s, bool add)
    {
        each([&](double& x, int, int) { x = add ? x + s : x - s; });
    }
    void scaled(const Matrix& a, double s, bool add)
    {
        each([&](double& x, int i, int j) {
            const double term = s * a(i, j);
            x = add ? x + term : x - term;
        });
    }
    void quotient(const Matrix& a, double s, bool add)
    {
        each([&](double& x, int i, int j) {
            const double term = a(i, j) / s;
            x = add ? x + term : x - term;
        });
    }
    void product(const Matrix& a, const Matrix& b, bool add)
    {
        each([&](double& x, int i, int j) {
            for (int k = 1; k <= a.getCols(); ++k) {
                const double term = a(i, k) * b(k, j);
                x = add ? x + term : x - term;
            }
        });
    }
    void elementProduct(const Matrix& a, const Matrix& b, bool add)
    {
        each([&](double& x, int i, int j) {
            const double term = a(i, j) * b(i, j);
            x = add ? x + term : x - term;
        });
    }
    void elementPower(const Matrix& a, double s, bool add)
    {
        // Through a volatile so the compiler cannot turn pow(x, 2.0) into x * x here while the
        // library calls pow, which may round differently in the last bit.
        volatile double exponent = s;
        each([&](double& x, int i, int j) {
            const double term = std::pow(a(i, j), static_cast<double>(exponent));
            x = add ? x + term : x - term;
        });
    }
};

Matrix randomMatrix(int rows, int cols, std::mt19937_64& rng)
{
    Matrix m(rows, cols);
    randomFill(m, rng);
    return m;
}

Matrix fromValues(int rows, int cols, const Values& v)
{
    Matrix m(rows, cols);
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j <= cols; ++j) m(i, j) = v[static_cast<std::size_t>(i - 1) * cols + (j - 1)];
    return m;
}

TEST(MatrixArithmetic, WorkedSums)
{
    const Matrix a = makeMatrix(2, 2, {1, 2, 3, 4});
    const Matrix b = makeMatrix(2, 2, {10, 20, 30, 40});
    Matrix c;
    c = a + b - a;
    EXPECT_EQ(valuesOf(c), valuesOf(b));
    c = a + 1;
    EXPECT_EQ(valuesOf(c), (Values{2, 3, 4, 5}));
    c = b - (a + 1);
    EXPECT_EQ(valuesOf(c), (Values{8, 17, 26, 35}));
    c = a / 2 - 0.5;
    EXPECT_EQ(valuesOf(c), (Values{0, 0.5, 1, 1.5}));
    c = 3 * a;
    EXPECT_EQ(valuesOf(c), (Values{3, 6, 9, 12}));
}

TEST(MatrixArithmetic, ProductShapeAndMismatch)
{
    const Matrix a = makeMatrix(2, 3, {1, 2, 3, 4, 5, 6});
    const Matrix b = makeMatrix(3, 4, {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1});
    Matrix c;
    c = a * b;
    ASSERT_EQ(c.getRows(), 2);
    ASSERT_EQ(c.getCols(), 4);
    EXPECT_EQ(valuesOf(c), (Values{1, 2, 3, 6, 4, 5, 6, 15}));

    Matrix untouched = makeMatrix(2, 4, {1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_TRUE(raisesDefault([&] { untouched = a * Matrix(2, 4); }));
    EXPECT_EQ(valuesOf(untouched), Values(8, 1.0));
    EXPECT_TRUE(raisesDefault([&] { c = a + b; }));
    EXPECT_TRUE(raisesDefault([&] { c = a - Matrix(3, 2); }));
    Matrix sized(3, 3);
    EXPECT_TRUE(raises([&] { sized = a * b; }, typeid(Matrix), "EXPRESSION ERROR", "Matrix size did not matched"));
}

TEST(MatrixArithmetic, ConstructionFromAnExpression)
{
    const Matrix a = makeMatrix(2, 2, {1, 2, 3, 4});
    Matrix c = a * a + 1;
    EXPECT_EQ(valuesOf(c), (Values{8, 11, 16, 23}));
}

TEST(MatrixArithmetic, AliasedAssignmentsReadTheOldValues)
{
    Matrix a = makeMatrix(2, 2, {1, 2, 3, 4});
    a = a * a;
    EXPECT_EQ(valuesOf(a), (Values{7, 10, 15, 22}));
    a = a * 2;
    EXPECT_EQ(valuesOf(a), (Values{14, 20, 30, 44}));
    Matrix b = makeMatrix(2, 2, {1, 1, 1, 1});
    a = b * a - a;
    EXPECT_EQ(valuesOf(a), (Values{30, 44, 14, 20}));
}

TEST(MatrixArithmetic, ElementwiseProductAndPower)
{
    const Matrix a = makeMatrix(2, 2, {1, 2, 3, 4});
    const Matrix b = makeMatrix(2, 2, {5, 6, 7, 8});
    Matrix c;
    c = elementwise(a) * b;
    EXPECT_EQ(valuesOf(c), (Values{5, 12, 21, 32}));
    c = b * elementwise(a);
    EXPECT_EQ(valuesOf(c), (Values{5, 12, 21, 32}));
    c = elementwise(a) ^ 2;
    EXPECT_EQ(valuesOf(c), (Values{1, 4, 9, 16}));
    c = elementwise(a + b) ^ 0.5;
    EXPECT_EQ(valuesOf(c), (Values{std::pow(6.0, 0.5), std::pow(8.0, 0.5), std::pow(10.0, 0.5), std::pow(12.0, 0.5)}));
    EXPECT_TRUE(raisesDefault([&] { c = elementwise(a) * Matrix(2, 3); }));
    c = elementwise(a);
    EXPECT_EQ(valuesOf(c), valuesOf(a));
}

TEST(MatrixArithmetic, MatrixPower)
{
    const Matrix a = makeMatrix(2, 2, {1, 1, 1, 0});
    Matrix c;
    c = a ^ 3;
    EXPECT_EQ(valuesOf(c), (Values{3, 2, 2, 1}));
    c = a ^ 10;
    EXPECT_EQ(valuesOf(c), (Values{89, 55, 55, 34}));
    c = a ^ 1;
    EXPECT_EQ(valuesOf(c), valuesOf(a));
    c = a ^ 0;
    EXPECT_EQ(valuesOf(c), (Values{1, 0, 0, 1}));
    c = (a + 1) ^ 2;
    EXPECT_EQ(valuesOf(c), (Values{8, 6, 6, 5}));

    const char* message = "Matrix must powered by int.";
    for (double bad : {2.5, -1.0, std::nan(""), 1e300})
        EXPECT_TRUE(raises([&] { c = a ^ bad; }, typeid(Matrix), "EXPRESSION ERROR", message)) << bad;
    EXPECT_EQ(valuesOf(c), (Values{8, 6, 6, 5}));
    EXPECT_TRUE(raisesDefault([] { Matrix m(2, 3); m ^ 2; }));
}

TEST(MatrixArithmetic, PowerRoundsAsRepeatedLeftProducts)
{
    std::mt19937_64 rng(7);
    const Matrix a = randomMatrix(5, 5, rng);
    Matrix expected(a);
    for (int step = 1; step < 4; ++step) {
        Reference r(5, 5);
        r.product(expected, a, true);
        expected = fromValues(5, 5, r.t);
    }
    Matrix c;
    c = a ^ 4;
    EXPECT_TRUE(sameBits(valuesOf(expected), c));
}

// Each expression against the plain loops of the kernels it stands for, bit for bit, over shapes
// that cover whole and partial register tiles and more than one block of k.
TEST(MatrixExactness, ExpressionsMatchTheKernelOrder)
{
    const int shapes[][3] = {{1, 1, 1}, {2, 3, 5}, {5, 7, 3}, {13, 17, 11}, {37, 300, 29}, {64, 64, 64}, {130, 5, 6}, {2, 3, 2051}};
    std::mt19937_64 rng(2024);
    for (const auto& shape : shapes) {
        const int m = shape[0], k = shape[1], n = shape[2];
        SCOPED_TRACE(::testing::Message() << m << "x" << k << "x" << n);
        const Matrix a = randomMatrix(m, n, rng), b = randomMatrix(m, n, rng), d = randomMatrix(m, n, rng);
        const Matrix p = randomMatrix(m, k, rng), q = randomMatrix(k, n, rng);
        const double s = 2.5, u = 3.0;
        Matrix c(m, n);

        Reference r1(m, n);
        r1.matrix(a, true), r1.matrix(b, true), r1.matrix(d, false);
        c = a + b - d;
        EXPECT_TRUE(sameBits(r1.t, c));

        Reference r2(m, n);
        r2.scaled(a, s, true), r2.matrix(b, true);
        c = a * s + b;
        EXPECT_TRUE(sameBits(r2.t, c));

        // b - ((a*s - d/u) + 1.5): the right side is applied with the sign flipped throughout.
        Reference r3(m, n);
        r3.matrix(b, true), r3.scaled(a, s, false), r3.quotient(d, u, true), r3.scalar(1.5, false);
        c = b - (a * s - d / u + 1.5);
        EXPECT_TRUE(sameBits(r3.t, c));

        Reference r4(m, n);
        r4.matrix(d, true), r4.product(p, q, true);
        c = d + p * q;
        EXPECT_TRUE(sameBits(r4.t, c));

        Reference r5(m, n);
        r5.matrix(d, true), r5.product(p, q, false), r5.scalar(0.25, true);
        c = d - p * q + 0.25;
        EXPECT_TRUE(sameBits(r5.t, c));

        Reference r6(m, n);
        r6.elementProduct(a, b, true), r6.elementPower(d, 2.0, false);
        c = elementwise(a) * b - (elementwise(d) ^ 2);
        EXPECT_TRUE(sameBits(r6.t, c));

        // A product whose operand is itself an expression is computed aside first.
        Reference pq(m, k);
        pq.matrix(p, true), pq.scalar(1.0, true);
        const Matrix p1 = fromValues(m, k, pq.t);
        Reference r7(m, n);
        r7.product(p1, q, true), r7.matrix(a, true);
        c = (p + 1) * q + a;
        EXPECT_TRUE(sameBits(r7.t, c));
    }
}

TEST(MatrixExactness, ZeroStartAndNegativeZero)
{
    // Every assignment starts from +0.0, so a -0.0 operand comes out as +0.0.
    const Matrix a = makeMatrix(1, 2, {-0.0, -1.0});
    Matrix c(1, 2);
    c = a * 1.0;
    EXPECT_TRUE(sameBits({0.0, -1.0}, c));
    c = a;
    EXPECT_TRUE(sameBits({-0.0, -1.0}, c));
}

TEST(MatrixExactness, KernelsAccumulateOntoExistingValues)
{
    std::mt19937_64 rng(99);
    const Matrix a = randomMatrix(6, 9, rng), b = randomMatrix(9, 7, rng), d = randomMatrix(6, 7, rng);
    Matrix t = randomMatrix(6, 7, rng);
    Reference r(6, 7);
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 7; ++j) r.at(i, j) = t(i, j);
    r.product(a, b, false), r.scaled(d, 0.5, false);
    (a * b + d * 0.5).evaluateInto(t, false);
    EXPECT_TRUE(sameBits(r.t, t));

    r.elementPower(d, 3.0, true);
    t.accumulateElementPower(d, 3.0, true);
    EXPECT_TRUE(sameBits(r.t, t));
}

TEST(MatrixExactness, SelfReferringAccumulationReadsASnapshot)
{
    Matrix a = makeMatrix(2, 2, {1, 2, 3, 4});
    a.accumulateProduct(a, a, true);
    EXPECT_EQ(valuesOf(a), (Values{8, 12, 18, 26}));
}

// Sums of plain and scaled terms, every sign pattern of one to five terms (five takes more than
// one group of the one-pass kernels), over sizes that end in each vector remainder, contiguous and
// as strided views at odd offsets, assigned (start at +0.0) and accumulated onto existing values
// with either sign. Operands hold -0.0 here and there, so a first term of -0.0 must become +0.0.
TEST(MatrixExactness, SumsOfPlainAndScaledTermsMatchTheKernelOrder)
{
    struct Spec {
        bool scaled;
        bool add; // ignored for the first term, which an assignment always adds
        double s;
    };
    const double factors[] = {2.5, -0.75, -0.0, 1e-3};
    const int shapes[][2] = {{1, 1}, {3, 5}, {7, 13}, {2, 19}};
    std::mt19937_64 rng(31);
    for (const auto& shape : shapes) {
        const int m = shape[0], n = shape[1];
        for (const bool asViews : {false, true}) {
            SCOPED_TRACE(::testing::Message() << m << "x" << n << (asViews ? " views" : ""));
            // Operands and target, either whole matrices or blocks of larger ones.
            std::deque<Matrix> sources;
            std::deque<MatrixExpression> views;
            auto operand = [&]() -> Matrix& {
                Matrix& whole = sources.emplace_back(asViews ? m + 3 : m, asViews ? n + 5 : n);
                randomFill(whole, rng);
                for (int i = 1; i <= whole.getRows(); ++i)
                    for (int j = 1; j <= whole.getCols(); ++j)
                        if ((i * 7 + j) % 5 == 0) whole(i, j) = -0.0;
                if (!asViews) return whole;
                return views.emplace_back(whole(closedRange(2, m + 1), closedRange(3, n + 2)));
            };
            Matrix* x[5];
            for (Matrix*& p : x) p = &operand();
            Matrix& target = operand();

            for (int count = 1; count <= 5; ++count) {
                int patterns = 1;
                for (int k = 1; k < count; ++k) patterns *= 4;
                patterns *= 2;
                for (int pattern = 0; pattern < patterns; ++pattern) {
                    std::vector<Spec> specs;
                    for (int k = 0, bits = pattern; k < count; ++k) {
                        const bool scaled = bits & 1;
                        bits >>= 1;
                        bool add = true;
                        if (k > 0) add = bits & 1, bits >>= 1;
                        specs.push_back({scaled, add, factors[(pattern + k) % 4]});
                    }
                    // The expression, built as the operators would nest it: ((x1 +- x2) +- x3) ...
                    std::deque<MatrixExpression> nodes;
                    const Matrix* e = nullptr;
                    for (int k = 0; k < count; ++k) {
                        const Matrix* term = x[k];
                        if (specs[k].scaled) term = &nodes.emplace_back(*x[k] * specs[k].s);
                        if (e == nullptr)
                            e = term;
                        else
                            e = &nodes.emplace_back(specs[k].add ? *e + *term : *e - *term);
                    }
                    if (count == 1 && !specs[0].scaled) continue; // a copy, not a sum
                    const Values before = valuesOf(target);
                    for (const int mode : {0, 1, 2}) { // assigned; accumulated with +; with -
                        SCOPED_TRACE(::testing::Message() << count << " terms, pattern " << pattern << ", mode " << mode);
                        Reference r(m, n);
                        if (mode != 0) r.t = before;
                        const bool sign = mode != 2;
                        for (int k = 0; k < count; ++k) {
                            const bool add = (k == 0 || specs[k].add) == sign;
                            if (specs[k].scaled)
                                r.scaled(*x[k], specs[k].s, add);
                            else
                                r.matrix(*x[k], add);
                        }
                        if (mode == 0) {
                            target = *static_cast<const MatrixExpression*>(e);
                        } else {
                            e->evaluateInto(target, sign);
                        }
                        ASSERT_TRUE(sameBits(r.t, target));
                        for (int i = 1; i <= m; ++i)
                            for (int j = 1; j <= n; ++j) target(i, j) = before[static_cast<std::size_t>(i - 1) * n + (j - 1)];
                    }
                }
            }
            // Blocks only ever write their own elements.
            if (asViews) {
                const Matrix& whole = sources.back();
                const Values outside = valuesOf(whole);
                target = *x[0] + *x[1] - *x[2];
                const Values after = valuesOf(whole);
                for (int i = 1; i <= m + 3; ++i)
                    for (int j = 1; j <= n + 5; ++j)
                        if (i < 2 || i > m + 1 || j < 3 || j > n + 2) {
                            const std::size_t at = static_cast<std::size_t>(i - 1) * (n + 5) + (j - 1);
                            ASSERT_EQ(std::memcmp(&outside[at], &after[at], sizeof(double)), 0);
                        }
            }
        }
    }
}

// Large strided blocks, with odd row lengths, in a matrix on small pages and in one large enough for
// huge-page storage (802 x 709, 4.5 MB): the rows must meet exactly and nothing outside the block
// may change.
class LargeStridedBlocks : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(LargeStridedBlocks, MatchTheKernelOrder)
{
    std::mt19937_64 rng(12);
    const auto [m, n] = GetParam();
    Matrix wa = randomMatrix(m + 2, n + 9, rng), wb = randomMatrix(m + 2, n + 9, rng);
    Matrix wd = randomMatrix(m + 2, n + 9, rng), wt = randomMatrix(m + 2, n + 9, rng);
    const Range r = closedRange(2, m + 1), c = closedRange(4, n + 3);
    MatrixExpression a = wa(r, c), b = wb(r, c), d = wd(r, c), t = wt(r, c);
    Reference ref(m, n);
    ref.matrix(a, true), ref.scaled(b, 2.5, true), ref.matrix(d, false);
    const Values outside = valuesOf(wt);
    t = a + b * 2.5 - d;
    EXPECT_TRUE(sameBits(ref.t, t));
    ref.matrix(a, false), ref.matrix(b, false), ref.matrix(d, true), ref.scaled(a, -0.5, false);
    (a + b - d + a * -0.5).evaluateInto(t, false);
    EXPECT_TRUE(sameBits(ref.t, t));
    const Values after = valuesOf(wt);
    for (int i = 1; i <= m + 2; ++i)
        for (int j = 1; j <= n + 9; ++j)
            if (i < 2 || i > m + 1 || j < 4 || j > n + 3) {
                const std::size_t at = static_cast<std::size_t>(i - 1) * (n + 9) + (j - 1);
                ASSERT_EQ(outside[at], after[at]);
            }
}

INSTANTIATE_TEST_SUITE_P(MatrixExactness, LargeStridedBlocks,
                         ::testing::Values(std::pair{400, 333}, std::pair{800, 700}));

// One-pass groups, chunked terms and a product mixed in one sum keep the order of the terms.
TEST(MatrixExactness, MixedRunsKeepTheTermOrder)
{
    std::mt19937_64 rng(8);
    const int m = 9, n = 11;
    const Matrix a = randomMatrix(m, n, rng), b = randomMatrix(m, n, rng), d = randomMatrix(m, n, rng);
    const Matrix p = randomMatrix(m, 4, rng), q = randomMatrix(4, n, rng);
    Reference r(m, n);
    r.matrix(a, true), r.scaled(b, 2.5, true), r.scalar(1.5, true), r.matrix(d, false), r.quotient(a, 3.0, true);
    r.matrix(b, true), r.product(p, q, false), r.scaled(d, -4.0, true), r.matrix(a, false), r.matrix(b, true),
        r.matrix(d, true), r.scaled(a, 0.5, false);
    Matrix c(m, n);
    c = a + b * 2.5 + 1.5 - d + a / 3.0 + b - p * q + d * -4.0 - a + b + d - a * 0.5;
    EXPECT_TRUE(sameBits(r.t, c));

    // A factor that is not a number takes the chunked path; every element is a NaN.
    c = a + b * std::nan("") - d;
    for (const double v : valuesOf(c)) EXPECT_TRUE(std::isnan(v));
}

Range rows(int low, int high) { return closedRange(low, high); }

Matrix counting(int rows, int cols)
{
    Matrix m(rows, cols);
    for (int i = 1; i <= rows; ++i)
        for (int j = 1; j <= cols; ++j) m(i, j) = 10 * i + j;
    return m;
}

TEST(MatrixViews, RowBlockWritesOnlyItsRows)
{
    Matrix m = counting(4, 4);
    MatrixExpression v = m(rows(2, 3), rows(1, 4));
    EXPECT_EQ(v.getRows(), 2);
    EXPECT_EQ(v.getCols(), 4);
    v = makeMatrix(2, 4, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(valuesOf(m), (Values{11, 12, 13, 14, 1, 2, 3, 4, 5, 6, 7, 8, 41, 42, 43, 44}));
    EXPECT_TRUE(raises([&] { v = Matrix(3, 4); }, typeid(MatrixExpression), "EXPRESSION ERROR",
                       "Matrix size did not matched"));
}

TEST(MatrixViews, RangesAreClippedToTheMatrix)
{
    Matrix m = counting(4, 4);
    Range open;
    open >= 3;
    const struct {
        Range rowRange, colRange;
        int rows, cols;
        double first;
    } cases[] = {
        {rows(3, 9), rows(1, 4), 2, 4, 31},  {rows(-5, 2), rows(2, 3), 2, 2, 12}, {open, Range(), 2, 4, 31},
        {rows(5, 9), rows(1, 4), 0, 4, 0},   {rows(1, 0), rows(1, 4), 0, 4, 0},   {rows(2, 2), open, 1, 2, 23},
        {closedRange(1.5, 3.5), rows(1, 1), 2, 1, 21},
    };
    for (const auto& c : cases) {
        MatrixExpression v = m(c.rowRange, c.colRange);
        EXPECT_EQ(v.getRows(), c.rows);
        EXPECT_EQ(v.getCols(), c.cols);
        if (c.rows > 0 && c.cols > 0) {
            EXPECT_EQ(v(1, 1), c.first);
        }
    }
    // A view that selects nothing takes numbers and copies without touching anything.
    MatrixExpression none = m(rows(5, 9), rows(1, 4));
    none = 7.0;
    const MatrixExpression& same = none; // assigned to itself
    none = same;
    EXPECT_EQ(valuesOf(m), valuesOf(counting(4, 4)));
}

TEST(MatrixViews, SingleColumnAndSingleRow)
{
    Matrix m = counting(4, 4);
    MatrixExpression column = m(rows(1, 4), 2);
    EXPECT_EQ(column.getRows(), 4);
    EXPECT_EQ(column.getCols(), 1);
    column = 0;
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(m(i, 2), 0);
        EXPECT_EQ(m(i, 1), 10 * i + 1);
    }
    m(3, Range()) = makeMatrix(1, 4, {9, 9, 9, 9});
    EXPECT_EQ(valuesOf(m(3, Range())), Values(4, 9.0));
    EXPECT_EQ(m(2, Range())(1, 1), 21);
    EXPECT_EQ(m(Range(), 0).getCols(), 0);
    EXPECT_EQ(m(Range(), 5).getCols(), 0);
}

TEST(MatrixViews, BlockCopiesWithinOneMatrix)
{
    Matrix m = counting(4, 4);
    m(rows(1, 2), rows(1, 2)) = m(rows(3, 4), rows(3, 4));
    EXPECT_EQ(valuesOf(m(rows(1, 2), rows(1, 2))), (Values{33, 34, 43, 44}));
    EXPECT_EQ(m(3, 3), 33);

    // Overlapping blocks, in both directions: every element comes from the old values.
    const struct {
        int tr, tc, sr, sc;
    } shifts[] = {{2, 1, 1, 1}, {1, 1, 2, 1}, {1, 2, 1, 1}, {1, 1, 1, 2}, {2, 2, 1, 1}, {1, 2, 2, 1}};
    for (const auto& s : shifts) {
        Matrix w = counting(4, 4);
        const Matrix old(w);
        w(rows(s.tr, s.tr + 2), rows(s.tc, s.tc + 2)) = w(rows(s.sr, s.sr + 2), rows(s.sc, s.sc + 2));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_EQ(w(s.tr + i, s.tc + j), old(s.sr + i, s.sc + j)) << s.tr << s.tc << s.sr << s.sc;
    }
}

TEST(MatrixViews, ViewAssignedAnExpressionOfItsOwnMatrix)
{
    Matrix m = counting(4, 4);
    const Matrix old(m);
    m(rows(2, 3), rows(2, 3)) = m(rows(1, 2), rows(1, 2)) * 2 + m(rows(3, 4), rows(3, 4));
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) {
            const bool inside = i >= 2 && i <= 3 && j >= 2 && j <= 3;
            const double expected = inside ? old(i - 1, j - 1) * 2 + old(i + 1, j + 1) : old(i, j);
            EXPECT_EQ(m(i, j), expected) << i << "," << j;
        }

    Matrix sq = makeMatrix(2, 2, {1, 2, 3, 4});
    Matrix big(4, 4);
    big(rows(1, 2), rows(1, 2)) = sq;
    MatrixExpression block = big(rows(1, 2), rows(1, 2));
    block = block * block;
    EXPECT_EQ(valuesOf(block), (Values{7, 10, 15, 22}));
}

TEST(MatrixViews, ExpressionsOverViewsMatchTheKernelOrder)
{
    std::mt19937_64 rng(5);
    Matrix big = randomMatrix(40, 50, rng);
    const Matrix a = randomMatrix(12, 9, rng), b = randomMatrix(12, 9, rng);
    MatrixExpression v = big(rows(3, 14), rows(7, 15));
    Reference r(12, 9);
    r.matrix(a, true), r.scaled(b, 2.5, true), r.matrix(v, false);
    const Values before = valuesOf(big);
    v = a + b * 2.5 - v;
    EXPECT_TRUE(sameBits(r.t, v));
    for (int i = 1; i <= 40; ++i)
        for (int j = 1; j <= 50; ++j)
            if (i < 3 || i > 14 || j < 7 || j > 15) {
                ASSERT_EQ(big(i, j), before[static_cast<std::size_t>(i - 1) * 50 + (j - 1)]);
            }
}

TEST(MatrixViews, FullWidthBlockIsWalkedAsOneRun)
{
    // Whole rows of a matrix lie end to end: the block is evaluated as one long row, which must
    // still start at its own first row and stop at its last.
    Matrix m = counting(5, 3);
    const Matrix a = makeMatrix(2, 3, {1, 2, 3, 4, 5, 6});
    m(rows(2, 3), Range()) = a * 2 + 1;
    EXPECT_EQ(valuesOf(m), (Values{11, 12, 13, 3, 5, 7, 9, 11, 13, 41, 42, 43, 51, 52, 53}));
}

TEST(MatrixViews, ViewOfAView)
{
    Matrix m = counting(6, 6);
    MatrixExpression outer = m(rows(2, 5), rows(2, 5));
    MatrixExpression inner = outer(rows(2, 3), rows(3, 9));
    EXPECT_EQ(inner.getRows(), 2);
    EXPECT_EQ(inner.getCols(), 2);
    EXPECT_EQ(inner(1, 1), 34);
    inner = inner + 100;
    EXPECT_EQ(m(3, 4), 134);
    EXPECT_EQ(m(4, 5), 145);
    EXPECT_EQ(m(2, 2), 22);
    EXPECT_EQ(outer(rows(1, 1), 1)(1, 1), 22);
}

TEST(MatrixViews, AssigningToAnEmptyViewWritesNothingWhicheverPath)
{
    Matrix m = counting(3, 3);
    Matrix other = counting(3, 3);
    MatrixExpression v = m(rows(5, 9), rows(5, 9));
    MatrixExpression w = other(rows(5, 9), rows(5, 9));
    ASSERT_EQ(v.getRows(), 0);
    ASSERT_EQ(v.getCols(), 0);
    const std::function<void()> assignments[] = {
        [&] { v = w; },           [&] { v = 5.0; },          [&] { v = w * 2.0; },
        [&] { v = v * 2.0; },     [&] { v = v + v; },        [&] { v = v - 1.0; },
        [&] { v = elementwise(v) * v; }, [&] { v = v / 3.0; },
    };
    for (const auto& assign : assignments) {
        EXPECT_NO_THROW(assign());
        EXPECT_EQ(valuesOf(m), valuesOf(counting(3, 3)));
    }

    // An empty view inside a block that no longer fits its reshaped matrix still takes nothing.
    Matrix n = counting(4, 4);
    MatrixExpression outer = n(rows(3, 4), rows(3, 4));
    MatrixExpression inner = outer(rows(5, 9), rows(1, 2));
    MatrixExpression none = n(rows(9, 9), rows(1, 2));
    n.reshape(2, 8);
    ASSERT_EQ(inner.getRows(), 0);
    EXPECT_NO_THROW(inner = 1.0);
    EXPECT_NO_THROW(inner = none);
    EXPECT_NO_THROW(inner = none * 2.0);
    EXPECT_TRUE(raises([&] { outer = 1.0; }, typeid(MatrixExpression), "EXPRESSION ERROR",
                       "View lies outside its matrix."));
}

// A NaN bound excludes nothing (Range::includes), so a view treats it as an end without a limit.
TEST(MatrixViews, NaNBoundsSelectAsMissingEndsAndNeverReachOutside)
{
    const double nan = std::nan("");
    const struct {
        const char* name;
        int low, high; // the rows the view must cover in a 3 x 3 matrix
    } cases[] = {
        {"NaN <= r <= 2", 1, 2}, {"NaN < r < 3", 1, 2}, {"2 <= r <= NaN", 2, 3},
        {"NaN <= r <= NaN", 1, 3}, {"r < NaN", 1, 3},   {"r >= NaN", 1, 3},
    };
    // Built one by one: a chain needs a named range.
    Range built[6];
    nan <= built[0] <= 2.0;
    nan < built[1] < 3.0;
    2.0 <= built[2] <= nan;
    nan <= built[3] <= nan;
    built[4] < nan;
    built[5] >= nan;
    for (std::size_t k = 0; k < 6; ++k) {
        SCOPED_TRACE(cases[k].name);
        const int low = cases[k].low, high = cases[k].high;
        // The same range on rows, on columns, and on the inner view of a view.
        for (int where = 0; where < 3; ++where) {
            Matrix m = counting(3, 3);
            MatrixExpression whole = m(Range(), Range());
            MatrixExpression v = where == 0   ? m(built[k], rows(1, 3))
                                 : where == 1 ? m(rows(1, 3), built[k])
                                              : whole(built[k], rows(1, 3));
            const int expectRows = where == 1 ? 3 : high - low + 1;
            const int expectCols = where == 1 ? high - low + 1 : 3;
            ASSERT_EQ(v.getRows(), expectRows);
            ASSERT_EQ(v.getCols(), expectCols);
            v = 7.0;
            for (int i = 1; i <= 3; ++i)
                for (int j = 1; j <= 3; ++j) {
                    const int index = where == 1 ? j : i;
                    const bool inside = index >= low && index <= high;
                    EXPECT_EQ(m(i, j), inside ? 7.0 : 10.0 * i + j) << i << "," << j << " case " << where;
                }
        }
    }
}

TEST(MatrixViews, CopyAssignmentBetweenNodesCopiesElements)
{
    Matrix m = counting(4, 4);
    MatrixExpression target = m(rows(1, 2), rows(1, 2));
    MatrixExpression source = m(rows(3, 4), rows(3, 4));
    target = source; // the node's own copy assignment
    EXPECT_EQ(valuesOf(m(rows(1, 2), rows(1, 2))), (Values{33, 34, 43, 44}));
    target = 0.0; // still bound to the top-left block
    EXPECT_EQ(m(1, 1), 0);
    EXPECT_EQ(m(3, 3), 33);
}

TEST(MatrixViews, ElementAccessAndErrors)
{
    Matrix m = counting(4, 4);
    MatrixExpression v = m(rows(2, 3), rows(2, 4));
    v(2, 3) = -1;
    EXPECT_EQ(m(3, 4), -1);
    EXPECT_TRUE(raises([&] { v(3, 1); }, typeid(MatrixExpression), "INDEX ERROR", "Matrix index out of range."));
    EXPECT_TRUE(raises([&] { v(1, 0); }, typeid(MatrixExpression), "INDEX ERROR", "Matrix index out of range."));

    MatrixExpression marker = elementwise(m);
    EXPECT_TRUE(raises([&] { marker(1, 1); }, typeid(MatrixExpression), "NO MEMORY ERROR", "Memory not allocated"));
    MatrixExpression sum = m + m;
    EXPECT_TRUE(raisesDefault([&] { sum(1, 1); }));
    EXPECT_TRUE(raisesDefault([&] { sum = 1.0; }));
    EXPECT_TRUE(raises([&] { sum = m * 2; }, typeid(MatrixExpression), "NO MEMORY ERROR", "Memory not allocated"));

    Matrix c(2, 3);
    EXPECT_TRUE(raises([&] { v.evaluateInto(c, true); }, typeid(MatrixExpression), "NO MEMORY ERROR",
                       "Memory not allocated"));

    Matrix empty;
    MatrixExpression ofEmpty = empty(Range(), Range());
    EXPECT_TRUE(raisesDefault([&] { ofEmpty = 1.0; }));
}

TEST(MatrixViews, AViewNeverReachesOutsideAReshapedMatrix)
{
    Matrix m = counting(4, 4);
    MatrixExpression v = m(rows(3, 4), rows(3, 4));
    m.reshape(2, 8);
    EXPECT_TRUE(raises([&] { v = 1.0; }, typeid(MatrixExpression), "EXPRESSION ERROR", "View lies outside its matrix."));
    EXPECT_THROW(v(1, 1), Exception);
}

TEST(MatrixViews, SwapShiftAndTransposeOfABlock)
{
    Matrix m = counting(3, 3);
    Matrix other = makeMatrix(2, 2, {1, 2, 3, 4});
    m(rows(1, 2), rows(1, 2)).swap(other);
    EXPECT_EQ(valuesOf(other), (Values{11, 12, 21, 22}));
    EXPECT_EQ(valuesOf(m), (Values{1, 2, 13, 3, 4, 23, 31, 32, 33}));
    MatrixExpression topLeft = m(rows(1, 2), rows(1, 2));
    other.swap(topLeft);
    EXPECT_EQ(valuesOf(m), valuesOf(counting(3, 3)));
    EXPECT_TRUE(raises([&] { m(rows(1, 2), rows(1, 3)).swap(other); }, typeid(MatrixExpression), "EXPRESSION ERROR",
                       "Matrix size did not matched"));
    EXPECT_EQ(valuesOf(m), valuesOf(counting(3, 3)));

    m(rows(2, 3), rows(1, 3)).shiftCircular(1, 1);
    EXPECT_EQ(valuesOf(m), (Values{11, 12, 13, 33, 31, 32, 23, 21, 22}));
    m(rows(1, 2), rows(1, 2)).transpose();
    EXPECT_EQ(valuesOf(m), (Values{11, 33, 13, 12, 31, 32, 23, 21, 22}));
    EXPECT_TRUE(raises([&] { m(rows(1, 2), rows(1, 3)).transpose(); }, typeid(MatrixExpression), "EXPRESSION ERROR",
                       "Matrix size did not matched"));
    m(rows(1, 3), rows(1, 3)).rotateQuarters(2);
    EXPECT_EQ(m(1, 1), 22);
    EXPECT_EQ(m(rows(2, 3), rows(2, 3)).max(), 33);
    EXPECT_THROW(m(rows(1, 2), rows(1, 3)).reshape(3, 2), Exception);
}

TEST(MatrixNodes, ConstructorsCheckTheKind)
{
    const Matrix a(2, 2);
    Matrix b(2, 2);
    const char* message = "Operad format was failed.";
    EXPECT_TRUE(raises([&] { MatrixExpression(a, a, 7); }, typeid(MatrixExpression), "EXPRESSION ERROR", message));
    EXPECT_TRUE(raises([&] { MatrixExpression(a, 2.0, 3); }, typeid(MatrixExpression), "EXPRESSION ERROR", message));
    EXPECT_TRUE(raises([&] { MatrixExpression(b, Range(), Range(), 5); }, typeid(MatrixExpression),
                       "EXPRESSION ERROR", message));
    EXPECT_TRUE(raises([&] { MatrixExpression(1, 2, 2); }, typeid(MatrixExpression), "EXPRESSION ERROR", message));

    // Matrix quotient and the two-integer node are accepted but have no value to assign.
    MatrixExpression quotient(a, a, MatrixExpression::Quotient);
    EXPECT_EQ(quotient.getKind(), 6);
    Matrix c(2, 2);
    EXPECT_TRUE(raises([&] { c = quotient; }, typeid(MatrixExpression), "EXPRESSION ERROR",
                       "This operation cannot be evaluated."));
    EXPECT_TRUE(raises([&] { c = MatrixExpression(2, 2, 14); }, typeid(MatrixExpression), "EXPRESSION ERROR",
                       "This operation cannot be evaluated."));
}

TEST(MatrixNodes, TreePrint)
{
    const Matrix a(2, 2), b(2, 2);
    const MatrixExpression sum = a + b;
    ::testing::internal::CaptureStdout();
    sum.dump(0);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    std::ostringstream expected;
    expected << "Matrix op+:" << static_cast<const void*>(&sum) << "\n"
             << " Matrix 2*2:" << static_cast<const void*>(&a) << "\n"
             << " Matrix 2*2:" << static_cast<const void*>(&b) << "\n";
    EXPECT_EQ(printed, expected.str());
}

} // namespace
} // namespace Lumidraft
