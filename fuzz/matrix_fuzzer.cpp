// Random programs of matrix operations (storage, element access, views and views of views with
// hostile ranges, expressions, shape changes under live views, moves, swaps, grids), each checked
// against a plain model: the values every matrix must hold afterwards, and which calls must be
// refused. A refused call must leave every matrix as it was.
#include "fuzz_input.h"

#include "app/exception.h"
#include "geometry/range.h"
#include "matrix/matrix.h"
#include "matrix/matrix_expression.h"

#include <climits>
#include <cmath>
#include <memory>
#include <new>
#include <utility>
#include <vector>

using namespace Lumidraft;
using fuzz::Input;

namespace {

constexpr int plainCount = 3;
constexpr int maxViews = 6;
constexpr long long maxElements = 64;

struct Plain {
    bool storage = false;
    int rows = 0, cols = 0;
    std::vector<double> v;
    double at(int i, int j) const { return v[static_cast<std::size_t>(i) * cols + j]; } // 0-based
    double& at(int i, int j) { return v[static_cast<std::size_t>(i) * cols + j]; }
};

// A block of its base matrix: offsets are 0-based and absolute; the outermost view's block
// decides whether the chain still fits the base (inner ones lie inside it by construction).
struct Block {
    int row0 = 0, col0 = 0, rows = 0, cols = 0;
};

struct ViewModel {
    int base = 0;
    Block outer;
    Block own;
};

struct State {
    std::unique_ptr<Matrix> plain[plainCount];
    Plain model[plainCount];
    std::vector<std::unique_ptr<MatrixExpression>> views;
    std::vector<ViewModel> viewModel;
};

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void checkPlain(const State& s, int k)
{
    const Matrix& m = *s.plain[k];
    const Plain& p = s.model[k];
    LUMIDRAFT_FUZZ_CHECK(m.hasInstance() == p.storage);
    if (!p.storage) return;
    LUMIDRAFT_FUZZ_CHECK(m.getRows() == p.rows && m.getCols() == p.cols);
    for (int i = 0; i < p.rows; ++i)
        for (int j = 0; j < p.cols; ++j) LUMIDRAFT_FUZZ_CHECK(same(m(i + 1, j + 1), p.at(i, j)));
}

void checkAll(const State& s)
{
    for (int k = 0; k < plainCount; ++k) checkPlain(s, k);
}

bool fits(const Block& b, const Plain& p)
{
    return b.rows <= 0 || b.cols <= 0 || (b.row0 + b.rows <= p.rows && b.col0 + b.cols <= p.cols);
}

// Whether the view's elements can be reached now.
bool readable(const State& s, int v)
{
    const ViewModel& m = s.viewModel[v];
    return s.model[m.base].storage && fits(m.outer, s.model[m.base]);
}

// The smallest index 1..n+1 the lower end admits, and the largest 0..n the upper end admits
// (0 when none): the block a range selects out of n rows, found by asking the range itself.
int lowIndex(const Range& r, int n)
{
    Range lower;
    lower.lower = r.lower;
    for (int i = 1; i <= n; ++i)
        if (lower.includes(i)) return i;
    return n + 1;
}

int highIndex(const Range& r, int n)
{
    Range upper;
    upper.upper = r.upper;
    for (int i = n; i >= 1; --i)
        if (upper.includes(i)) return i;
    return 0;
}

Range makeRange(Input& in)
{
    Range r;
    const double a = in.real(-2, 8), b = in.real(-2, 8);
    switch (in.byte() % 8) {
    case 0: break;
    case 1: a <= r <= b; break;
    case 2: a < r < b; break;
    case 3: a <= r < b; break;
    case 4: r >= a; break;
    case 5: r > a; break;
    case 6: r <= b; break;
    default: r < b; break;
    }
    return r;
}

// An operand of an expression: a plain matrix or a view.
struct Operand {
    const Matrix* m;
    int plain; // -1 for a view
    int view;
};

Operand pickOperand(State& s, Input& in)
{
    const int n = plainCount + static_cast<int>(s.views.size());
    const int k = in.pick(0, n - 1);
    if (k < plainCount) return {s.plain[k].get(), k, -1};
    return {s.views[k - plainCount].get(), -1, k - plainCount};
}

int rowsOf(const State& s, const Operand& o)
{
    return o.plain >= 0 ? s.model[o.plain].rows : s.viewModel[o.view].own.rows;
}
int colsOf(const State& s, const Operand& o)
{
    return o.plain >= 0 ? s.model[o.plain].cols : s.viewModel[o.view].own.cols;
}
bool operandReadable(const State& s, const Operand& o)
{
    return o.plain >= 0 ? s.model[o.plain].storage : readable(s, o.view);
}
double valueOf(const State& s, const Operand& o, int i, int j)
{
    if (o.plain >= 0) return s.model[o.plain].at(i, j);
    const ViewModel& v = s.viewModel[o.view];
    return s.model[v.base].at(v.own.row0 + i, v.own.col0 + j);
}

std::vector<double> valuesOfOperand(const State& s, const Operand& o)
{
    std::vector<double> out;
    for (int i = 0; i < rowsOf(s, o); ++i)
        for (int j = 0; j < colsOf(s, o); ++j) out.push_back(valueOf(s, o, i, j));
    return out;
}

// Writes values (row by row) into the operand's elements in the model.
void store(State& s, const Operand& o, const std::vector<double>& values)
{
    const int r = rowsOf(s, o), c = colsOf(s, o);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) {
            const double x = values[static_cast<std::size_t>(i) * c + j];
            if (o.plain >= 0) {
                s.model[o.plain].at(i, j) = x;
            } else {
                const ViewModel& v = s.viewModel[o.view];
                s.model[v.base].at(v.own.row0 + i, v.own.col0 + j) = x;
            }
        }
}

