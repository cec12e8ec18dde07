// The shipped experiment: concentric grey squares centred on the canvas on a grey background.
// Their number, largest size, grey-ramp direction and the background grey are adjustable from
// the console while it runs; Escape ends it.
#include "app/launch.h"
#include "lumidraft.h"

using namespace Lumidraft;

void experimentMain()
{
    int rectNumber = 5;
    double rectSize = 500.0;
    int rectLuminanceMode = 0;
    double bgLuminance = 0.2;
    // 100 slots: the range of rectNumber ends at 100, so no index reaches past them.
    Rectangle rects[100];
    double luminances[100];
    Range rng;

    registerVariable(rectNumber).label("Number of Rect ").range(5 <= rng <= 100).step(10).step(5);
    registerVariable(rectSize).label("Rect Size").range(50 <= rng <= 500).step(100).step(10);
    registerVariable(rectLuminanceMode).label("Rect Luminance").range(0 <= rng <= 1).step(1).step(1);
    registerVariable(bgLuminance).label("BG Luminance").range(0 <= rng <= 1).step(0.1).step(0.05);

    while (!queryKey(escape, pushed)) {
        ActiveCanvas::clear(Color(bgLuminance));

        // The range keeps rectNumber within the arrays; the clamp makes that hold whatever happens.
        const int n = rectNumber < 0 ? 0 : (rectNumber > 100 ? 100 : rectNumber);
        for (int i = 0; i < n; ++i) {
            const double size = ((i + 1) * rectSize) / n;
            rects[i].set(size, size);
            rects[i].centerAt();
            luminances[i] = i * (1.0 / n);
        }
        for (int j = 0; j < n; ++j) {
            if (rectLuminanceMode == 0)
                rects[n - 1 - j].draw(Color(luminances[j]));
            else if (rectLuminanceMode == 1)
                rects[n - 1 - j].draw(Color(luminances[n - 1 - j]));
        }

        ActiveCanvas::flip();
    }
}
