#pragma once

#include <windows.h>

#include <string>

// What follows the program's name on the process's command line (the system's
// wide form), in UTF-8: the name, quoted or not, and the blanks after it are
// skipped as the C runtime skips them for WinMain.
std::string command_line_after_program(const wchar_t* command_line);

// Creates, shows and runs the main window for the command line after the
// program's name (UTF-8); returns the identifier of the command that ended the
// program, 0 when the window could not be created.
int run_application(const std::string& command_line, int show_command);
