// The console panel: a translucent list of the registered variables in the top-left corner of the
// canvas, drawn into every frame by the flip after the console keys are handled.
#pragma once

namespace Lumidraft {

// Run by the frame flip: nothing while the console is off; otherwise the console keys, then the
// panel and one row per entry, the selected row brighter.
void updateConsole();

namespace console {
inline constexpr double panelWidth = 200.0;
inline constexpr int rowHeight = 50;
inline constexpr double labelOffsetX = 30.0;
inline constexpr double labelOffsetY = 30.0;
inline constexpr double valueOffsetX = 190.0;
inline constexpr double valueOffsetY = 30.0;
} // namespace console

} // namespace Lumidraft
