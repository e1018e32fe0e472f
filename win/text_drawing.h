#pragma once

#include <windows.h>

#include <string_view>

// Drawing data text that the system's own drawing may not show whole.
//
// Under Wine, GDI (ExtTextOutW, DrawTextW, and so the list view's own cells) looks a
// glyph up for each UTF-16 unit on its own: a character beyond the basic plane (𠮷,
// emoji) comes out as two missing-glyph boxes even where a font has it. Uniscribe
// shapes whole characters.

// True when the text holds a surrogate pair: a character that GDI cannot draw, so
// a cell holding it must be drawn with draw_cell_text. Cheap enough to ask of every
// cell of a page.
bool needs_fallback_drawing(std::wstring_view text);

// Draws one line of text in `cell` as a list view draws a cell's text: left
// aligned, vertically centred, clipped to the rectangle, and ending in "..." when
// it does not fit (never inside a character). It uses the DC's font, text colour,
// background colour and background mode; the caller leaves whatever margin the
// list keeps. Text without a surrogate pair is drawn by DrawTextW exactly as the
// list draws it; in text with one, the basic-plane stretches are drawn by GDI all
// the same and the characters beyond it by Uniscribe, from the DC's font or, where
// that lacks them, a fallback face that has them (the missing-glyph box where none
// has). A short cell costs about as much as DrawTextW (some microseconds); the first
// call for a font loads its tables once for the thread (about a millisecond).
// Call it from the thread that owns the window (its shaping caches are the thread's).
void draw_cell_text(HDC dc, const RECT& cell, std::wstring_view text);
