#include "db/record_view.h"

bool parse_filters(const TableShape&,
                   const std::vector<std::string>&,
                   RecordFilter& filter,
                   std::size_t&,
                   std::string&) {
    filter = RecordFilter();
    return true;
}

std::int64_t count_view_records(sqlite3* db,
                                const std::string& table,
                                const TableShape&,
                                const RecordView&) {
    return count_table_rows(db, table);
}