void dropViewsOf(State& s, int k)
{
    for (std::size_t v = s.views.size(); v-- > 0;)
        if (s.viewModel[v].base == k) {
            s.views.erase(s.views.begin() + static_cast<std::ptrdiff_t>(v));
            s.viewModel.erase(s.viewModel.begin() + static_cast<std::ptrdiff_t>(v));
        }
}

// Runs f, which the model says must be refused (or not). A refusal is an Exception; it must
// leave every matrix as it was.
template <class F>
bool runExpecting(State& s, bool refused, F&& f)
{
    try {
        f();
    } catch (const Exception&) {
        LUMIDRAFT_FUZZ_CHECK(refused);
        checkAll(s);
        return false;
    }
    LUMIDRAFT_FUZZ_CHECK(!refused);
    return true;
}

void newPlain(State& s, Input& in)
{
    const int k = in.pick(0, plainCount - 1);
    const int r = in.flag() ? in.pick(1, 6) : in.integer(-2, 8);
    const int c = in.flag() ? in.pick(1, 6) : in.integer(-2, 8);
    const long long n = static_cast<long long>(r) * c;
    if (r > 0 && c > 0 && n > maxElements && n <= INT_MAX) return; // real but too big to bother
    dropViewsOf(s, k);
    s.plain[k] = std::make_unique<Matrix>();
    s.model[k] = Plain();
    try {
        s.plain[k] = std::make_unique<Matrix>(r, c);
        LUMIDRAFT_FUZZ_CHECK(r > 0 && c > 0 && n <= maxElements);
    } catch (const Exception&) {
        LUMIDRAFT_FUZZ_CHECK(r <= 0 || c <= 0);
        return;
    } catch (const std::bad_alloc&) {
        LUMIDRAFT_FUZZ_CHECK(n > INT_MAX);
        return;
    }
    s.model[k] = Plain{true, r, c, std::vector<double>(static_cast<std::size_t>(n), 0.0)};
    checkPlain(s, k); // a new matrix is all zeros
    for (int i = 1; i <= r; ++i)
        for (int j = 1; j <= c; ++j) {
            const double x = in.pick(-4, 9);
            (*s.plain[k])(i, j) = x;
            s.model[k].at(i - 1, j - 1) = x;
        }
}

