#include "csv/csv_export_command.h"

#include "csv/csv_choices.h"
#include "csv/csv_file_dialog.h"
#include "csv/csv_progress.h"
#include "db/run_watch.h"
#include "db/sql_error.h"
#include "db/text_convert.h"
#include "res/resource.h"
#include "win/dialog_layout.h"
#include "win/message_box.h"
#include "win/progress_window.h"
#include "win/window_text.h"

namespace {

constexpr char kCaption[] = "CSV 書き出し";
constexpr char kViewNote[] = " - 絞り込み・並べ替えのとおりに書き出します";
constexpr char kWrittenText[] = " 件のレコードを書き出しました。";
constexpr char kNotRepresentableText[] =
    " 個の値は Shift-JIS で書けないため、ファイルは書き出していません。\n"
    "UTF-8 (BOM 付き) で書き出しますか？";
constexpr char kStoppedText[] = "書き出しを中止しました。ファイルは書き出していません。";
constexpr char kNotReadOnlyText[] =
    "データベースを変更する文を含むため、書き出せません。\n"
    "書き出すには結果をもう一度読み込みます。SELECT 文の結果だけを書き出せます。";
constexpr char kSqlFailedText[] =
    "書き出すデータを読み込めませんでした。ファイルは書き出していません。";
constexpr char kFileFailedText[] = "ファイルに書き込めませんでした。ファイルは書き出していません。";
constexpr char kProgressText[] = " 件を書き出しました... (Esc キーで中止)";

// A message of the program's own with the file's path (UTF-8) after it.
std::string with_path(const std::string& text, const std::string& path) {
    return to_utf8(text) + "\n" + path;
}

// Tells why the rows cannot be exported; true when it said so.
bool report_failure(HWND owner, const CsvExportOutcome& outcome, const std::string& path) {
    switch (outcome.status) {
        case CsvExportOutcome::stopped:
            show_message_box(owner, kStoppedText, kCaption, MB_OK | MB_ICONINFORMATION);
            return true;
        case CsvExportOutcome::not_read_only:
            show_message_box(owner, kNotReadOnlyText, kCaption, MB_OK | MB_ICONINFORMATION);
            return true;
        case CsvExportOutcome::sql_failed: {
            std::string text = to_utf8(kSqlFailedText);
            if (!outcome.message.empty()) {
                text += "\n" + outcome.message;
            }
            show_message_box_utf8(owner, text, kCaption, MB_OK | MB_ICONINFORMATION);
            return true;
        }
        case CsvExportOutcome::file_failed:
            show_message_box_utf8(owner, with_path(kFileFailedText, path), kCaption,
                                  MB_OK | MB_ICONINFORMATION);
            return true;
        case CsvExportOutcome::written:
        case CsvExportOutcome::not_representable:
            break;
    }
    return false;
}

void export_rows(HWND owner,
                 sqlite3* db,
                 const std::string& utf8_sql,
                 const std::vector<FilterValue>& values,
                 const std::string& suggested,
                 const char* caption_note = "") {
    // Nothing is asked for rows that cannot be exported.
    if (report_failure(owner, check_csv_source(db, utf8_sql), std::string())) {
        return;
    }
    CsvExportDialog dialog;
    dialog.caption_note = caption_note;
    if (dialog.show_modal(IDD_CSV_EXPORT, owner) != IDOK) {
        return;
    }
    CsvExportOptions options = dialog.options;
    FileChoice file;
    if (!choose_csv_file(owner, FileDialogKind::save, suggested, file)) {
        return;
    }
    for (;;) {
        const CsvExportOutcome outcome =
            write_csv_file(owner, db, utf8_sql, values, file.path, options);
        switch (outcome.status) {
            case CsvExportOutcome::written: {
                show_message_box_utf8(
                    owner, with_path(std::to_string(outcome.rows) + kWrittenText, file.path),
                    kCaption, MB_OK | MB_ICONINFORMATION);
                return;
            }
            case CsvExportOutcome::not_representable: {
                const std::string text =
                    std::to_string(outcome.unrepresentable) + kNotRepresentableText;
                if (show_message_box(owner, text.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) !=
                    IDYES) {
                    return;
                }
                options.encoding = FileEncoding::utf8_bom;
                continue;
            }
            default:
                report_failure(owner, outcome, file.path);
                return;
        }
    }
}

}  // namespace

