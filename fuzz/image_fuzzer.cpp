// Random programs on images: allocation with hostile sizes and formats, pixel writes and reads at
// hostile coordinates, fills with hostile rectangles, matrices, difference and release. A model
// holds the expected pixel block element by element (row-end fill included), so a write to the
// wrong place, past a row or past the block shows as a difference or a sanitizer report.
#include "fuzz_input.h"

#include "app/exception.h"
#include "geometry/color.h"
#include "geometry/rectangle.h"
#include "image/image.h"
#include "matrix/matrix.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace Lumidraft;
using fuzz::Input;

namespace {

constexpr long long maxBytes = 1 << 14;

struct Model {
    bool bitmap = false;
    int width = 0, height = 0, layout = 0, precision = 0;
    int components = 0, lineElements = 0, totalElements = 0;
    std::vector<double> e; // every element, as the image stores it (bytes as 0..255)
};

int componentsOf(int layout) { return layout == 0 ? 1 : layout == 1 ? 3 : 4; }

// What one component of a colour stores.
double stored(double c, int precision)
{
    if (precision == 1) return static_cast<double>(static_cast<float>(c));
    const double scaled = c * 255.0;
    if (!(scaled > 0.0)) return 0.0;
    if (scaled >= 255.0) return 255.0;
    return std::trunc(scaled);
}

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void check(const Image& image, const Model& m)
{
    LUMIDRAFT_FUZZ_CHECK(image.hasBitmap() == m.bitmap);
    if (!m.bitmap) {
        LUMIDRAFT_FUZZ_CHECK(image.bytePixels() == nullptr && image.floatPixels() == nullptr);
        return;
    }
    LUMIDRAFT_FUZZ_CHECK(image.getWidth() == m.width && image.getHeight() == m.height);
    LUMIDRAFT_FUZZ_CHECK(image.getLineElements() == m.lineElements);
    LUMIDRAFT_FUZZ_CHECK(image.getTotalElements() == m.totalElements);
    LUMIDRAFT_FUZZ_CHECK(image.getLineBytes() % 4 == 0);
    for (int k = 0; k < m.totalElements; ++k) {
        const double got = m.precision == 0 ? image.bytePixels()[k] : static_cast<double>(image.floatPixels()[k]);
        LUMIDRAFT_FUZZ_CHECK(same(got, m.e[static_cast<std::size_t>(k)]));
    }
}

void writePixel(Model& m, int x, int y, const Color& c)
{
    const double parts[4] = {c.r, c.g, c.b, c.a};
    const std::size_t at = static_cast<std::size_t>(x) * m.components + static_cast<std::size_t>(m.height - 1 - y) * m.lineElements;
    for (int k = 0; k < m.components; ++k) m.e[at + k] = stored(parts[k], m.precision);
}

Color hostileColor(Input& in)
{
    const double r = in.real(-1, 2), g = in.real(-1, 2), b = in.real(-1, 2), a = in.real(-1, 2);
    Color c(r, g, b, a);
    // The arithmetic operators leave [0, 1]: pixels must take such colours too.
    if (in.flag()) c += Color(in.real(-1, 2), in.real(-1, 2), in.real(-1, 2), in.real(-1, 2));
    if (in.flag()) c -= Color(in.real(-1, 2));
    return c;
}

// Image::set with any arguments; refused exactly when a check or the size says so.
void allocate(Image& image, Model& m, Input& in)
{
    if (m.bitmap && in.flag()) {
        image.release();
        m = Model();
    }
    const bool hostile = in.byte() % 4 == 0;
    const int w = hostile ? in.integer(-2, 9) : in.pick(1, 9);
    const int h = hostile ? in.integer(-2, 9) : in.pick(1, 9);
    const int layout = in.byte() % 7 == 0 ? in.integer(-1, 3) : in.pick(0, 2);
    const int precision = in.byte() % 7 == 0 ? in.integer(-1, 2) : in.pick(0, 1);

    const bool formatOk = w > 0 && h > 0 && layout >= 0 && layout <= 2 && precision >= 0 && precision <= 1;
    long double total = 0; // exact for these magnitudes
    if (formatOk) {
        const long long componentBytes = precision == 0 ? 1 : 4;
        long long line = componentsOf(layout) * componentBytes * static_cast<long long>(w);
        line = (line + 3) / 4 * 4;
        total = static_cast<long double>(line) * h;
        if (total <= INT_MAX && total > maxBytes) return; // real but too big to bother
    }
    const bool ok = !m.bitmap && formatOk && total <= INT_MAX;
    try {
        image.set(w, h, layout, precision);
        LUMIDRAFT_FUZZ_CHECK(ok);
    } catch (const Exception&) {
        LUMIDRAFT_FUZZ_CHECK(!ok);
        if (m.bitmap) check(image, m); // an image with a bitmap is left as it was
        else LUMIDRAFT_FUZZ_CHECK(!image.hasBitmap());
        return;
    }
    m.bitmap = true;
    m.width = w;
    m.height = h;
    m.layout = layout;
    m.precision = precision;
    m.components = componentsOf(layout);
    const int componentBytes = precision == 0 ? 1 : 4;
    m.lineElements = (m.components * componentBytes * w + 3) / 4 * 4 / componentBytes;
    m.totalElements = m.lineElements * h;
    m.e.assign(static_cast<std::size_t>(m.totalElements), 0.0);
    // Cleared to opaque black; the row-end fill stays 0.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) writePixel(m, x, y, Color::black);
}

void pixel(Image& image, Model& m, Input& in)
{
    int x = in.integer(-2, 10), y = in.integer(-2, 10);
    const int how = in.byte() % 4;
    // Through a point the coordinates are truncated toward zero; beyond an int they are outside.
    const double fx = how == 1 ? in.real(-2, 10) : x, fy = how == 1 ? in.real(-2, 10) : y;
    if (how == 1) {
        const auto toInt = [](double v) { return v > -2147483649.0 && v < 2147483648.0 ? int(v) : -1; };
        x = toInt(fx);
        y = toInt(fy);
    }
    const bool inside = m.bitmap && x >= 0 && x < m.width && y >= 0 && y < m.height;
    const Color c = hostileColor(in);
    try {
        if (how == 0) {
            image.setPixel(x, y, c);
        } else if (how == 1) {
            image.setPixel(Point(fx, fy), c);
        } else {
            const Color got = image.getPixel(x, y);
            LUMIDRAFT_FUZZ_CHECK(inside);
            (void)got;
            return;
        }
        LUMIDRAFT_FUZZ_CHECK(inside);
    } catch (const Exception&) {
        LUMIDRAFT_FUZZ_CHECK(!inside);
        check(image, m);
        return;
    }
    writePixel(m, x, y, c);
}

void fill(Image& image, Model& m, Input& in)
{
    Rectangle r;
    // Fields set directly, so unordered and NaN edges reach fill as they are.
    r.left = in.real(-3, 10);
    r.top = in.real(-3, 10);
    r.right = in.real(-3, 10);
    r.bottom = in.real(-3, 10);
    const Color c = hostileColor(in);
    const bool whole = in.byte() % 8 == 0;
    if (!m.bitmap) {
        bool raised = false;
        try {
            whole ? image.clear(c) : image.fill(r, c);
        } catch (const Exception&) {
            raised = true;
        }
        LUMIDRAFT_FUZZ_CHECK(raised);
        return;
    }
    double l = 0, t = 0, rt = m.width - 1, b = m.height - 1;
    bool nothing = false, empty = false;
    if (!whole) {
        nothing = std::isnan(r.left) || std::isnan(r.top) || std::isnan(r.right) || std::isnan(r.bottom);
        l = std::max(r.left, 0.0);
        t = std::max(r.top, 0.0);
        rt = std::min(r.right, double(m.width - 1));
        b = std::min(r.bottom, double(m.height - 1));
        empty = !nothing && (rt < l || b < t);
    }
    try {
        whole ? image.clear(c) : image.fill(r, c);
        LUMIDRAFT_FUZZ_CHECK(!empty);
    } catch (const Exception&) {
        LUMIDRAFT_FUZZ_CHECK(empty);
        check(image, m);
        return;
    }
    if (nothing) return;
    for (int y = static_cast<int>(t); y <= static_cast<int>(b); ++y)
        for (int x = static_cast<int>(l); x <= static_cast<int>(rt); ++x) writePixel(m, x, y, c);
}

void fromMatrices(Image& image, Model& m, Input& in)
{
    const int rows = in.flag() ? m.height : in.pick(1, 4);
    const int cols = in.flag() ? m.width : in.pick(1, 4);
    if (rows <= 0 || cols <= 0) return;
    const int count = in.pick(1, 4);
    std::vector<Matrix> planes;
    for (int k = 0; k < count; ++k) {
        const bool odd = in.byte() % 16 == 0; // one plane of another size
        planes.emplace_back(odd ? rows + 1 : rows, cols);
        for (int i = 1; i <= planes.back().getRows(); ++i)
            for (int j = 1; j <= cols; ++j) planes.back()(i, j) = in.real(-1, 2);
    }
    // Every plane (one may be of another size) must match the bitmap.
    bool sizes = m.bitmap;
    for (const Matrix& p : planes) sizes = sizes && p.getRows() == m.height && p.getCols() == m.width;
    try {
        if (count == 1) image.fromMatrices(planes[0]);
        else if (count == 2 || count == 3) {
            const Matrix& third = planes[count - 1];
            image.fromMatrices(planes[0], planes[1], third);
        } else image.fromMatrices(planes[0], planes[1], planes[2], planes[3]);
        LUMIDRAFT_FUZZ_CHECK(sizes);
    } catch (const Exception&) {
        LUMIDRAFT_FUZZ_CHECK(!sizes);
        check(image, m);
        return;
    }
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            const double a = planes[0](y + 1, x + 1);
            Color c(a);
            if (count == 2 || count == 3)
                c = Color(a, planes[1](y + 1, x + 1), planes[count - 1](y + 1, x + 1));
            else if (count == 4)
                c = Color(a, planes[1](y + 1, x + 1), planes[2](y + 1, x + 1), planes[3](y + 1, x + 1));
            writePixel(m, x, y, c);
        }
}

