#pragma once

#include <windows.h>

// Creates, shows and runs the main window; returns the identifier of the command
// that ended the program, 0 when the window could not be created.
int run_application(const char* command_line, int show_command);
