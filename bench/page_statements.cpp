#include "bench/page_statements.h"

#include "db/paging.h"
#include "db/result_table.h"
#include "db/sql_text.h"
#include "db/table_shape.h"

void run_page_statements(sqlite3* db, const std::string& table, int page) {
    TableShape shape;
    read_table_shape(db, table, shape);
    ResultTable rows;
    rows.run_typed(db, record_page_sql(table, shape, page_offset(page), kPageSize + 1));
}
