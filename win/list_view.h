#pragma once

#include <windows.h>

// Small operations on a report-view list control.

// Adds a left-aligned column with a heading and a width in pixels.
void insert_list_column(HWND list, int index, const char* heading, int width);

// Deletes column 0 until none is left, whatever was inserted before.
void remove_list_columns(HWND list);

// The list's outer width less a vertical scroll bar and two window edges: the
// room that its columns share.
int list_usable_width(HWND list);

// Copies a text into the room a list view gave for an item's text (a display
// notification): as much as fits, never half of a double-byte character.
void copy_item_text(char* destination, int room, const char* text);