void setElement(State& s, Input& in)
{
    const Operand o = pickOperand(s, in);
    const int i = in.integer(-1, 7), j = in.integer(-1, 7);
    const double x = in.real(-4, 9);
    const int r = rowsOf(s, o), c = colsOf(s, o);
    const bool inside = i >= 1 && i <= r && j >= 1 && j <= c;
    const bool ok = inside && operandReadable(s, o);
    if (runExpecting(s, !ok, [&] { (*const_cast<Matrix*>(o.m))(i, j) = x; })) {
        if (o.plain >= 0) s.model[o.plain].at(i - 1, j - 1) = x;
        else {
            const ViewModel& v = s.viewModel[o.view];
            s.model[v.base].at(v.own.row0 + i - 1, v.own.col0 + j - 1) = x;
        }
    }
}

void newView(State& s, Input& in)
{
    // Views of views point at their parent view: none is destroyed before the end of the input.
    if (static_cast<int>(s.views.size()) >= maxViews) return;
    const Operand o = pickOperand(s, in);
    const int form = in.byte() % 3;
    Range rr = makeRange(in), cr = makeRange(in);
    const int single = in.integer(-1, 7);
    if (form == 1) {
        cr = Range();
        single <= cr <= single;
    } else if (form == 2) {
        rr = Range();
        single <= rr <= single;
    }
    Matrix& source = *const_cast<Matrix*>(o.m);
    std::unique_ptr<MatrixExpression> view;
    if (form == 0) view = std::make_unique<MatrixExpression>(source(rr, cr));
    else if (form == 1) view = std::make_unique<MatrixExpression>(source(rr, single));
    else view = std::make_unique<MatrixExpression>(source(single, cr));

    const int n = rowsOf(s, o), m = colsOf(s, o);
    const int rowLow = lowIndex(rr, n), colLow = lowIndex(cr, m);
    const int rows = std::max(0, highIndex(rr, n) - rowLow + 1);
    const int cols = std::max(0, highIndex(cr, m) - colLow + 1);
    LUMIDRAFT_FUZZ_CHECK(view->getRows() == rows && view->getCols() == cols);

    ViewModel vm;
    Block own{rowLow - 1, colLow - 1, rows, cols};
    if (o.plain >= 0) {
        vm.base = o.plain;
        vm.outer = own;
    } else {
        const ViewModel& parent = s.viewModel[o.view];
        vm.base = parent.base;
        vm.outer = parent.outer;
        own.row0 += parent.own.row0;
        own.col0 += parent.own.col0;
    }
    vm.own = own;
    s.views.push_back(std::move(view));
    s.viewModel.push_back(vm);
}

