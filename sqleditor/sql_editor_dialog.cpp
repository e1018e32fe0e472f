#include "sqleditor/sql_editor_dialog.h"

#include <richedit.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "db/run_watch.h"
#include "res/resource.h"
#include "sqleditor/editor_text.h"
#include "sqleditor/sql_rehighlight.h"
#include "win/busy_pump.h"

namespace {

// The size that the coloured text gets, given before the first change as well.
constexpr LONG kEditorTextHeight = 200;  // twips: 10 points
constexpr int kFormatInsetLeft = 10;
constexpr int kFormatInsetTop = 5;

}  // namespace

const MessageEntry<SqlEditorDialog> SqlEditorDialog::message_map_[] = {
    on_message(WM_INITDIALOG, &SqlEditorDialog::on_init_dialog),
    on_message(WM_SQL_RUN, &SqlEditorDialog::on_run),
    on_message(WM_SQL_UNDO, &SqlEditorDialog::on_undo_typing),
    on_message(WM_SQL_REDO, &SqlEditorDialog::on_redo_typing),
    on_command(IDOK, &SqlEditorDialog::on_run),
    on_command(IDCANCEL, &SqlEditorDialog::on_close),
    on_command(IDC_SQL_EXPORT, &SqlEditorDialog::on_export),
    on_command_code(IDC_SQL_TEXT, EN_CHANGE, &SqlEditorDialog::on_text_changed),
    on_message(WM_SIZE, &SqlEditorDialog::on_size),
    on_message(WM_GETMINMAXINFO, &SqlEditorDialog::on_get_min_max_info),
};

void show_sql_editor(HWND owner, sqlite3* db, ChangeHistory& history, SqlExportAction export_rows) {
    SqlEditorDialog dialog(db, history, std::move(export_rows));
    dialog.show_modal(IDD_SQL_EDITOR, owner);
}

bool SqlEditorDialog::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

std::string SqlEditorDialog::text_to_run() const {
    return editor_selected_text(editor_.hwnd());
}

LRESULT SqlEditorDialog::on_init_dialog(WPARAM, LPARAM) {
    // A long run keeps the windows painted and can be stopped with Esc.
    run_watch::watch(db_);
    run_watch::set_poll(db_, pump_while_busy);

    HWND edit = item(IDC_SQL_TEXT);
    editor_.attach(edit);
    SendMessageW(edit, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_UPDATE | ENM_SELCHANGE);

    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_SIZE | CFM_COLOR |
                    CFM_FACE | CFM_CHARSET;
    format.dwEffects = 0;
    format.yHeight = kEditorTextHeight;
    format.crTextColor = RGB(0, 0, 0);
    format.bCharSet = kSqlEditorCharset;
    std::wmemcpy(format.szFaceName, kSqlEditorFace, std::size(kSqlEditorFace));
    SendMessageW(edit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));

    fit_editor_to_dpi();
    SetFocus(edit);

    result_list_.setup(item(IDC_SQL_RESULT), dpi());

    layout_.setup_layout(hwnd(),
                         {
                             {IDC_SQL_TEXT, layout_stretch_x},
                             {IDC_SQL_RESULT, layout_stretch_x | layout_stretch_y},
                             {IDOK, layout_move_x | layout_move_y},
                             {IDCANCEL, layout_move_x | layout_move_y},
                             {IDC_SQL_EXPORT, layout_move_y},
                         },
                         template_client_size());
    fit_to_work_area(hwnd());
    center_window(hwnd());
    // FALSE: the focus stays in the editor.
    return FALSE;
}

void SqlEditorDialog::fit_editor_to_dpi() {
    HWND edit = item(IDC_SQL_TEXT);
    zoom_rich_edit_to_dpi(edit, dpi());
    RECT text_area{};
    GetClientRect(edit, &text_area);
    text_area.left += scale(kFormatInsetLeft);
    text_area.top += scale(kFormatInsetTop);
    SendMessageW(edit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&text_area));
}

void SqlEditorDialog::dpi_changing(int old_dpi) {
    layout_.rescale(old_dpi, dpi());
}

