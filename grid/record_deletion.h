#pragma once

#include <windows.h>

#include <string>

#include "db/sql_text.h"

class TableGrid;

// Deletes the record from the grid's table and reloads the page, a page back when
// the page held only that record. False, with the failure reported and nothing
// changed, when the statement fails.
bool delete_record(TableGrid& grid, RowId rowid);
// The same for the record that `condition` (UTF-8, see record_condition) finds.
bool delete_record_where(TableGrid& grid, const std::string& condition);

// The record menu's delete command (Ctrl+Del): deletes the record of the
// selected grid row, without a question, and selects the row at the same place.
void delete_selected_record(TableGrid& grid);
