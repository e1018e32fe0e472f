#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "db/filter_value.h"
#include "db/table_shape.h"

// Which records of a table the user looks at, and in what order: the filters
// typed for its columns and the columns sorted by. Nothing here touches a window.

struct RecordFilter {
    // A condition (UTF-8 SQL over the table's columns) whose values are the
    // parameters ?1, ?2, ... in the order of `values`; empty: every record.
    std::string condition;
    std::vector<FilterValue> values;

    bool empty() const { return condition.empty(); }
};

// One key of a sort: a column of the shape (an index into its columns).
struct OrderKey {
    std::size_t column = 0;
    bool descending = false;

    bool operator==(const OrderKey& other) const {
        return column == other.column && descending == other.descending;
    }
};

struct RecordView {
    RecordFilter filter;
    // The sort keys, the first the most significant; empty: the table's own order.
    // Records that tie on every key keep the table's own order.
    std::vector<OrderKey> order;

    bool plain() const { return filter.empty() && order.empty(); }
};

// The filters typed for the shape's columns (`typed[i]` for column i, UTF-8;
// an empty text filters nothing), combined with AND. False when one cannot be
// understood: `bad_column` then names its column and `message` (ANSI) says why.
bool parse_filters(const TableShape& shape,
                   const std::vector<std::string>& typed,
                   RecordFilter& filter,
                   std::size_t& bad_column,
                   std::string& message);

// The number of records that the view's filter lets through; -1 when they cannot
// be counted (the read failed).
std::int64_t count_view_records(sqlite3* db,
                                const std::string& table,
                                const TableShape& shape,
                                const RecordView& view);
