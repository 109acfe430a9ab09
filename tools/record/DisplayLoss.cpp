#include "DisplayLoss.h"

// Alone in this file: Xlib's header defines short macros (None, Status, Bool) that others' names would meet.
#include <X11/Xlib.h>

#include <cstdlib>

namespace
{
void (*s_Handler)() = nullptr;

int displayLost(Display*)
{
    s_Handler();
    // Xlib exits when an I/O error handler returns.
    std::_Exit(1);
}
} // namespace

void onDisplayLoss(void (*handler)())
{
    s_Handler = handler;
    XSetIOErrorHandler(displayLost);
}
