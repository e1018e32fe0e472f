#pragma once

#include <windows.h>

#include <string>

// Colours the editor's whole text again: the document from sql_to_rtf replaces the
// content while the editor is out of view, then the first visible line, the focus
// and the selection are put back. `rtf_buffer` is the dialog's stream buffer; it is
// empty again afterwards.
void rehighlight(HWND editor, HWND dialog, std::string& rtf_buffer);

// The editor's selected text, whole; its whole text when nothing is selected.
std::string editor_selected_text(HWND editor);