CsvExportOutcome write_csv_file(HWND owner,
                                sqlite3* db,
                                const std::string& utf8_sql,
                                const std::vector<FilterValue>& values,
                                const std::string& path,
                                const CsvExportOptions& options) {
    ProgressWindow progress(owner, kCaption);
    progress.set_text(std::string("0") + kProgressText);
    run_watch::reset(db);
    ProgressPace pace;
    const CsvExportOutcome outcome = export_csv(
        db, utf8_sql, path, options,
        [&](std::int64_t rows) {
            if (pace.due()) {
                progress.set_text(std::to_string(rows) + kProgressText);
            }
        },
        values);
    run_watch::reset(db);
    return outcome;
}

const MessageEntry<CsvExportDialog> CsvExportDialog::message_map_[] = {
    on_message(WM_INITDIALOG, &CsvExportDialog::on_init_dialog),
    on_command(IDOK, &CsvExportDialog::on_ok),
    on_command(IDCANCEL, &CsvExportDialog::on_cancel),
};

bool CsvExportDialog::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT CsvExportDialog::on_init_dialog(WPARAM, LPARAM) {
    center_window(hwnd(), GetParent(hwnd()));
    if (!caption_note.empty()) {
        const std::string caption = read_window_text(hwnd()) + caption_note;
        SetWindowTextA(hwnd(), caption.c_str());
    }
    fill_csv_choices(item(IDC_CSV_ENCODING), kFileEncodings, static_cast<int>(options.encoding));
    fill_csv_choices(item(IDC_CSV_SEPARATOR), kCsvSeparators, options.separator);
    CheckDlgButton(hwnd(), IDC_CSV_COLUMN_NAMES,
                   options.column_names ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

LRESULT CsvExportDialog::on_ok(WPARAM, LPARAM) {
    options.encoding = static_cast<FileEncoding>(chosen_csv_value(
        item(IDC_CSV_ENCODING), kFileEncodings, static_cast<int>(FileEncoding::shift_jis)));
    options.separator =
        static_cast<char>(chosen_csv_value(item(IDC_CSV_SEPARATOR), kCsvSeparators, ','));
    options.column_names = IsDlgButtonChecked(hwnd(), IDC_CSV_COLUMN_NAMES) == BST_CHECKED;
    end_dialog(IDOK);
    return 0;
}

LRESULT CsvExportDialog::on_cancel(WPARAM, LPARAM) {
    end_dialog(IDCANCEL);
    return 0;
}

std::string csv_file_name_for(const std::string& utf8_name) {
    std::string name;
    // Every byte of a UTF-8 character beyond ASCII is 0x80 or above: none of them
    // is taken for one of the characters a file name cannot hold.
    for (const char c : utf8_name) {
        const bool forbidden = static_cast<unsigned char>(c) < 0x20 ||
                               std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
        name += forbidden ? '_' : c;
    }
    return (name.empty() ? std::string("export") : name) + ".csv";
}

void export_table_csv(HWND owner,
                      sqlite3* db,
                      const std::string& utf8_table,
                      const TableShape& shape,
                      const RecordView& records) {
    export_rows(owner, db, csv_view_sql(utf8_table, shape, records), records.filter.values,
                csv_file_name_for(utf8_table), records.plain() ? "" : kViewNote);
}

void export_query_csv(HWND owner, sqlite3* db, const std::string& utf8_sql) {
    export_rows(owner, db, utf8_sql, {}, csv_file_name_for("result"));
}
