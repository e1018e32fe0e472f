#pragma once

#include <cstddef>

#include <string>
#include <string_view>

// The one boundary between the program's text (the ANSI code page, Shift-JIS on a
// Japanese system) and the database's text (UTF-8).

// True when every byte is below 0x80: such a text reads the same in UTF-8 and in
// every ANSI code page, and needs no conversion.
bool is_ascii(std::string_view text);

// Converts the zero-terminated source into the caller's buffer of `limit` bytes.
// A text that does not fit is cut after limit - 1 bytes (even inside a multi-byte
// character) and terminated. Returns the number of bytes copied, 0 when the text
// cannot be converted and -1 when memory runs out; on failure the destination is
// left untouched.
int convert_text(const char* source, char* destination, int limit, bool to_utf8);

// Whole-text forms for texts that have no fixed room. They return false, leaving
// `result` untouched, when the text cannot be converted.
bool convert_whole(std::string_view source, bool to_utf8, std::string& result);
std::string to_utf8(std::string_view ansi);  // empty on failure
std::string to_ansi(std::string_view utf8);  // empty on failure

// As convert_whole, for files exchanged with other programs: false when a byte of
// the source is not valid in its encoding or a character has no form in the
// target. The forms above put a substitute in such a place; a file must not.
bool convert_exact(std::string_view source, bool to_utf8, std::string& result);

// convert_exact for a large text converted a block at a time (a file's worth of
// CSV): the room of `result` and of `wide` (the text's UTF-16 form on the way,
// where the system converts through it) is kept from one block to the next, so
// that a block costs two passes of the system's conversion and no allocation.
bool convert_block_exact(std::string_view source,
                         bool to_utf8,
                         std::string& result,
                         std::wstring& wide);

// convert_text from UTF-8 for a display cell of `limit` bytes: the same result,
// without converting more of a huge value than the cell can show.
int convert_cell_text(const char* utf8, char* destination, int limit);

// Where a UTF-8 text of `length` bytes is cut to keep at least its first `at`
// bytes without splitting a character: before the first lead byte from `at` on
// (`length` when the text is no longer).
std::size_t utf8_cut(const char* utf8, std::size_t length, std::size_t at);

// A UTF-8 text as a filter that ignores how Japanese is written compares it: full
// and half width alike, katakana as hiragana, capitals as small letters (the
// system's own mapping on Windows; elsewhere only ASCII letters are folded).
// False when the text cannot be converted.
bool fold_for_matching(std::string_view utf8, std::string& folded);

// The order of two UTF-8 texts as the user's language sorts them (the system's own
// comparison on Windows; byte order elsewhere): below, at or above 0. Texts the
// language holds equal but that differ in a byte are ordered by their bytes, so
// that only the same text compares equal.
int compare_for_user(std::string_view a, std::string_view b);

// UTF-8 (the database's text) and UTF-16 (the windows' own), for data that must
// reach the screen and come back as the database holds it. From UTF-8, a byte that
// starts no character becomes U+FFFD (what a value that is not valid UTF-8 shows);
// `valid` (when given) tells whether there was any. To UTF-8, a half of a
// surrogate pair without its other half makes the text invalid: false, with
// `result` untouched, so that nothing typed is changed unseen.
std::u16string utf8_to_utf16(std::string_view utf8, bool* valid = nullptr);
bool utf16_to_utf8(std::u16string_view utf16, std::string& result);
// As much of a UTF-8 text as fits `room` UTF-16 units, whole characters only, into
// the caller's buffer (a list's room for an item's text): the units written.
std::size_t utf8_to_utf16(std::string_view utf8, char16_t* out, std::size_t room);

// How many Shift-JIS bytes a text is worth, where a limit of the program is given
// in bytes: a character counts as its Shift-JIS bytes (1 for ASCII and half-width
// katakana, 2 for the others), and a character Shift-JIS lacks counts as a
// double-byte one for each UTF-16 unit it takes (2 in the basic plane, 4 beyond
// it). A byte that starts no character counts 1: no text weighs more than its
// UTF-8 bytes.
std::size_t text_weight(std::string_view utf8);
// The length in bytes of the longest start of a UTF-8 text that weighs at most
// `limit`: never inside a character.
std::size_t cut_to_weight(std::string_view utf8, std::size_t limit);

#ifdef _WIN32
// A wide (UTF-16) text in the ANSI code page, as a control that speaks wide
// characters hands it over; empty when it cannot be converted.
std::string ansi_of_wide(const wchar_t* wide);
#endif
