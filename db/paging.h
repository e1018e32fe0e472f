#pragma once

#include <cstdint>
#include <string>

// The records a page of a table holds.
constexpr int kPageSize = 1000;

// Offset of a page's first record; never below 0.
std::int64_t page_offset(int page_index);

// A page is the last one (and gets the blank row for a new record) when it
// reaches the end of the table; an empty table has one page, page 0.
bool needs_blank_row(int page_index, std::int64_t row_count);

// What the page label and the paging buttons show for a page of a table.
struct PageView {
    std::string label;
    bool previous_enabled = false;
    bool next_enabled = false;
};
PageView page_view(int page_index, std::int64_t row_count);