// target = expression, checked value by value; the operators refuse unequal shapes before any
// assignment.
void assignExpression(State& s, Input& in)
{
    const Operand t = pickOperand(s, in);
    const Operand a = pickOperand(s, in);
    const Operand b = pickOperand(s, in);
    const double scalar = in.real(-3, 5);
    const int op = in.byte() % 10;
    const int ar = rowsOf(s, a), ac = colsOf(s, a), br = rowsOf(s, b), bc = colsOf(s, b);

    // Shape of the expression and whether its operator refuses it.
    int er = ar, ec = ac;
    bool operatorRefuses = false;
    if (op == 0 || op == 1 || op == 3) operatorRefuses = ar != br || ac != bc;
    if (op == 2) {
        operatorRefuses = ac != br;
        ec = bc;
    }
    if (op == 9) operatorRefuses = ar != ac;

    const bool readableOperands = operandReadable(s, a) && (op > 3 || operandReadable(s, b));
    std::vector<double> expected;
    if (!operatorRefuses && readableOperands) {
        for (int i = 0; i < er; ++i)
            for (int j = 0; j < ec; ++j) {
                const double x = op == 2 ? 0.0 : valueOf(s, a, i, j); // a product has other columns
                double e = 0.0;
                switch (op) {
                case 0: e = e + x + valueOf(s, b, i, j); break;
                case 1: e = e + x - valueOf(s, b, i, j); break;
                case 2:
                    for (int k = 0; k < ac; ++k) e = e + valueOf(s, a, i, k) * valueOf(s, b, k, j);
                    break;
                case 3: e = e + x * valueOf(s, b, i, j); break;
                case 4: e = e + x + scalar; break;
                case 5: e = e + x - scalar; break;
                case 6: e = e + x * scalar; break;
                case 7: e = e + x / scalar; break;
                default: e = x; break; // 8: the operand itself; 9: power, not modelled
                }
                expected.push_back(e);
            }
    }

    const int tr = rowsOf(s, t), tc = colsOf(s, t);
    const bool targetSized = t.plain < 0 || s.model[t.plain].storage;
    const bool targetEmpty = tr == 0 || tc == 0;
    Matrix& target = *const_cast<Matrix*>(t.m);
    const double exponent = std::floor(std::fabs(std::fmod(scalar, 4.0)));
    auto assign = [&] {
        switch (op) {
        case 0: target = *a.m + *b.m; break;
        case 1: target = *a.m - *b.m; break;
        case 2: target = *a.m * *b.m; break;
        case 3: target = elementwise(*a.m) * *b.m; break;
        case 4: target = *a.m + scalar; break;
        case 5: target = *a.m - scalar; break;
        case 6: target = *a.m * scalar; break;
        case 7: target = *a.m / scalar; break;
        case 8: target = *a.m; break;
        default: target = *a.m ^ exponent; break;
        }
    };

    if (op == 9) {
        // Not modelled: only memory safety, and the matrices it did not write stay as they were.
        try {
            assign();
        } catch (const Exception&) {
        }
        for (int k = 0; k < plainCount; ++k) {
            const bool base = t.plain == k || (t.view >= 0 && s.viewModel[t.view].base == k);
            if (!base) checkPlain(s, k);
            else {
                s.model[k].storage = s.plain[k]->hasInstance();
                if (!s.model[k].storage) continue;
                s.model[k].rows = s.plain[k]->getRows();
                s.model[k].cols = s.plain[k]->getCols();
                s.model[k].v.clear();
                for (int i = 1; i <= s.model[k].rows; ++i)
                    for (int j = 1; j <= s.model[k].cols; ++j) s.model[k].v.push_back((*s.plain[k])(i, j));
            }
        }
        return;
    }

    if (operatorRefuses) {
        runExpecting(s, true, assign);
        return;
    }
    if (!targetSized) {
        // Sized from the expression: refused when it has no elements; when an operand cannot be
        // read the new storage holds whatever the failed evaluation left.
        const bool ok = er > 0 && ec > 0 && readableOperands;
        try {
            assign();
            LUMIDRAFT_FUZZ_CHECK(ok);
            s.model[t.plain] = Plain{true, er, ec, expected};
        } catch (const Exception&) {
            LUMIDRAFT_FUZZ_CHECK(!ok);
            if (s.plain[t.plain]->hasInstance()) {
                LUMIDRAFT_FUZZ_CHECK(s.plain[t.plain]->getRows() == er && s.plain[t.plain]->getCols() == ec);
                s.model[t.plain] = Plain{true, er, ec, std::vector<double>(static_cast<std::size_t>(er) * ec)};
                for (int i = 0; i < er; ++i)
                    for (int j = 0; j < ec; ++j) s.model[t.plain].at(i, j) = (*s.plain[t.plain])(i + 1, j + 1);
            }
            checkAll(s);
        }
        return;
    }
    const bool sizeOk = tr == er && tc == ec;
    if (sizeOk && targetEmpty && t.view >= 0 && s.model[s.viewModel[t.view].base].storage) {
        // An empty view takes any source of its size and writes nothing, whichever path.
        runExpecting(s, false, assign);
        return;
    }
    const bool targetOk = t.plain >= 0 || readable(s, t.view);
    const bool ok = sizeOk && targetOk && readableOperands;
    if (runExpecting(s, !ok, assign)) store(s, t, expected);
}

