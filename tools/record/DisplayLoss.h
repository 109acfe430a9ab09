#pragma once

// Xlib ends the process when the connection to the X display breaks; `handler` runs in its place and
// must not return. On a terminal, Ctrl-C reaches the virtual display that xvfb-run started in the same
// process group as the tool, and it may close before the tool has seen the signal between two frames.
void onDisplayLoss(void (*handler)());
