// A program whose experiment asks for a display mode that no display offers. It runs through the
// real entry point: the launcher's canvas opens in the current mode, the second canvas cannot
// switch the display, and the entry point must show "API Error (Failed to switch display mode)"
// after the first canvas's window is gone.
#include "lumidraft.h"

void experimentMain()
{
    Lumidraft::Canvas impossible(123, 45, 32, 61.0, 0);
    (void)impossible;
}
