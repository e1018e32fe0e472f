#pragma once

#include <string>
#include <string_view>

// Texts on their way to and from Unicode windows. The data (values, names, paths)
// travels as UTF-8 and reaches the screen as UTF-16; the program's own texts are
// in the ANSI code page.

// UTF-8 for a Unicode function; a byte that starts no character shows as U+FFFD.
std::wstring wide_of_utf8(std::string_view utf8);
// A text of the program's own (the ANSI code page) for a Unicode function.
std::wstring wide_of_ansi(std::string_view ansi);
// What a Unicode window gave back, as UTF-8. False, `utf8` untouched, when it holds
// half of a surrogate pair (a character cut by Backspace): it is refused rather
// than changed.
bool utf8_of_wide(std::wstring_view wide, std::string& utf8);
// The same where a substitute will do (a text only shown): U+FFFD for a half pair.
std::string shown_utf8_of_wide(std::wstring_view wide);
