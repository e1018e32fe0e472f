#pragma once

#include <windows.h>

#include "win/window_subclass.h"

// A rich edit 1.0 control that takes a double-byte character whole. Typed
// characters reach an ANSI window as two WM_CHAR messages, the lead byte and then
// the trail byte; some systems' rich edit takes each byte as a character of its own
// and stores garbage. This holds the lead byte and inserts the whole character when
// its trail byte comes, as the control itself does where it works: the text and the
// undo step come out the same either way.
class DoubleByteEdit : public WindowSubclass {
protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    BYTE lead_byte_ = 0;
};
