#include "csv/csv_import_command.h"

#include <cstdio>
#include <vector>

#include "csv/csv_choices.h"
#include "csv/csv_progress.h"
#include "csv/csv_reader.h"
#include "db/part_file.h"
#include "db/run_watch.h"
#include "db/sql_error.h"
#include "db/table_shape.h"
#include "db/text_convert.h"
#include "res/resource.h"
#include "win/dialog_layout.h"
#include "win/file_dialog.h"
#include "win/message_box.h"
#include "win/progress_window.h"
#include "win/wide_text.h"
#include "win/window_text.h"

namespace {

constexpr char kCaption[] = "CSV 読み込み";
constexpr std::size_t kPreviewRecords = 10;
constexpr std::size_t kHeadBytes = 64 * 1024;
constexpr char kNothingAdded[] = "何も追加していません。";
constexpr char kImportedText[] = " 件のレコードを読み込みました。";
constexpr char kMalformedText1[] =
    " 行目の形式が正しくない (引用符が閉じていないなど) ため、読み込めませんでした。";
constexpr char kNotEncodedText1[] =
    " 行目に、選んだ文字コードでは読めないバイトがあるため、読み込めませんでした。";
constexpr char kFieldCountText1[] = " 行目の項目の数 (";
constexpr char kFieldCountText2[] = ") が 1 行目 (";
constexpr char kFieldCountText3[] = ") と違うため、読み込めませんでした。";
constexpr char kColumnCountText1[] = "ファイルの項目の数 (";
constexpr char kColumnCountText2[] = ") とテーブルの列の数 (";
constexpr char kColumnCountText3[] = ") が違うため、読み込めませんでした。";
constexpr char kStoppedText[] = "読み込みを中止しました。何も追加していません。";
constexpr char kSqlFailedText[] = "レコードを追加できませんでした。何も追加していません。";
constexpr char kFileFailedText[] = "ファイルを読み込めませんでした。何も追加していません。";
constexpr char kEmptyText[] = "ファイルにレコードがありません。";
constexpr char kNoNameText[] = "新しいテーブルの名前を入力してください。";
constexpr char kBrokenNameText[] =
    "新しいテーブルの名前に、半分だけの文字 (サロゲート ペアの片方) があります。\n"
    "名前を入力し直してください。";
constexpr char kInsertingText[] = " 件を追加しました... (Esc キーで中止)";
constexpr char kPreviewFaultText[] = " 行目: ここから先は読み込めません";

std::string read_head(const std::string& path) {
    std::string head(kHeadBytes, '\0');
    std::FILE* file = open_file(path, "rb");
    if (!file) {
        return std::string();
    }
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    return head;
}

// The message in the program's code page; a failed statement's is told apart,
// as it quotes the database's own words.
std::string outcome_text(const CsvImportOutcome& outcome) {
    const std::string line = std::to_string(outcome.line);
    switch (outcome.status) {
        case CsvImportOutcome::imported:
            return std::to_string(outcome.rows) + kImportedText;
        case CsvImportOutcome::empty_file:
            return kEmptyText;
        case CsvImportOutcome::malformed:
            return line + kMalformedText1 + "\n" + kNothingAdded;
        case CsvImportOutcome::not_encoded:
            return line + kNotEncodedText1 + "\n" + kNothingAdded;
        case CsvImportOutcome::wrong_field_count:
            return line + kFieldCountText1 + std::to_string(outcome.found) + kFieldCountText2 +
                   std::to_string(outcome.expected) + kFieldCountText3 + "\n" + kNothingAdded;
        case CsvImportOutcome::column_count_differs:
            return kColumnCountText1 + std::to_string(outcome.found) + kColumnCountText2 +
                   std::to_string(outcome.expected) + kColumnCountText3 + "\n" + kNothingAdded;
        case CsvImportOutcome::stopped:
            return kStoppedText;
        case CsvImportOutcome::sql_failed:
            return kSqlFailedText;
        case CsvImportOutcome::file_failed:
            break;
    }
    return kFileFailedText;
}

}  // namespace

