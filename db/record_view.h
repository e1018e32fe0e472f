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

// How a contains filter compares texts: byte for byte (letter case of A-Z
// aside, as LIKE does), or through kFoldFunction on both sides, which the
// connection must have (the Windows build registers one that folds full and half
// width, katakana and hiragana, and case).
enum class TextMatch { exact, folded };
constexpr const char kFoldFunction[] = "korv_fold";

// Where `bad_column` points at the filter of the row id.
constexpr std::size_t kRowIdFilter = static_cast<std::size_t>(-1);

// The same with a filter for the row id as well (the grid's first column; an
// error where the table has none) and the way texts are matched.
bool parse_filters(const TableShape& shape,
                   const std::string& rowid_typed,
                   const std::vector<std::string>& typed,
                   TextMatch match,
                   RecordFilter& filter,
                   std::size_t& bad_column,
                   std::string& message);

// The number of records that the view's filter lets through; -1 when they cannot
// be counted (the read failed).
std::int64_t count_view_records(sqlite3* db,
                                const std::string& table,
                                const TableShape& shape,
                                const RecordView& view);

// One statement of a page of a view, with the values of its parameters; the
// last of them is the number of records it reads.
struct ViewStatement {
    std::string sql;
    std::vector<FilterValue> values;
};

// The statements that read `count` records of the view from `start`; read in
// turn, each for what the ones before left to fill. Each row is a row of
// record_page_sql followed by one field per sort key (its value as a literal, or
// NULL for a value too long to keep). Next to a record only where
// pages_by_key(shape) holds and the record's identity and sort values are all
// known; else at `start.offset`. `backwards`: the rows come nearest first.
std::vector<ViewStatement> view_page_statements(const std::string& table,
                                                const TableShape& shape,
                                                const RecordView& view,
                                                const PageStart& start,
                                                int count,
                                                bool& backwards);

// The value of a literal as quote() writes it (NULL, a number, 'text', X'hex');
// false for anything else.
bool literal_value(const std::string& literal, FilterValue& value);
