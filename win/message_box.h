#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Every message box of the program is shown through show_message_box, so that a
// test can watch the boxes and answer them without a modal loop. The sink gets
// the text and the caption in UTF-8.
using MessageBoxSink =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// A message of the program's own, in the ANSI code page.
int show_message_box(HWND owner, const char* text, const char* caption, UINT type);
// A message that quotes data (a name, a value, a path, the database's own words):
// its text in UTF-8, so that every character shows as it is; the caption is the
// program's own.
int show_message_box_utf8(HWND owner, const std::string& text, const char* caption, UINT type);

// Installs a sink that replaces the system's message box (an empty sink restores
// it); returns the previous one.
MessageBoxSink set_message_box_sink(MessageBoxSink sink);

// Tells the user that an action ran out of memory and was stopped. Window
// procedures call it when an allocation failed under a handler: the program goes
// on, and what the action had not finished is as it was.
void report_out_of_memory(HWND owner);
