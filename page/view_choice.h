#pragma once

#include <cstddef>
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
