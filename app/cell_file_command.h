#pragma once

#include <windows.h>

#include <string>

#include "db/file_encoding.h"

class ChangeHistory;
class TableGrid;

// The grid's cell commands: the value of the selected record's cell (in the
// grid's command column) saved to a file, and a file loaded into it. Each asks
// for its file, then runs with a progress window that Esc stops.
void save_cell_command(HWND owner, TableGrid& grid);
void load_cell_command(HWND owner, TableGrid& grid, ChangeHistory* history);

// The same once the file is chosen. A text that the encoding cannot hold asks
// whether to save it in UTF-8 instead.
void save_cell_to_file(HWND owner,
                       TableGrid& grid,
                       int row,
                       int column,
                       const std::string& path,
                       FileEncoding encoding);
// A load is one step of the history; the page shows the record afterwards.
void load_cell_from_file(HWND owner,
                         TableGrid& grid,
                         ChangeHistory* history,
                         int row,
                         int column,
                         const std::string& path,
                         bool as_text,
                         FileEncoding encoding);

// The name the save dialog suggests: the column's name (UTF-8; what a file name
// cannot hold becomes "_") and an extension after the value's first bytes.
std::string cell_file_name_for(const std::string& utf8_column, const std::string& extension);
