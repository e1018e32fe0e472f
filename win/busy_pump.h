#pragma once

#include <windows.h>

// While a statement runs longer than a moment, the windows go on repainting, the
// mouse shows the wait cursor, and Esc (or closing a window) stops the statement.
// Other input is dropped rather than kept for later: a click queued during a long
// run would land on whatever the screen shows after it.

// One round of it, for the poll of a watched connection: repaints, and true when
// Esc was pressed or a window is being closed (that close then happens after the
// run, as usual).
bool pump_while_busy();

// The same for a run the user may overtake by typing on (a filter read while the
// filter is still being typed): keys for `editor` reach it instead of being
// dropped, and since the run's answer is then out of date, the round asks it to
// stop and sets `typed`. Enter and Tab for the editor wait in the queue until the
// run has ended. Esc still stops the run without setting `typed`.
bool pump_while_typing_into(HWND editor, bool& typed);
