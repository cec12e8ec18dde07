// Plain matrices: storage, element access, assignment, shape operations and printing.
#include <climits>
#include <cmath>
#include <sstream>

#include "matrix_test_support.h"

namespace Lumidraft {
namespace {

using testing::closedRange;
using testing::makeMatrix;
using testing::raises;
using testing::valuesOf;

using Values = std::vector<double>;

TEST(MatrixStorage, NewMatrixIsZeroAndRowMajor)
{
    Matrix m(2, 3);
    EXPECT_EQ(m.getRows(), 2);
    EXPECT_EQ(m.getCols(), 3);
    EXPECT_EQ(valuesOf(m), Values(6, 0.0));
    m(2, 3) = 6.0;
    m(1, 1) = 1.0;
    m(1, 2) = 2.0;
    // Reading the storage in one row shows where each element lives: (2,3) is the sixth.
    m.reshape(1, 6);
    EXPECT_EQ(valuesOf(m), (Values{1, 2, 0, 0, 0, 6}));
}

TEST(MatrixStorage, AllocationErrors)
{
    const struct {
        int rows, cols;
        const char* message;
    } cases[] = {
        {0, 5, "Number of rows must be positive integer."},
        {3, -1, "Number of columns must be positive integer."},
        {0, 0, "Number of rows must be positive integer."},
        {-2, 0, "Number of rows must be positive integer."},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(raises([&] { Matrix m(c.rows, c.cols); }, typeid(Matrix), "FORMAT ERROR", c.message))
            << c.rows << "x" << c.cols;
}

TEST(MatrixStorage, ShapesBeyondTheElementCountAreRefused)
{
    Matrix m;
    EXPECT_THROW(m.allocate(65536, 65536), std::bad_alloc);
    EXPECT_FALSE(m.hasInstance());
}

TEST(MatrixStorage, MatrixWithoutStorage)
{
    Matrix m;
    EXPECT_FALSE(m.hasInstance());
    EXPECT_EQ(m.instance(), nullptr);
    EXPECT_TRUE(raises([&] { m(1, 1); }, typeid(Matrix), "OPERAND ERROR", "This operated matrix has no instance"));
    EXPECT_TRUE(raises([&] { m = 1.5; }, typeid(Matrix), "NO MEMORY ERROR", "Memory not allocated"));
    EXPECT_TRUE(raises([&] { m.max(); }, typeid(Matrix), "OPERAND ERROR", "This operated matrix has no instance"));
    EXPECT_TRUE(raises([&] { m.min(); }, typeid(Matrix), "OPERAND ERROR", "This operated matrix has no instance"));
    double* first = nullptr;
    int stride = 0;
    EXPECT_TRUE(raises([&] { m.rowAccess(first, stride); }, typeid(Matrix), "NO MEMORY ERROR", "Memory not allocated"));
    Matrix other(2, 2);
    EXPECT_TRUE(raises([&] { m.swap(other); }, typeid(Matrix), "NO MEMORY ERROR", "Memory not allocated"));
    EXPECT_TRUE(raises([&] { m.evaluateInto(other, true); }, typeid(Matrix), "SYSTEM EXPRESSION ERROR",
                       "Please notify this error to developers"));
}

TEST(MatrixStorage, IndicesOutsideTheMatrixAreRefused)
{
    Matrix m(2, 3);
    const int bad[][2] = {{0, 1}, {3, 1}, {1, 0}, {1, 4}, {-1, -1}, {INT_MAX, 1}, {1, INT_MIN}};
    for (const auto& ij : bad)
        EXPECT_TRUE(raises([&] { m(ij[0], ij[1]); }, typeid(Matrix), "INDEX ERROR", "Matrix index out of range."))
            << ij[0] << "," << ij[1];
    const Matrix& constant = m;
    EXPECT_THROW(constant(3, 3), Exception);
    EXPECT_NO_THROW(m(2, 3) = 1.0);
}

TEST(MatrixAssignment, SizesAnEmptyMatrixAndChecksOthers)
{
    const Matrix source = makeMatrix(2, 3, {1, 2, 3, 4, 5, 6});
    Matrix empty;
    empty = source;
    EXPECT_EQ(empty.getRows(), 2);
    EXPECT_EQ(valuesOf(empty), valuesOf(source));

    Matrix wrong(3, 2);
    EXPECT_TRUE(raises([&] { wrong = source; }, typeid(Matrix), "EXPRESSION ERROR", "Matrix size did not matched"));
    EXPECT_EQ(valuesOf(wrong), Values(6, 0.0));

    Matrix numbers(2, 2);
    numbers = 1.5;
    EXPECT_EQ(valuesOf(numbers), Values(4, 1.5));
}

TEST(MatrixAssignment, AllocateKeepsExistingStorage)
{
    Matrix m = makeMatrix(2, 2, {1, 2, 3, 4});
    m.allocate(4, 4);
    m.allocateZeroed(3, 3);
    EXPECT_EQ(m.getRows(), 2);
    EXPECT_EQ(valuesOf(m), (Values{1, 2, 3, 4}));
}

TEST(MatrixAssignment, CopyFromRefusesUnequalShapes)
{
    Matrix small(2, 2), large(3, 3);
    EXPECT_TRUE(raises([&] { small.copyFrom(large); }, typeid(Matrix), "EXPRESSION ERROR",
                       "Matrix size did not matched"));
    EXPECT_TRUE(raises([&] { large.copyFrom(small); }, typeid(Matrix), "EXPRESSION ERROR",
                       "Matrix size did not matched"));
}

TEST(MatrixAssignment, CopyAndMoveConstruction)
{
    Matrix a = makeMatrix(1, 3, {1, 2, 3});
    Matrix copy(a);
    copy(1, 1) = 9;
    EXPECT_EQ(a(1, 1), 1);
    Matrix moved(std::move(a));
    EXPECT_EQ(valuesOf(moved), (Values{1, 2, 3}));
    EXPECT_FALSE(a.hasInstance()); // NOLINT: the moved-from state is part of the contract
}

TEST(MatrixAssignment, AFailedMoveLeavesNoStorage)
{
    // The move copies a view; the view no longer fits its transposed matrix, so the copy fails.
    Matrix m(1, 4);
    MatrixExpression v = m(1, Range());
    m.transpose();
    Matrix c(std::move(static_cast<Matrix&>(v)));
    EXPECT_FALSE(c.hasInstance());
    EXPECT_EQ(c.getRows(), 0);
    EXPECT_EQ(c.getCols(), 0);
    EXPECT_TRUE(raises([&] { c(1, 1); }, typeid(Matrix), "OPERAND ERROR", "This operated matrix has no instance"));
    EXPECT_TRUE(raises([&] { c = 1.0; }, typeid(Matrix), "NO MEMORY ERROR", "Memory not allocated"));
    // Without storage it is sized by its next assignment, like a default-constructed matrix.
    c = makeMatrix(1, 2, {5, 6});
    EXPECT_EQ(valuesOf(c), (Values{5, 6}));
}

TEST(MatrixShape, SwapExchangesStorageOfAnySize)
{
    Matrix a = makeMatrix(1, 2, {1, 2});
    Matrix b = makeMatrix(3, 1, {7, 8, 9});
    a.swap(b);
    EXPECT_EQ(a.getRows(), 3);
    EXPECT_EQ(valuesOf(a), (Values{7, 8, 9}));
    EXPECT_EQ(b.getCols(), 2);
    EXPECT_EQ(valuesOf(b), (Values{1, 2}));
}

TEST(MatrixShape, ShiftCircularOfAColumn)
{
    const struct {
        int shift;
        Values expected;
    } cases[] = {{1, {3, 1, 2}}, {-1, {2, 3, 1}}, {0, {1, 2, 3}}, {3, {1, 2, 3}}, {-3, {1, 2, 3}}, {5, {2, 3, 1}}};
    for (const auto& c : cases) {
        Matrix m = makeMatrix(3, 1, {1, 2, 3});
        m.shiftCircular(c.shift, 0);
        EXPECT_EQ(valuesOf(m), c.expected) << "shift " << c.shift;
    }
}

TEST(MatrixShape, ShiftCircularMovesRowsDownAndColumnsRight)
{
    const int rows = 3, cols = 4;
    const int shifts[][2] = {{1, 1}, {2, -1}, {-4, 7}, {0, 4}, {INT_MIN, INT_MAX}, {INT_MAX, INT_MIN}};
    for (const auto& s : shifts) {
        Matrix m(rows, cols);
        for (int i = 1; i <= rows; ++i)
            for (int j = 1; j <= cols; ++j) m(i, j) = 10 * i + j;
        m.shiftCircular(s[0], s[1]);
        const auto wrap = [](long long v, int n) { return static_cast<int>(((v % n) + n) % n); };
        for (int i = 1; i <= rows; ++i)
            for (int j = 1; j <= cols; ++j) {
                // new(i, j) = old(i - a, j - b), indices taken cyclically.
                const int oi = wrap(static_cast<long long>(i - 1) - s[0], rows) + 1;
                const int oj = wrap(static_cast<long long>(j - 1) - s[1], cols) + 1;
                EXPECT_EQ(m(i, j), 10 * oi + oj) << s[0] << "," << s[1] << " at " << i << "," << j;
            }
    }
}

TEST(MatrixShape, TransposeReshapeAndCatRow)
{
    Matrix m = makeMatrix(2, 3, {1, 2, 3, 4, 5, 6});
    m.transpose();
    EXPECT_EQ(m.getRows(), 3);
    EXPECT_EQ(valuesOf(m), (Values{1, 4, 2, 5, 3, 6}));

    Matrix r = makeMatrix(2, 3, {1, 2, 3, 4, 5, 6});
    r.reshape(3, 2);
    EXPECT_EQ(r.getRows(), 3);
    EXPECT_EQ(r(2, 1), 3);
    EXPECT_EQ(valuesOf(r), (Values{1, 2, 3, 4, 5, 6}));
    for (const auto& shape : {std::pair{4, 2}, std::pair{-2, -3}, std::pair{0, 0}})
        EXPECT_TRUE(raises([&] { r.reshape(shape.first, shape.second); }, typeid(Matrix), "EXPRESSION ERROR",
                           "Rows*Cols must be equal before and after the reshape."));
    EXPECT_EQ(r.getRows(), 3);

    Matrix upper = makeMatrix(2, 3, {1, 2, 3, 4, 5, 6});
    upper.catRow(makeMatrix(1, 3, {7, 8, 9}));
    EXPECT_EQ(upper.getRows(), 3);
    EXPECT_EQ(valuesOf(upper), (Values{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    const char* catMessage = "Both cols must be same when cat Matrix in row.";
    EXPECT_TRUE(raises([&] { upper.catRow(makeMatrix(1, 2, {1, 2})); }, typeid(Matrix), "EXPRESSION ERROR", catMessage));
    EXPECT_TRUE(raises([&] { upper.catRow(Matrix()); }, typeid(Matrix), "EXPRESSION ERROR", catMessage));
    EXPECT_TRUE(raises([&] { Matrix().catRow(upper); }, typeid(Matrix), "EXPRESSION ERROR", catMessage));
    upper.catRow(upper);
    EXPECT_EQ(upper.getRows(), 6);
    EXPECT_EQ(upper(6, 3), 9);
}

TEST(MatrixShape, RotateQuartersTurnsCounterClockwise)
{
    // 1 2 3        3 6      6 5 4      4 1
    // 4 5 6   ->   2 5  ,   3 2 1  ,   5 2
    //              1 4                 6 3
    const struct {
        int quarters, rows;
        Values expected;
    } cases[] = {
        {1, 3, {3, 6, 2, 5, 1, 4}}, {2, 2, {6, 5, 4, 3, 2, 1}}, {3, 3, {4, 1, 5, 2, 6, 3}},
        {4, 2, {1, 2, 3, 4, 5, 6}}, {0, 2, {1, 2, 3, 4, 5, 6}}, {-1, 3, {4, 1, 5, 2, 6, 3}},
        {-4, 2, {1, 2, 3, 4, 5, 6}}, {5, 3, {3, 6, 2, 5, 1, 4}}, {INT_MIN, 2, {1, 2, 3, 4, 5, 6}},
    };
    for (const auto& c : cases) {
        Matrix m = makeMatrix(2, 3, {1, 2, 3, 4, 5, 6});
        m.rotateQuarters(c.quarters);
        EXPECT_EQ(m.getRows(), c.rows) << c.quarters;
        EXPECT_EQ(valuesOf(m), c.expected) << c.quarters;
    }
}

TEST(MatrixShape, ShapeOperationsOnAMatrixWithoutStorage)
{
    const char* rowsMessage = "Number of rows must be positive integer.";
    EXPECT_TRUE(raises([] { Matrix().shiftCircular(1, 1); }, typeid(Matrix), "FORMAT ERROR", rowsMessage));
    EXPECT_TRUE(raises([] { Matrix().transpose(); }, typeid(Matrix), "FORMAT ERROR", rowsMessage));
    EXPECT_TRUE(raises([] { Matrix().rotateQuarters(1); }, typeid(Matrix), "FORMAT ERROR", rowsMessage));
}

TEST(MatrixValues, MaxMinAndApplyToEach)
{
    Matrix m = makeMatrix(2, 3, {-4, 2.5, 0, 7, -9, 3});
    EXPECT_EQ(m.max(), 7);
    EXPECT_EQ(m.min(), -9);
    m.applyToEach([](double x) { return std::fabs(x); });
    EXPECT_EQ(valuesOf(m), (Values{4, 2.5, 0, 7, 9, 3}));
    EXPECT_EQ(makeMatrix(1, 1, {-3}).max(), -3);
}

TEST(MatrixValues, AllocateGridSamplesWithoutTheUpperBounds)
{
    Matrix g;
    g.allocateGrid(closedRange(0, 1), 0.25, closedRange(0, 2), 1.0);
    ASSERT_EQ(g.getRows(), 4);
    ASSERT_EQ(g.getCols(), 2);
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 2; ++j) EXPECT_EQ(g(i, j), 0.25 * (i - 1) + (j - 1));

    // Coordinates accumulate by repeated addition of the step.
    Matrix tenths;
    tenths.allocateGrid(closedRange(0, 1), 0.1, closedRange(0, 1), 1.0);
    double y = 0.0;
    for (int i = 1; i <= tenths.getRows(); ++i, y = y + 0.1) EXPECT_EQ(tenths(i, 1), y + 0.0);

    Matrix kept = makeMatrix(1, 1, {5});
    kept.allocateGrid(closedRange(0, 1), 0.25, closedRange(0, 2), 1.0);
    EXPECT_EQ(kept.getRows(), 1);
}

TEST(MatrixValues, AllocateGridErrors)
{
    Range unlimited;
    unlimited >= 2;
    Matrix g;
    try {
        g.allocateGrid(closedRange(0, 1), 0.5, unlimited, 1.0);
        ADD_FAILURE() << "nothing thrown";
    } catch (Range::_MINMAX kind) {
        EXPECT_EQ(kind, Range::MAX);
    }
    const char* rowsMessage = "Number of rows must be positive integer.";
    EXPECT_TRUE(raises([&] { g.allocateGrid(closedRange(0, 1), 2.0, closedRange(0, 2), 1.0); }, typeid(Matrix),
                       "FORMAT ERROR", rowsMessage));
    EXPECT_TRUE(raises([&] { g.allocateGrid(closedRange(0, 1), 0.0 * -1.0, closedRange(0, 2), 1.0); },
                       typeid(Matrix), "FORMAT ERROR", rowsMessage));
    EXPECT_TRUE(raises([&] { g.allocateGrid(closedRange(0, 1), std::nan(""), closedRange(0, 2), 1.0); },
                       typeid(Matrix), "FORMAT ERROR", rowsMessage));
    EXPECT_FALSE(g.hasInstance());
}

TEST(MatrixPrinting, StreamOutputAndDump)
{
    std::ostringstream out;
    out << makeMatrix(1, 2, {1, 2.5});
    EXPECT_EQ(out.str(), "1\t2.5\t\n");
    std::ostringstream none;
    none << Matrix();
    EXPECT_EQ(none.str(), "");

    Matrix m(2, 3);
    ::testing::internal::CaptureStdout();
    m.dump(2);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    std::ostringstream expected;
    expected << "  Matrix 2*3:" << static_cast<const void*>(&m) << "\n";
    EXPECT_EQ(printed, expected.str());
}

} // namespace
} // namespace Lumidraft
