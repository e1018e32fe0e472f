#pragma once

// While a statement runs longer than a moment, the windows go on repainting, the
// mouse shows the wait cursor, and Esc (or closing a window) stops the statement.
// Other input is dropped rather than kept for later: a click queued during a long
// run would land on whatever the screen shows after it.

// One round of it, for the poll of a watched connection: repaints, and true when
// Esc was pressed or a window is being closed (that close then happens after the
// run, as usual).
bool pump_while_busy();