void difference(Image& image, Model& m, Image& other, Model& o)
{
    // The format fields as the images hold them: a failed set keeps what passed its checks.
    const bool formats = image.getLayout() == other.getLayout() && image.getPrecision() == other.getPrecision() &&
                         image.getWidth() == other.getWidth() && image.getHeight() == other.getHeight();
    try {
        image.difference(other);
        LUMIDRAFT_FUZZ_CHECK(formats);
    } catch (const Exception&) {
        LUMIDRAFT_FUZZ_CHECK(!formats);
        check(image, m);
        return;
    }
    if (!m.bitmap || !o.bitmap) return;
    for (int k = 0; k < m.totalElements; ++k) {
        double& x = m.e[static_cast<std::size_t>(k)];
        const double y = o.e[static_cast<std::size_t>(k)];
        if (m.precision == 0) {
            const double d = std::fabs(x - y);
            x = d > 15 ? 0 : 16 * d;
        } else {
            const float d = std::fabs(static_cast<float>(x) - static_cast<float>(y));
            x = d > 15.0f ? 256.0 : static_cast<double>(16.0f * d);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    Image images[2];
    Model models[2];
    int steps = 0;
    while (!in.empty() && steps++ < 48) {
        const int k = in.byte() & 1;
        Image& image = images[k];
        Model& m = models[k];
        switch (in.byte() % 8) {
        case 0: allocate(image, m, in); break;
        case 1: case 2: pixel(image, m, in); break;
        case 3: case 4: fill(image, m, in); break;
        case 5: fromMatrices(image, m, in); break;
        case 6: difference(image, m, images[1 - k], models[1 - k]); break;
        default:
            image.release();
            m = Model();
            break;
        }
        check(image, m);
    }
    return 0;
}
