#pragma once

#include <windows.h>

#include <string>

// Colours the editor's whole text again: the document from sql_to_rtf replaces the
// content while the editor is out of view, then the first visible line, the focus
// and the selection are put back. `rtf_buffer` is the dialog's stream buffer; it is
// empty again afterwards.
void rehighlight(HWND editor, HWND dialog, std::string& rtf_buffer);

// Brings the colours up to date after a change of the editor's text, ending with
// the colours of rehighlight. `coloured` holds the text as it was last coloured and
// is given the editor's text: only the lines that differ from it are recoloured, in
// place, unless so much changed that the whole pass is quicker.
void recolour_changed_lines(HWND editor,
                            HWND dialog,
                            std::string& coloured,
                            std::string& rtf_buffer);

// The editor's selected text, whole; its whole text when nothing is selected.
std::string editor_selected_text(HWND editor);

// Byte offsets in the editor's text and the control's character positions (a
// double-byte character counts as one), each way.
std::size_t editor_byte_offset(const std::string& text, LONG position);
LONG editor_position(const std::string& text, std::size_t offset);
