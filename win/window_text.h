#pragma once

#include <windows.h>

#include <string>

// A window's whole text, however long. Some controls report the length in
// characters rather than bytes, so the room grows until the text is seen to fit.
std::string read_window_text(HWND hwnd);
