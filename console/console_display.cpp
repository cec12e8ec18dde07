#include "console/console_display.h"

#include "canvas/active_canvas.h"
#include "console/adjustable_variable.h"
#include "console/variable_registry.h"
#include "geometry/color.h"
#include "geometry/rectangle.h"

namespace Lumidraft {

namespace {

// Built during static initialisation, while the gamma is still 1, so the panel's translucency and
// the text greys are the same whatever gamma the experiment sets later.
Rectangle panel;
const Color panelColor(0.0, 0.0, 0.0, 0.5);
const Color textColors[2] = {Color(1.0, 1.0, 1.0, 0.5), Color(1.0, 1.0, 1.0, 1.0)};

} // namespace

template <typename T>
void Adjustable<T>::draw(double x, double y, bool selected)
{
    const Color& color = textColors[selected ? 1 : 0];
    ActiveCanvas::drawText(label, x + console::labelOffsetX, y + console::labelOffsetY, color);
    ActiveCanvas::drawNumber(*value, x + console::valueOffsetX, y + console::valueOffsetY, color, false);
}

template void Adjustable<int>::draw(double, double, bool);
template void Adjustable<double>::draw(double, double, bool);

void updateConsole()
{
    if (!isConsoleVisible())
        return;
    handleConsoleKeys();

    const auto& entries = registeredVariables();
    const long long rows = static_cast<long long>(entries.size());
    panel.set(console::panelWidth, static_cast<double>(console::rowHeight * rows));
    panel.draw(panelColor);

    const std::size_t selected = selectedVariable();
    double y = 0.0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i]->draw(0.0, y, i == selected);
        y += console::rowHeight;
    }
}

} // namespace Lumidraft
