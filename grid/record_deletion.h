#pragma once

#include <windows.h>

class TableGrid;

// The record menu's delete command (Ctrl+Del): deletes the record of the
// selected grid row.
void delete_selected_record(TableGrid& grid);
