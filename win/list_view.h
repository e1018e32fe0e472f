#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

// Small operations on a report-view list control.

// Adds a left-aligned column with a heading and a width in pixels.
void insert_list_column(HWND list, int index, const char* heading, int width);
// The same with a heading of the data (UTF-8), shown as it is.
void insert_list_column_utf8(HWND list, int index, std::string_view heading, int width);

// Deletes every column, whatever was inserted before.
void remove_list_columns(HWND list);

// The list's outer width less a vertical scroll bar and two window edges (as they
// are at `dpi`): the room that its columns share.
int list_usable_width(HWND list, int dpi);

// Every column's width scaled from one DPI to another, so that the widths the
// user gave them keep their proportions when the list moves to another monitor.
void scale_list_columns(HWND list, int old_dpi, int new_dpi);

// The widths in pixels of texts drawn in the list's font.
std::vector<int> list_text_widths(HWND list, const std::vector<std::string>& texts);
// The same for texts of the data (UTF-8).
std::vector<int> list_text_widths_utf8(HWND list, const std::vector<std::string>& texts);

// Scrolls the list sideways by the fewest pixels that bring the horizontal extent
// [left, right) (client coordinates) into view; its left part when it is wider
// than the list.
void scroll_into_view_sideways(HWND list, int left, int right);

// Gives a list that asks its owner for its rows (LVS_OWNERDATA) a new number of
// rows. The list works its scroll bars out twice over for a new count and draws
// them each time, which under a visual style costs more than the rows on show:
// here they are worked out out of sight and drawn once, with the frame, at the
// next paint. Nothing of the rows is marked: the caller marks those it changed.
void set_owner_data_row_count(HWND list, int rows);

// Marks every row of a report-view list for repainting, and not its header,
// which a list without WS_CLIPCHILDREN would otherwise repaint with them.
void invalidate_list_rows(HWND list);

// Copies a text into the room a list view gave for an item's text (a display
// notification): as much as fits, never half of a double-byte character.
void copy_item_text(char* destination, int room, const char* text);
// The same for a Unicode list: never half of a surrogate pair.
void copy_item_text(wchar_t* destination, int room, std::wstring_view text);
// The same from a text of the data (UTF-8), converted on the way.
void copy_item_text_utf8(wchar_t* destination, int room, std::string_view text);

// Draws the cell of a custom-draw notification (a report list's sub-item) as the
// list would, in its colours, with a text the list cannot draw itself (one that
// needs_fallback_drawing): the caller then answers CDRF_SKIPDEFAULT.
void draw_list_cell(HWND list, const NMLVCUSTOMDRAW& draw, std::wstring_view text);
