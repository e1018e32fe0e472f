#pragma once

#include <windows.h>

// Shows the version box modally.
void show_about_box(HWND owner);
