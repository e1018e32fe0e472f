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

bool make_bench_view(sqlite3* db,
                     const std::string& table,
                     const std::vector<std::string>& typed,
                     const std::vector<OrderKey>& order,
                     TableShape& shape,
                     RecordView& view) {
    if (!read_table_shape(db, table, shape)) {
        return false;
    }
    std::vector<std::string> filters = typed;
    filters.resize(shape.columns.size());
    std::size_t bad_column = 0;
    std::string message;
    view = RecordView();
    view.order = order;
    return parse_filters(shape, std::string(), filters, TextMatch::exact, view.filter, bad_column,
                         message);
}

bool read_bench_page(sqlite3* db,
                     const std::string& table,
                     const TableShape& shape,
                     const RecordView& view,
                     std::int64_t offset,
                     std::vector<PageRecord>& records,
                     const PageRecord* next_to,
                     PageStart::From from) {
    PageStart start;
    start.offset = offset;
    if (next_to) {
        start.from = from;
        start.identity = next_to->identity;
        start.order_values = next_to->order_values;
    }
    return read_record_page(db, table, shape, view, start, kPageSize + 1, records);
}
