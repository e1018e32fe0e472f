#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/record_page.h"
#include "db/record_view.h"

// The statements a refresh of page `page` of `table` sends (its records and one
// more from the page's offset), through SQLite alone:
// the bench under Wine and the native bench time the same work with this.
void run_page_statements(sqlite3* db, const std::string& table, int page);

// The SQL editor's listing of a large result, through SQLite alone.
constexpr char kSqlListQuery[] = "SELECT code, name, city, amount, note FROM items";

// A view of a table as the filter line and the header make it: `typed` holds
// each column's filter as typed (UTF-8, none for the rest), `order` the sort keys.
// False when a filter cannot be understood.
bool make_bench_view(sqlite3* db,
                     const std::string& table,
                     const std::vector<std::string>& typed,
                     const std::vector<OrderKey>& order,
                     TableShape& shape,
                     RecordView& view);

// A page of the view and the record after it, read from `offset` as a jump
// reads it; or, with `next_to`, from next to that record as a turn reads it
// (`from` after it or before it).
bool read_bench_page(sqlite3* db,
                     const std::string& table,
                     const TableShape& shape,
                     const RecordView& view,
                     std::int64_t offset,
                     std::vector<PageRecord>& records,
                     const PageRecord* next_to = nullptr,
                     PageStart::From from = PageStart::From::after);
