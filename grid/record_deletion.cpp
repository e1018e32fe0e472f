#include "grid/record_deletion.h"

#include "grid/table_grid.h"

void delete_selected_record(TableGrid&) {
}