const MessageEntry<CsvImportDialog> CsvImportDialog::message_map_[] = {
    on_message(WM_INITDIALOG, &CsvImportDialog::on_init_dialog),
    on_command_code(IDC_CSV_ENCODING, CBN_SELCHANGE, &CsvImportDialog::on_choice_changed),
    on_command_code(IDC_CSV_SEPARATOR, CBN_SELCHANGE, &CsvImportDialog::on_choice_changed),
    on_command(IDC_CSV_COLUMN_NAMES, &CsvImportDialog::on_choice_changed),
    on_command(IDC_CSV_NEW_TABLE, &CsvImportDialog::on_choice_changed),
    on_command(IDC_CSV_EXISTING_TABLE, &CsvImportDialog::on_choice_changed),
    on_command(IDOK, &CsvImportDialog::on_ok),
    on_command(IDCANCEL, &CsvImportDialog::on_cancel),
};

CsvImportDialog::CsvImportDialog(std::string path,
                                 std::vector<CsvImportTarget> tables,
                                 int selected_table)
    : path_(std::move(path)), tables_(std::move(tables)), selected_table_(selected_table) {
    const std::string head = read_head(path_);
    options.encoding = detect_csv_encoding(head);
    options.separator = detect_csv_separator(head);
}

bool CsvImportDialog::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT CsvImportDialog::on_init_dialog(WPARAM, LPARAM) {
    center_window(hwnd(), GetParent(hwnd()));
    fill_csv_choices(item(IDC_CSV_ENCODING), kFileEncodings, static_cast<int>(options.encoding));
    fill_csv_choices(item(IDC_CSV_SEPARATOR), kCsvSeparators, options.separator);
    CheckDlgButton(hwnd(), IDC_CSV_COLUMN_NAMES,
                   options.column_names ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd(), IDC_CSV_NEW_TABLE, BST_CHECKED);
    HWND list = item(IDC_CSV_TABLE_LIST);
    const std::wstring view_mark = wide_of_ansi(kViewMark);
    for (const CsvImportTarget& table : tables_) {
        const std::wstring shown = wide_of_utf8(table.name) + (table.view ? view_mark : L"");
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    SendMessageW(list, CB_SETCURSEL, selected_table_ >= 0 ? selected_table_ : 0, 0);
    EnableWindow(item(IDC_CSV_EXISTING_TABLE), !tables_.empty());
    enable_target_controls();
    show_preview();
    // The new table's name first: it is what the user has to type. It offers the
    // file's name, selected, so that typing replaces it and Enter takes it. (Given
    // the focus, the preview would open with all its text selected.)
    HWND name = item(IDC_CSV_TABLE_NAME);
    set_window_text_utf8(name, file_stem_of(path_));
    SetFocus(name);
    SendMessageW(name, EM_SETSEL, 0, -1);
    return FALSE;
}

void CsvImportDialog::read_choices() {
    options.encoding = static_cast<FileEncoding>(chosen_csv_value(
        item(IDC_CSV_ENCODING), kFileEncodings, static_cast<int>(options.encoding)));
    options.separator =
        static_cast<char>(chosen_csv_value(item(IDC_CSV_SEPARATOR), kCsvSeparators, ','));
    options.column_names = IsDlgButtonChecked(hwnd(), IDC_CSV_COLUMN_NAMES) == BST_CHECKED;
    options.new_table = IsDlgButtonChecked(hwnd(), IDC_CSV_EXISTING_TABLE) != BST_CHECKED;
    options.typed_columns = IsDlgButtonChecked(hwnd(), IDC_CSV_TYPED) == BST_CHECKED;
}

void CsvImportDialog::enable_target_controls() {
    const bool new_table = IsDlgButtonChecked(hwnd(), IDC_CSV_EXISTING_TABLE) != BST_CHECKED;
    EnableWindow(item(IDC_CSV_TABLE_NAME), new_table);
    EnableWindow(item(IDC_CSV_TYPED), new_table);
    EnableWindow(item(IDC_CSV_TABLE_LIST), !new_table);
}

// The records as the import will read them, one a line, fields apart by " | ";
// a line break inside a value shows as a space.
void CsvImportDialog::show_preview() {
    CsvReader::Result result = CsvReader::end;
    std::int64_t line = 0;
    const auto records =
        read_csv_head(path_, options.encoding, options.separator, kPreviewRecords, result, line);
    const std::string names_mark = to_utf8("[列名] ");
    std::string text;
    for (std::size_t r = 0; r < records.size(); ++r) {
        std::string utf8;
        for (std::size_t f = 0; f < records[r].size(); ++f) {
            utf8 += f > 0 ? " | " : "";
            utf8 += records[r][f].value_or(std::string());
        }
        for (char& c : utf8) {
            c = (c == '\r' || c == '\n') ? ' ' : c;
        }
        text += (r == 0 && options.column_names ? names_mark : "") + utf8 + "\r\n";
    }
    if (result != CsvReader::record && result != CsvReader::end) {
        text += std::to_string(line) + to_utf8(kPreviewFaultText) + "\r\n";
    }
    set_window_text_utf8(item(IDC_CSV_PREVIEW), text);
}

LRESULT CsvImportDialog::on_choice_changed(WPARAM, LPARAM) {
    read_choices();
    enable_target_controls();
    show_preview();
    return 0;
}

LRESULT CsvImportDialog::on_ok(WPARAM, LPARAM) {
    read_choices();
    if (options.new_table) {
        std::string name;
        const bool whole = read_window_text_utf8(item(IDC_CSV_TABLE_NAME), name);
        if (!whole || name.empty()) {
            show_message_box(hwnd(), whole ? kNoNameText : kBrokenNameText, kCaption,
                             MB_OK | MB_ICONINFORMATION);
            SetFocus(item(IDC_CSV_TABLE_NAME));
            return 0;
        }
        options.table = name;
    } else {
        const LRESULT at = SendMessageW(item(IDC_CSV_TABLE_LIST), CB_GETCURSEL, 0, 0);
        if (at < 0 || static_cast<std::size_t>(at) >= tables_.size()) {
            return 0;
        }
        options.table = tables_[static_cast<std::size_t>(at)].name;
    }
    end_dialog(IDOK);
    return 0;
}

LRESULT CsvImportDialog::on_cancel(WPARAM, LPARAM) {
    end_dialog(IDCANCEL);
    return 0;
}

CsvImportOutcome import_csv_with_progress(HWND owner,
                                          sqlite3* db,
                                          const std::string& path,
                                          const CsvImportOptions& options) {
    ProgressWindow progress(owner, kCaption);
    progress.set_text(std::string("0") + kInsertingText);
    run_watch::reset(db);
    ProgressPace pace;
    const CsvImportOutcome outcome = import_csv(db, path, options, [&](std::int64_t rows) {
        if (pace.due()) {
            progress.set_text(std::to_string(rows) + kInsertingText);
        }
    });
    run_watch::reset(db);
    return outcome;
}

bool import_csv_file(HWND owner,
                     sqlite3* db,
                     ChangeHistory& history,
                     const std::string& path,
                     std::vector<CsvImportTarget> tables,
                     int selected_table) {
    if (!db) {
        return false;
    }
    CsvImportDialog dialog(path, std::move(tables), selected_table);
    if (dialog.show_modal(IDD_CSV_IMPORT, owner) != IDOK) {
        return false;
    }
    RecordedStep step(dialog.options.new_table ? nullptr : &history);
    const CsvImportOutcome outcome = import_csv_with_progress(owner, db, path, dialog.options);
    step.finish();
    std::string text = to_utf8(outcome_text(outcome));
    if (outcome.status == CsvImportOutcome::sql_failed && !outcome.message.empty()) {
        text += "\n" + outcome.message;
    }
    show_message_box_utf8(owner, text, kCaption, MB_OK | MB_ICONINFORMATION);
    return outcome.status == CsvImportOutcome::imported;
}
