#pragma once

#include <windows.h>

#include <string>

#include "win/glyph_faces.h"

// The editor's font, the one of the coloured document's header.
constexpr wchar_t kSqlEditorFace[] = L"ＭＳ ゴシック";
constexpr BYTE kSqlEditorCharset = SHIFTJIS_CHARSET;
static_assert(sizeof(kSqlEditorFace) / sizeof(wchar_t) <= LF_FACESIZE, "the face fits CHARFORMAT");

// Colours the editor's whole text again: the document from sql_utf8_to_rtf
// replaces the content while the editor is out of view, then the first visible
// line, the focus and the selection are put back. Characters that the editor's
// font lacks get a face of `faces` that has them. `rtf_buffer` is the dialog's
// stream buffer; it is empty again afterwards.
void rehighlight(HWND editor, HWND dialog, std::string& rtf_buffer, GlyphFaces& faces);

// Brings the colours up to date after a change of the editor's text, ending with
// the colours of rehighlight. `coloured` holds the text as it was last coloured and
// is given the editor's text: only the lines that differ from it are recoloured, in
// place, unless so much changed that the whole pass is quicker.
void recolour_changed_lines(HWND editor,
                            HWND dialog,
                            std::string& coloured,
                            std::string& rtf_buffer,
                            GlyphFaces& faces);

// The editor's whole text as the editor keeps it (editor_text.h): every character
// as the control holds it.
std::string read_editor_text(HWND editor);

// The editor's selected text, whole; its whole text when nothing is selected. A
// selection that ends inside a surrogate pair holds that half alone.
std::string editor_selected_text(HWND editor);
