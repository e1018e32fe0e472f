#pragma once

#include <vector>

// How wide the grid's data columns are made, in pixels. The grid measures its
// room and its header texts; these rules decide. The lengths below are for 96 DPI
// (100 %); at another DPI they grow in proportion.

// The narrowest a data column is made, whatever the number of columns: ten
// half-width characters of the grid's font (a date, a ten-digit number) or five
// full-width ones, with the cell's margins.
constexpr int kReadableColumnWidth = 72;
// The most a long header asks for; the user widens the column to read the rest.
constexpr int kHeaderWidthCap = 200;

// The width of each data column when they share `room` pixels (the list's width
// for columns, less the RowID column) equally; never below 0.
int shared_column_width(int room, int columns);

// The widths of data columns whose headers need `header_widths` pixels to be read
// whole, at `dpi`. Where the equal share of `room` is at least the readable width,
// every column gets that share; otherwise each gets what its header needs (up to
// the cap) and never less than the readable width: a table too wide for the
// window scrolls sideways.
std::vector<int> data_column_widths(int room, const std::vector<int>& header_widths, int dpi = 96);