void assignNumber(State& s, Input& in)
{
    const Operand t = pickOperand(s, in);
    const double x = in.real(-4, 9);
    const int r = rowsOf(s, t), c = colsOf(s, t);
    Matrix& target = *const_cast<Matrix*>(t.m);
    if (t.view >= 0 && (r == 0 || c == 0)) {
        runExpecting(s, !s.model[s.viewModel[t.view].base].storage, [&] { target = x; });
        return;
    }
    const bool ok = t.plain >= 0 ? s.model[t.plain].storage : readable(s, t.view);
    if (runExpecting(s, !ok, [&] { target = x; }))
        store(s, t, std::vector<double>(static_cast<std::size_t>(r) * c, x));
}

long long wrap(long long shift, long long n) { return ((shift % n) + n) % n; }

void reshapePlain(State& s, Input& in)
{
    const int k = in.pick(0, plainCount - 1);
    Matrix& m = *s.plain[k];
    Plain& p = s.model[k];
    const int what = in.byte() % 5;
    const int a = in.integer(-3, 8), b = in.integer(-3, 8);
    if (!p.storage) {
        // Without storage every shape change is refused (an empty reshape to 0 x 0 aside).
        try {
            if (what == 0) m.transpose();
            else if (what == 1) m.shiftCircular(a, b);
            else if (what == 2) m.rotateQuarters(a);
            else if (what == 3) m.reshape(a, b);
        } catch (const Exception&) {
        }
        checkAll(s);
        return;
    }
    Plain next = p;
    bool refused = false;
    if (what == 0) {
        next.rows = p.cols;
        next.cols = p.rows;
        for (int i = 0; i < p.rows; ++i)
            for (int j = 0; j < p.cols; ++j) next.at(j, i) = p.at(i, j);
    } else if (what == 1) {
        const long long down = wrap(a, p.rows), right = wrap(b, p.cols);
        for (int i = 0; i < p.rows; ++i)
            for (int j = 0; j < p.cols; ++j)
                next.at(static_cast<int>((i + down) % p.rows), static_cast<int>((j + right) % p.cols)) = p.at(i, j);
    } else if (what == 2) {
        const int q = static_cast<int>(wrap(a, 4));
        if (q % 2 == 1) std::swap(next.rows, next.cols);
        for (int i = 0; i < p.rows; ++i)
            for (int j = 0; j < p.cols; ++j) {
                if (q == 0) next.at(i, j) = p.at(i, j);
                else if (q == 1) next.at(p.cols - 1 - j, i) = p.at(i, j);
                else if (q == 2) next.at(p.rows - 1 - i, p.cols - 1 - j) = p.at(i, j);
                else next.at(j, p.rows - 1 - i) = p.at(i, j);
            }
    } else if (what == 3) {
        refused = a <= 0 || b <= 0 || static_cast<long long>(a) * b != static_cast<long long>(p.rows) * p.cols;
        if (!refused) {
            next.rows = a;
            next.cols = b;
        }
    } else {
        // catRow with another plain matrix.
        const int other = in.pick(0, plainCount - 1);
        const Plain& o = s.model[other];
        refused = !o.storage || o.cols != p.cols || static_cast<long long>(p.rows) + o.rows > maxElements;
        if (refused && o.storage && o.cols == p.cols) return; // too big to bother
        if (!refused) {
            next.rows = p.rows + o.rows;
            next.v.insert(next.v.end(), o.v.begin(), o.v.end());
        }
        if (runExpecting(s, refused, [&] { m.catRow(*s.plain[other]); })) p = next;
        return;
    }
    if (runExpecting(s, refused, [&] {
            if (what == 0) m.transpose();
            else if (what == 1) m.shiftCircular(a, b);
            else if (what == 2) m.rotateQuarters(a);
            else m.reshape(a, b);
        }))
        p = next;
}

