#pragma once

#include <string>
#include <string_view>

// The document that colours SQL text in the editor: keywords blue, "--" comments
// green to the end of the line, everything else in the default colour. The text's
// bytes (ANSI code page) reach the document unchanged apart from RTF escapes, the
// colour words and "\par" before each CR.

// Starts every document: code page 932, the one fixed-pitch font, the colour table
// (0 automatic, 1 blue, 2 green) and 10-point text in colour 0.
extern const char kSqlRtfHeader[];
extern const char kSqlRtfTrailer[];

std::string sql_to_rtf(std::string_view text);
// The document of the editor's text (UTF-8, see editor_text.h). A character that
// Shift-JIS holds is written as its Shift-JIS bytes, so that such a text gives the
// document sql_to_rtf gives for its Shift-JIS form, byte for byte; any other
// character (a half of a pair too) as Unicode escapes, "\uN?" for each UTF-16
// unit with N signed, so that nothing beyond the code page enters the document.
std::string sql_utf8_to_rtf(std::string_view text);

// True for the words coloured as keywords, in any case.
bool is_sql_keyword(std::string_view token);

// True for the bytes that end a token: space, tab, CR, LF, "(", ")" and ";".
bool is_sql_separator(char c);
