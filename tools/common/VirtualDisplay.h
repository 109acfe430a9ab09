#pragma once

// Without an X display the calling tool runs itself again under xvfb-run, with the same arguments, and
// does not return; with one, it returns at once. `argv` is main's. Throws when neither can be had.
void ensureDisplay(char** argv);