void reshapeView(State& s, Input& in)
{
    if (s.views.empty()) return;
    const int v = in.pick(0, static_cast<int>(s.views.size()) - 1);
    const Operand o{s.views[v].get(), -1, v};
    const int r = rowsOf(s, o), c = colsOf(s, o);
    const bool transpose = in.flag();
    const int a = in.integer(-3, 8), b = in.integer(-3, 8);
    if (r == 0 || c == 0) {
        // Nothing to move.
        transpose ? s.views[v]->transpose() : s.views[v]->shiftCircular(a, b);
        checkAll(s);
        return;
    }
    const bool refusedAlready = !readable(s, v);
    const std::vector<double> old = refusedAlready ? std::vector<double>(static_cast<std::size_t>(r) * c)
                                                   : valuesOfOperand(s, o);
    std::vector<double> next(old.size());
    bool refused = refusedAlready;
    if (transpose) {
        refused = refused || r != c;
        for (int i = 0; i < r && !refused; ++i)
            for (int j = 0; j < c; ++j) next[static_cast<std::size_t>(j) * c + i] = old[static_cast<std::size_t>(i) * c + j];
    } else {
        const long long down = wrap(a, r), right = wrap(b, c);
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < c; ++j)
                next[static_cast<std::size_t>((i + down) % r) * c + static_cast<std::size_t>((j + right) % c)] =
                    old[static_cast<std::size_t>(i) * c + j];
    }
    if (runExpecting(s, refused, [&] { transpose ? s.views[v]->transpose() : s.views[v]->shiftCircular(a, b); }))
        store(s, o, next);
}

// Moving out of a view copies its block; a copy that fails leaves the new matrix without storage.
void moveFromView(State& s, Input& in)
{
    if (s.views.empty()) return;
    const int v = in.pick(0, static_cast<int>(s.views.size()) - 1);
    const Operand o{s.views[v].get(), -1, v};
    const bool ok = readable(s, v) && rowsOf(s, o) > 0 && colsOf(s, o) > 0;
    const std::vector<double> expected = ok ? valuesOfOperand(s, o) : std::vector<double>();
    Matrix moved(std::move(static_cast<Matrix&>(*s.views[v])));
    LUMIDRAFT_FUZZ_CHECK(moved.hasInstance() == ok);
    if (ok) {
        LUMIDRAFT_FUZZ_CHECK(moved.getRows() == rowsOf(s, o) && moved.getCols() == colsOf(s, o));
        for (int i = 0; i < moved.getRows(); ++i)
            for (int j = 0; j < moved.getCols(); ++j)
                LUMIDRAFT_FUZZ_CHECK(same(moved(i + 1, j + 1), expected[static_cast<std::size_t>(i) * moved.getCols() + j]));
    } else {
        try {
            moved(1, 1);
            LUMIDRAFT_FUZZ_CHECK(false && "a matrix without storage gave an element");
        } catch (const Exception&) {
        }
    }
    checkAll(s);
}

void maxMin(State& s, Input& in)
{
    const Operand o = pickOperand(s, in);
    const bool isMax = in.flag();
    const int r = rowsOf(s, o), c = colsOf(s, o);
    const bool ok = operandReadable(s, o) && r > 0 && c > 0;
    double expected = 0.0;
    if (ok) {
        expected = valueOf(s, o, 0, 0);
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < c; ++j) {
                const double e = valueOf(s, o, i, j);
                if (isMax ? expected <= e : expected >= e) expected = e;
            }
    }
    double got = 0.0;
    if (runExpecting(s, !ok, [&] { got = isMax ? o.m->max() : o.m->min(); })) LUMIDRAFT_FUZZ_CHECK(same(got, expected));
}

