#pragma once

#include <windows.h>

#include <sqlite3.h>

#include <string>

#include "page/cell_value.h"
#include "win/dialog.h"
#include "win/message_map.h"
#include "win/window_subclass.h"

// The text area: Tab a dialog key that moves the focus and inserts nothing. Some
// systems move the focus on Tab and still hand the control the tab character,
// which would then be saved unseen.
class TextAreaEdit : public WindowSubclass {
protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
};

// Edits one cell value in a multi-line text area: values too long for the
// in-place editor, or any value when Ctrl is held as the edit begins. It reads
// the whole value from the database itself and hands the confirmed text back; it
// writes nothing.
class TextEditDialog : public Dialog {
public:
    // What the text area takes at least, in characters; a longer value raises it to
    // its own length so that it is shown, and given back, whole.
    static constexpr int kTextLimit = 32768;

    sqlite3* database = nullptr;
    // The cell whose value the dialog shows.
    CellAddress cell;
    // False for the blank row: there is no value to read.
    bool has_record = true;

    // 0 after OK, -1 after Cancel, Esc or the close box (and when the dialog
    // cannot be shown).
    INT_PTR run(HWND owner);
    // The text confirmed with OK (UTF-8).
    const std::string& text() const { return text_; }
    // The text as the text area showed it when the dialog opened.
    const std::string& opened_text() const { return opened_text_; }

    // Reads the cell's value into the text area.
    void load_text_value();

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    static const MessageEntry<TextEditDialog> message_map_[];

    LRESULT on_init_dialog(WPARAM, LPARAM);
    LRESULT on_ok(WPARAM, LPARAM);
    LRESULT on_cancel(WPARAM, LPARAM);
    void dpi_changed(int old_dpi) override;
    // The text's size and the room around it, for the dialog's DPI.
    void fit_text_area_to_dpi();

    HWND text_area_ = nullptr;
    TextAreaEdit text_area_edit_;
    HWND ok_ = nullptr;
    HWND cancel_ = nullptr;
    std::string text_;
    std::string opened_text_;
};
