// Canvas construction, opening, the fixed OpenGL state, disposal and viewing geometry.
#include "canvas/canvas.h"

#include "app/exception.h"
#include "canvas/active_canvas.h"
#include "canvas/display_lists.h"
#include "canvas/timing_log.h"
#include "platform/canvas_properties.h"
#include "platform/gl.h"

#include <cmath>
#include <typeinfo>

namespace Lumidraft {

Canvas::Canvas()
{
    construct();
}

Canvas::Canvas(int mode)
{
    construct();
    open(mode);
}

Canvas::Canvas(int width, int height, int bitsPerPixel, double refreshHz, int mode)
{
    construct();
    open(width, height, bitsPerPixel, refreshHz, mode);
}

Canvas::~Canvas()
{
    dispose();
    ActiveCanvas::detail::canvasDestroyed(this);
}

void Canvas::construct()
{
    // The members' own initialisers do the work: background (0, 0, 0, 0), the frame clock read
    // now, the progress bar in its default state, not opened.
    opened_ = false;
}

void Canvas::open(int /*mode*/)
{
    if (opened_)
        throw alreadyOpened;
    auto window = std::make_unique<APICanvasProperties>();
    window->openCurrentMode();
    window_ = std::move(window);
    finishOpening();
}

void Canvas::open(int width, int height, int bitsPerPixel, double refreshHz, int /*mode*/)
{
    if (opened_)
        throw alreadyOpened;
    auto window = std::make_unique<APICanvasProperties>();
    window->openMode(width, height, bitsPerPixel, refreshHz);
    window_ = std::move(window);
    finishOpening();
}

// Opening after the platform window is up. Anything that fails from here on closes the window
// again, so a half-opened canvas never stays current or keeps the display.
void Canvas::finishOpening()
{
    opened_ = true;
    try {
        publishedFrames_ = 0;
        publishedMissed_ = 0;
        publishedRefreshes_ = 0;
        previousMissed_ = 0;
        frameTotal_ = 0;
        missedTotal_ = 0;
        missedAtLastFlip_ = 0;
        lastInterval_ = 0.0;
        tolerance_ = 0.2;
        showTiming_ = false;
        frameClock_.update();
        progressBar_.set(102.0, 12.0);
        progressFill_ = Color::blue;
        progressBack_ = Color(0.25, 0.25, 0.25, 1.0);
        progressOverflow_ = Color::magenta;

        width_ = window_->getWidth();
        height_ = window_->getHeight();
        bitsPerPixel_ = window_->getBitsPerPixel();
        refreshHz_ = window_->getRefreshRate();
        // The platform already takes an unreported rate as 60 Hz; a period must never be infinite,
        // or every flip would wait forever.
        if (!(refreshHz_ > 0.0))
            refreshHz_ = 60.0;
        refreshPeriod_ = 1000.0 / refreshHz_;

        setUpGLState();
        ActiveCanvas::detail::canvasOpened(this);
        detail::buildSegmentFont();
        detail::buildBitmapFont();
        detail::buildEllipseLists();
        backgroundColor_ = Color::black;
        startRecords();
    } catch (...) {
        dispose();
        throw;
    }
}

void Canvas::setUpGLState()
{
    glMatrixMode(GL_PROJECTION);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glLoadIdentity();
    glOrtho(0.0, width_, height_, 0.0, -1.0, 1.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Integer coordinates fall inside pixels rather than on their corners.
    glTranslated(0.375, 0.375, 0.0);
    glPushMatrix();

    glShadeModel(GL_FLAT);
    // The default alpha function passes everything: alpha acts through blending only.
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_DITHER);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_LOGIC_OP);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_TEXTURE_2D);

    glPixelTransferi(GL_MAP_COLOR, 0);
    glPixelTransferi(GL_MAP_STENCIL, 0);
    glPixelTransferi(GL_RED_SCALE, 1);
    glPixelTransferi(GL_RED_BIAS, 0);
    glPixelTransferi(GL_GREEN_SCALE, 1);
    glPixelTransferi(GL_GREEN_BIAS, 0);
    glPixelTransferi(GL_BLUE_SCALE, 1);
    glPixelTransferi(GL_BLUE_BIAS, 0);
    glPixelTransferi(GL_ALPHA_SCALE, 1);
    glPixelTransferi(GL_ALPHA_BIAS, 0);

    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStoref(GL_UNPACK_ALIGNMENT, 4.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStoref(GL_PACK_ALIGNMENT, 4.0f);

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    // Both buffers start cleared; these two flips count as frames.
    clear(backgroundColor_);
    flip(1);
    clear(backgroundColor_);
    flip(1);
}

void Canvas::dispose()
{
    closeRecords();
    if (opened_ && window_) {
        window_->close();
        window_.reset();
    }
    window_.reset();
    opened_ = false;
}

void Canvas::requireOpened() const
{
    if (!opened_)
        throw Exception(typeid(Canvas), "API ERROR", "Canvas is not open.");
}

void Canvas::setViewingGeometry(double physicalWidth, double physicalHeight, double viewingDistance,
                                int horizontalPixels, int verticalPixels)
{
    physicalWidth_ = physicalWidth;
    physicalHeight_ = physicalHeight;
    viewingDistance_ = viewingDistance;
    horizontalPixels_ = horizontalPixels;
    verticalPixels_ = verticalPixels;
}

namespace {

int visualAngleToPixels(double degrees, int pixelCount, double physicalSize, double distance)
{
    constexpr double pi = 3.14159265358979;
    const double pixels =
        2.0 * std::tan(degrees * pi / 360.0) * (pixelCount / physicalSize) * distance;
    // An unset geometry (sizes 0) or an angle near 180 degrees has no pixel count; converting such
    // a value to int would be undefined.
    if (!std::isfinite(pixels) || std::fabs(pixels) >= 2147483648.0)
        throw Exception(typeid(Canvas), "ARGUMENT ERROR",
                        "Visual angle has no pixel size; set a positive viewing geometry first.");
    return static_cast<int>(pixels);
}

} // namespace

int Canvas::degreesToPixelsH(double degrees) const
{
    return visualAngleToPixels(degrees, horizontalPixels_, physicalWidth_, viewingDistance_);
}

int Canvas::degreesToPixelsV(double degrees) const
{
    return visualAngleToPixels(degrees, verticalPixels_, physicalHeight_, viewingDistance_);
}

} // namespace Lumidraft
