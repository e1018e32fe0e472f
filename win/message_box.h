#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Every message box of the program is shown through show_message_box, so that a
// test can watch the boxes and answer them without a modal loop.
using MessageBoxSink =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

int show_message_box(HWND owner, const char* text, const char* caption, UINT type);

// Installs a sink that replaces MessageBoxA (an empty sink restores it); returns
// the previous one.
MessageBoxSink set_message_box_sink(MessageBoxSink sink);

// Tells the user that an action ran out of memory and was stopped. Window
// procedures call it when an allocation failed under a handler: the program goes
// on, and what the action had not finished is as it was.
void report_out_of_memory(HWND owner);
