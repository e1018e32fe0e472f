#pragma once

#include <windows.h>

#include <string>

class TableGrid;

// Deletes the record that `condition` (UTF-8, see record_condition) finds from
// the grid's table and reloads the page, a page back when the page held only that
// record. False, with the failure reported and nothing changed, when the
// statement fails.
bool delete_record_where(TableGrid& grid, const std::string& condition);

// The record menu's delete command (Ctrl+Del): deletes the record of the
// selected grid row, without a question, and selects the row at the same place.
void delete_selected_record(TableGrid& grid);
