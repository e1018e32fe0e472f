#pragma once

#include <windows.h>

// Sizes a drop-down list's list: as wide as its longest item (within the screen's
// work area, never narrower than the box) and as tall as whole items, at most
// `most_visible` of them, so that no item and no last item is cut. `dpi`: the
// window's display scale.
void fit_drop_down(HWND combo, int most_visible, int dpi);
