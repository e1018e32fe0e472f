#pragma once

#include <windows.h>

#include <sqlite3.h>

#include <functional>
#include <string>

#include "history/change_history.h"
#include "sqleditor/sql_rehighlight.h"
#include "sqleditor/sql_result_list.h"
#include "sqleditor/sql_text_edit.h"
#include "sqleditor/text_undo.h"
#include "win/dialog.h"
#include "win/dialog_layout.h"
#include "win/glyph_faces.h"
#include "win/message_map.h"

// What "CSV 書き出し..." does with the SQL text of the last run (UTF-8): given by
// the window that opens the editor.
using SqlExportAction = std::function<void(HWND owner, sqlite3* db, const std::string& utf8_sql)>;

// Shows the SQL editor modally on the open database. Without an export action the
// export button stays greyed. Each run is one step of `history`, the open
// database's.
void show_sql_editor(HWND owner,
                     sqlite3* db,
                     ChangeHistory& history,
                     SqlExportAction export_rows = {});

// The SQL editor: the text typed, coloured while it is typed, run with "実行" or
// F5, its outcome in the result list. The connection is lent for the dialog's
// life; the dialog never opens or closes it.
class SqlEditorDialog : public Dialog {
public:
    SqlEditorDialog(sqlite3* db, ChangeHistory& history, SqlExportAction export_rows = {})
        : db_(db), export_rows_(std::move(export_rows)), history_(history) {}

    HWND editor() const { return editor_.hwnd(); }
    SqlResultList& result_list() { return result_list_; }
    const DialogLayout& layout() const { return layout_; }

    // The selected text, or the whole text when nothing is selected (UTF-8, see
    // editor_text.h).
    std::string text_to_run() const;
    // The faces the editor draws the characters its font lacks in.
    GlyphFaces& glyph_faces() { return glyph_faces_; }
    // How often the text has been coloured since the dialog opened.
    int rehighlight_count() const { return rehighlight_count_; }

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    static const MessageEntry<SqlEditorDialog> message_map_[];

    LRESULT on_init_dialog(WPARAM, LPARAM);
    LRESULT on_run(WPARAM, LPARAM);
    LRESULT on_close(WPARAM, LPARAM);
    LRESULT on_export(WPARAM, LPARAM);
    LRESULT on_text_changed(WPARAM, LPARAM);
    LRESULT on_undo_typing(WPARAM, LPARAM);
    LRESULT on_redo_typing(WPARAM, LPARAM);
    // Puts an undo's or a redo's edit into the editor's text, with its selection.
    void apply_typing_edit(const TextUndo::Edit& edit);
    LRESULT on_size(WPARAM, LPARAM);
    LRESULT on_get_min_max_info(WPARAM, LPARAM);
    void dpi_changing(int old_dpi) override;
    void dpi_changed(int old_dpi) override;
    // The editor's text size and the room around its text, for the dialog's DPI.
    void fit_editor_to_dpi();

    sqlite3* db_;
    SqlExportAction export_rows_;
    ChangeHistory& history_;
    // The text of the last run (UTF-8): the result that an export writes, read
    // again.
    std::string last_run_text_;
    SqlTextEdit editor_;
    SqlResultList result_list_;
    DialogLayout layout_;
    // The document on its way into the editor; empty between updates.
    std::string rtf_buffer_;
    // The editor's text as it was last coloured (editor_text.h).
    std::string coloured_text_;
    GlyphFaces glyph_faces_{kSqlEditorFace, kSqlEditorCharset};
    bool rehighlighting_ = false;
    // Steps of typing for Ctrl+Z and Ctrl+Y.
    TextUndo typing_;
    // An undo or a redo is changing the text: no step of typing.
    bool applying_typing_ = false;
    int rehighlight_count_ = 0;
};
