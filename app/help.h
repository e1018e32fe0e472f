#pragma once

#include <windows.h>

// Opens the help file at its table of contents.
void show_help_contents(HWND caller);