void SqlEditorDialog::dpi_changed(int) {
    fit_editor_to_dpi();
    result_list_.change_dpi(dpi());
}

LRESULT SqlEditorDialog::on_run(WPARAM, LPARAM) {
    last_run_text_ = text_to_run();
    // Typing after a run is a step of its own.
    typing_.seal();
    result_list_.show_running();
    run_watch::reset(db_);
    // One run is one step of the history, whatever its statements change.
    RecordedStep step(&history_);
    SqlOutcome outcome = run_sql(db_, last_run_text_.c_str(), [this](const SqlRows& rows) {
        result_list_.show_arriving_rows(rows);
    });
    const bool cut = step.finish() == ChangeHistory::StepEnd::cut;
    result_list_.show_outcome(std::move(outcome), cut ? history_cut_note(history_.cut()) : nullptr);
    EnableWindow(item(IDC_SQL_EXPORT), export_rows_ && result_list_.rows_shown() > 0);
    return 0;
}

LRESULT SqlEditorDialog::on_export(WPARAM, LPARAM) {
    if (export_rows_ && !last_run_text_.empty()) {
        export_rows_(hwnd(), db_, last_run_text_);
    }
    return 0;
}

LRESULT SqlEditorDialog::on_close(WPARAM, LPARAM) {
    end_dialog(IDCANCEL);
    return 0;
}

LRESULT SqlEditorDialog::on_text_changed(WPARAM, LPARAM) {
    // The content that a whole pass streams in is no change of the user's.
    if (rehighlighting_) {
        return 0;
    }
    rehighlighting_ = true;
    ++rehighlight_count_;
    const std::string before = coloured_text_;
    recolour_changed_lines(editor_.hwnd(), hwnd(), coloured_text_, rtf_buffer_, glyph_faces_);
    rehighlighting_ = false;
    if (!applying_typing_) {
        CHARRANGE selection{};
        SendMessageW(editor_.hwnd(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        const LONG caret = std::max<LONG>(selection.cpMax, 0);
        typing_.record(before, coloured_text_,
                       editor_byte_offset(coloured_text_, static_cast<std::size_t>(caret)));
    }
    return 0;
}

LRESULT SqlEditorDialog::on_undo_typing(WPARAM, LPARAM) {
    TextUndo::Edit edit;
    if (typing_.undo(edit)) {
        apply_typing_edit(edit);
    }
    return 0;
}

LRESULT SqlEditorDialog::on_redo_typing(WPARAM, LPARAM) {
    TextUndo::Edit edit;
    if (typing_.redo(edit)) {
        apply_typing_edit(edit);
    }
    return 0;
}

void SqlEditorDialog::apply_typing_edit(const TextUndo::Edit& edit) {
    HWND editor = editor_.hwnd();
    const auto position = [this](std::size_t offset) {
        return static_cast<LONG>(editor_position(coloured_text_, offset));
    };
    // The steps were taken from the text as last coloured, which is the text now.
    CHARRANGE range{position(edit.offset), position(edit.offset + edit.removed)};
    applying_typing_ = true;
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    const std::u16string inserted = utf16_of_editor_text(edit.inserted);
    SendMessageW(editor, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(inserted.c_str()));
    if (read_editor_text(editor) != coloured_text_) {
        // The control did not tell of the change: colour it here.
        on_text_changed(0, 0);
    }
    applying_typing_ = false;
    range.cpMin = position(edit.select_begin);
    range.cpMax = position(edit.select_end);
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(editor, EM_SCROLLCARET, 0, 0);
}

LRESULT SqlEditorDialog::on_size(WPARAM wparam, LPARAM lparam) {
    layout_.on_size(static_cast<UINT>(wparam), LOWORD(lparam), HIWORD(lparam));
    return 0;
}

LRESULT SqlEditorDialog::on_get_min_max_info(WPARAM, LPARAM lparam) {
    layout_.on_get_min_max_info(reinterpret_cast<MINMAXINFO*>(lparam));
    return 0;
}
