#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The SQL editor's text as the program keeps it between the control and SQLite:
// UTF-8, each line ending in CR LF (the control holds a line's end as one CR).
// Half of a surrogate pair that stands alone in the control (Backspace deletes one
// UTF-16 unit of a pair) is kept as the three bytes UTF-8 would give its unit, so
// that colouring and undo give it back unchanged; run_sql refuses a text that
// holds one.

// The control's text, its line ends single CRs, as the editor keeps it.
std::string editor_text_of_utf16(std::u16string_view units);
// The editor's text, or a part of it, for the control.
std::u16string utf16_of_editor_text(std::string_view text);

// The character that starts at `at`, and the bytes it takes: a half of a pair as
// its unit; U+FFFD for a byte that starts no character, which takes one byte.
std::size_t editor_character(std::string_view text, std::size_t at, char32_t& code);

// The control's positions (UTF-16 units, a CR LF one position) of byte offsets in
// the editor's text, and back. A position inside a pair gives the pair's start.
std::size_t editor_position(std::string_view text, std::size_t offset);
std::size_t editor_byte_offset(std::string_view text, std::size_t position);
