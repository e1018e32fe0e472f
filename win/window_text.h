#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// A window's whole text, however long, in the ANSI code page: for the program's own
// texts. Some controls report the length in characters rather than bytes, so the
// room grows until the text is seen to fit.
std::string read_window_text(HWND hwnd);

// A Unicode window's whole text as UTF-8: what a control that shows or takes data
// holds, every character as it stands. False, `utf8` untouched, when it holds half
// of a surrogate pair.
bool read_window_text_utf8(HWND hwnd, std::string& utf8);
// The same where a substitute will do (the text is only shown or compared).
std::string window_text_utf8(HWND hwnd);
// Gives a Unicode window a text of the data (UTF-8).
void set_window_text_utf8(HWND hwnd, std::string_view utf8);
