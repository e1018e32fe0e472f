#include "grid/table_grid.h"

// The grid's own window behaviour (editing keys, double-click, resizing).
bool TableGrid::handle_message(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}
