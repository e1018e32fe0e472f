#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "db/record_view.h"

// How the user's clicks and typing choose the records a table shows. Window-free:
// the grid asks, then shows.

// The sort after a click on the header of column `column` (an index into the
// shape's columns). A plain click sorts by that column alone, ascending, then
// descending, then not at all; with Ctrl held it adds the column as a further key,
// or turns an existing key round, or takes it away when it was descending.
std::vector<OrderKey> clicked_order(const std::vector<OrderKey>& order,
                                    std::size_t column,
                                    bool further_key);

// What a column's header adds to its text for the sort: its rank among several
// keys (" (2)"), nothing for the only key or a column outside the sort.
std::string sort_rank_text(const std::vector<OrderKey>& order, std::size_t column);

// What the user chose to see of each table (the filters as typed, the sort), kept
// by column names: the choice outlives a reload of the table list, which reads
// every table's shape anew, and follows a column that moved.
class TableChoices {
public:
    // Keeps the choice for the table (its exact name); an empty one forgets it.
    // `typed[i]` is the filter typed for column i (UTF-8).
    void remember(const std::string& table,
                  const TableShape& shape,
                  const std::vector<std::string>& typed,
                  const RecordView& records);
    // The view of the table's shape as now read: filters where their column still
    // is (all of them dropped when they no longer parse) and the sort keys whose
    // column is still there. `typed` gets the texts to show per column.
    RecordView restore(const std::string& table,
                       const TableShape& shape,
                       TextMatch match,
                       std::vector<std::string>& typed) const;
    void clear() { choices_.clear(); }

private:
    struct Choice {
        std::map<std::string, std::string> filters;
        std::vector<std::pair<std::string, bool>> order;
    };
    std::map<std::string, Choice> choices_;
};