void swapTwo(State& s, Input& in)
{
    const Operand a = pickOperand(s, in);
    const Operand b = pickOperand(s, in);
    if (a.m == b.m) return;
    if (a.plain >= 0 && b.plain >= 0) {
        // Two plain matrices exchange storage of any size; views on them keep their ranges.
        const bool ok = s.model[a.plain].storage && s.model[b.plain].storage;
        if (runExpecting(s, !ok, [&] { s.plain[a.plain]->swap(*s.plain[b.plain]); }))
            std::swap(s.model[a.plain], s.model[b.plain]);
        return;
    }
    // With a view: elements are exchanged through a copy, which needs equal, non-empty shapes
    // and blocks that do not overlap (an overlap is not modelled: skip it).
    const int r = rowsOf(s, a), c = colsOf(s, a);
    if (r != rowsOf(s, b) || c != colsOf(s, b) || r == 0 || c == 0 || !operandReadable(s, a) ||
        !operandReadable(s, b)) {
        try {
            const_cast<Matrix*>(a.m)->swap(*const_cast<Matrix*>(b.m));
        } catch (const Exception&) {
        }
        checkAll(s);
        return;
    }
    auto baseOf = [&](const Operand& o) { return o.plain >= 0 ? o.plain : s.viewModel[o.view].base; };
    if (baseOf(a) == baseOf(b)) return;
    const std::vector<double> va = valuesOfOperand(s, a), vb = valuesOfOperand(s, b);
    if (runExpecting(s, false, [&] { const_cast<Matrix*>(a.m)->swap(*const_cast<Matrix*>(b.m)); })) {
        store(s, a, vb);
        store(s, b, va);
    }
}

void grid(Input& in)
{
    const Range rr = makeRange(in), cr = makeRange(in);
    const double rs = in.real(-1, 3), cs = in.real(-1, 3);
    Matrix m;
    const bool unlimited = rr.lower.kind != Range::VAL || rr.upper.kind != Range::VAL ||
                           cr.lower.kind != Range::VAL || cr.upper.kind != Range::VAL;
    auto countOf = [](double span) -> long long {
        if (!(span > 0.0)) return 0;
        if (span >= 2147483647.0) return INT_MAX;
        return static_cast<long long>(span);
    };
    const long long n = unlimited ? 0 : countOf((rr.upper.val - rr.lower.val) / rs);
    const long long c = unlimited ? 0 : countOf((cr.upper.val - cr.lower.val) / cs);
    if (!unlimited && n > 0 && c > 0 && n * c > maxElements) return; // real but too big to bother
    try {
        m.allocateGrid(rr, rs, cr, cs);
        LUMIDRAFT_FUZZ_CHECK(!unlimited && n > 0 && c > 0);
    } catch (Range::_MINMAX) {
        LUMIDRAFT_FUZZ_CHECK(unlimited);
        return;
    } catch (const Exception&) {
        LUMIDRAFT_FUZZ_CHECK(!unlimited && (n <= 0 || c <= 0));
        LUMIDRAFT_FUZZ_CHECK(!m.hasInstance());
        return;
    }
    LUMIDRAFT_FUZZ_CHECK(m.getRows() == n && m.getCols() == c);
    double y = rr.lower.val;
    for (int i = 1; i <= n; ++i, y += rs) {
        double x = cr.lower.val;
        for (int j = 1; j <= c; ++j, x += cs) LUMIDRAFT_FUZZ_CHECK(same(m(i, j), y + x));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    State s;
    for (int k = 0; k < plainCount; ++k) s.plain[k] = std::make_unique<Matrix>();
    int steps = 0;
    while (!in.empty() && steps++ < 64) {
        switch (in.byte() % 12) {
        case 0: newPlain(s, in); break;
        case 1: setElement(s, in); break;
        case 2: case 3: newView(s, in); break;
        case 4: case 5: assignExpression(s, in); break;
        case 6: assignNumber(s, in); break;
        case 7: reshapePlain(s, in); break;
        case 8: reshapeView(s, in); break;
        case 9: moveFromView(s, in); break;
        case 10: maxMin(s, in); break;
        default: in.flag() ? swapTwo(s, in) : grid(in); break;
        }
        checkAll(s);
    }
    // Views go first: they refer to the plain matrices.
    s.views.clear();
    return 0;
}
