#include "app/cell_file_command.h"

#include <chrono>

#include "app/file_dialog.h"
#include "csv/csv_export_command.h"
#include "db/run_watch.h"
#include "db/sql_error.h"
#include "db/text_convert.h"
#include "grid/cell_file.h"
#include "grid/table_grid.h"
#include "grid/value_dump.h"
#include "history/change_history.h"
#include "page/picture_kind.h"
#include "win/message_box.h"
#include "win/progress_window.h"

namespace {

constexpr char kSaveCaption[] = "ファイルに保存";
constexpr char kLoadCaption[] = "ファイルから読み込み";
constexpr char kSavedText[] = " バイトを保存しました。";
constexpr char kSaveStoppedText[] = "保存を中止しました。ファイルは書き出していません。";
constexpr char kNullText[] = "この値は NULL のため、保存するものがありません。";
constexpr char kSaveNotRepresentableText[] =
    "Shift-JIS で書けない文字が含まれるため、ファイルは書き出していません。\n"
    "UTF-8 (BOM 付き) で保存しますか？";
constexpr char kSaveFileFailedText[] =
    "ファイルに書き込めませんでした。ファイルは書き出していません。";
constexpr char kSaveReadFailedText[] = "値を読み込めませんでした。ファイルは書き出していません。";
constexpr char kLoadStoppedText[] = "読み込みを中止しました。セルの値は変更していません。";
constexpr char kReadOnlyText[] =
    "データベースが読み取り専用のため、読み込めません。何も変更していません。";
constexpr char kTooLargeText[] =
    "ファイルが大きすぎるため、読み込めません。何も変更していません。\n"
    "SQLite が 1 つの値に保存できるのは ";
constexpr char kTooLargeTail[] = " バイトまでです。";
constexpr char kNotTextText[] =
    "ファイルが選んだ文字コードのテキストではないため、読み込めませんでした。"
    "何も変更していません。";
constexpr char kLoadFileFailedText[] = "ファイルを読み込めませんでした。何も変更していません。";
constexpr char kSaveProgressText[] = " を保存しました... (Esc キーで中止)";
constexpr char kLoadProgressText[] = " を読み込みました... (Esc キーで中止)";
constexpr char kTextExtension[] = ".txt";

void tell(HWND owner, const std::string& text, const char* caption) {
    show_message_box(owner, text.c_str(), caption, MB_OK | MB_ICONINFORMATION);
}

// A message of the program's own followed by a line of data (a path, the
// database's words), which keeps every character.
void tell_with(HWND owner, const std::string& text, const std::string& utf8, const char* caption) {
    show_message_box_utf8(owner, to_utf8(text) + "\n" + utf8, caption, MB_OK | MB_ICONINFORMATION);
}

// Runs the move with the window showing how far it has come; Esc stops it.
template <typename Move>
CellFileOutcome with_progress(HWND owner,
                              sqlite3* db,
                              const char* caption,
                              const char* progress_text,
                              Move move) {
    ProgressWindow progress(owner, caption);
    run_watch::reset(db);
    using Clock = std::chrono::steady_clock;
    Clock::time_point shown = Clock::now();
    const CellFileOutcome outcome = move([&](std::int64_t done, std::int64_t total) {
        const Clock::time_point now = Clock::now();
        if (now - shown >= std::chrono::milliseconds(100)) {
            shown = now;
            progress.set_text(short_byte_size(done) + " / " + short_byte_size(total) +
                              progress_text);
        }
    });
    run_watch::reset(db);
    return outcome;
}

bool record_row(TableGrid& grid, int row, int column) {
    return row >= 0 && !grid.is_blank_row(row) && column >= 1 && column <= grid.column_count() &&
           grid.page().database();
}

}  // namespace

std::string cell_file_name_for(const std::string& utf8_column, const std::string& extension) {
    std::string name = csv_file_name_for(utf8_column);
    // The CSV form ends in ".csv"; the value's own extension replaces it.
    name.resize(name.size() - 4);
    return name + extension;
}

void save_cell_to_file(HWND owner,
                       TableGrid& grid,
                       int row,
                       int column,
                       const std::string& path,
                       FileEncoding encoding) {
    if (!record_row(grid, row, column)) {
        return;
    }
    sqlite3* db = grid.page().database();
    const CellFileTarget target = grid.cell_target(row, column);
    for (;;) {
        const CellFileOutcome outcome = with_progress(
            owner, db, kSaveCaption, kSaveProgressText,
            [&](auto progress) { return save_cell_file(db, target, path, encoding, progress); });
        switch (outcome.status) {
            case CellFileOutcome::done:
                tell_with(owner, grouped_number(outcome.bytes) + kSavedText, path, kSaveCaption);
                return;
            case CellFileOutcome::not_representable:
                if (show_message_box(owner, kSaveNotRepresentableText, kSaveCaption,
                                     MB_YESNO | MB_ICONQUESTION) != IDYES) {
                    return;
                }
                encoding = FileEncoding::utf8_bom;
                continue;
            case CellFileOutcome::stopped:
                tell(owner, kSaveStoppedText, kSaveCaption);
                return;
            case CellFileOutcome::null_value:
                tell(owner, kNullText, kSaveCaption);
                return;
            case CellFileOutcome::missing:
                grid.report_record_missing(row);
                return;
            case CellFileOutcome::file_failed:
                tell_with(owner, kSaveFileFailedText, path, kSaveCaption);
                return;
            case CellFileOutcome::out_of_memory:
                report_out_of_memory(owner);
                return;
            default:
                tell_with(owner, kSaveReadFailedText, outcome.message, kSaveCaption);
                return;
        }
    }
}

void load_cell_from_file(HWND owner,
                         TableGrid& grid,
                         ChangeHistory* history,
                         int row,
                         int column,
                         const std::string& path,
                         bool as_text,
                         FileEncoding encoding) {
    if (!record_row(grid, row, column) || grid.refuse_cell_write(row, column)) {
        return;
    }
    sqlite3* db = grid.page().database();
    const CellFileTarget target = grid.cell_target(row, column);
    CellFileOutcome outcome;
    {
        RecordedStep step(history, ChangeHistory::StepScope::records);
        // A value larger than the history holds would be cut at the step's end
        // anyway, after the session had gathered it whole.
        if (history && file_length(path) > static_cast<std::int64_t>(history->memory_limit())) {
            history->give_up_step();
        }
        outcome = with_progress(owner, db, kLoadCaption, kLoadProgressText, [&](auto progress) {
            return load_cell_file(db, target, path, as_text, encoding, progress);
        });
    }
    switch (outcome.status) {
        case CellFileOutcome::done: {
            PageRequest request = grid.request_here(PageRequest::Place::shown_page);
            request.condition = target.cell.condition;
            const int shown = grid.show(request);
            if (shown >= 0) {
                grid.ensure_visible(shown);
            }
            return;
        }
        case CellFileOutcome::stopped:
            tell(owner, kLoadStoppedText, kLoadCaption);
            return;
        case CellFileOutcome::read_only:
            tell(owner, kReadOnlyText, kLoadCaption);
            return;
        case CellFileOutcome::too_large:
            tell(owner,
                 kTooLargeText + grouped_number(sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1)) +
                     kTooLargeTail,
                 kLoadCaption);
            return;
        case CellFileOutcome::not_text:
            tell(owner, kNotTextText, kLoadCaption);
            return;
        case CellFileOutcome::missing:
            grid.report_record_missing(row);
            return;
        case CellFileOutcome::file_failed:
            tell_with(owner, kLoadFileFailedText, path, kLoadCaption);
            return;
        case CellFileOutcome::out_of_memory:
            report_out_of_memory(owner);
            return;
        default:
            show_message_box_utf8(owner, sql_error_text(kUpdateFailedText, outcome.message),
                                  kSqlErrorCaption, MB_OK | MB_ICONINFORMATION);
            return;
    }
}

void save_cell_command(HWND owner, TableGrid& grid) {
    // An open edit is written first: it may move the record.
    grid.finish_cell_edit();
    const int row = grid.selected_row();
    const int column = grid.command_column();
    if (!record_row(grid, row, column)) {
        return;
    }
    ValuePart head;
    switch (read_value_part(grid.page().database(), grid.cell_target(row, column), 0,
                            kPictureSignatureBytes, head)) {
        case ReadOutcome::missing:
            grid.report_record_missing(row);
            return;
        case ReadOutcome::failed:
            tell(owner, kSaveReadFailedText, kSaveCaption);
            return;
        case ReadOutcome::found:
            break;
    }
    if (head.type == "null") {
        tell(owner, kNullText, kSaveCaption);
        return;
    }
    const bool text = head.type != "blob";
    const std::string extension =
        text ? kTextExtension
             : picture_kind_extension(picture_kind(
                   reinterpret_cast<const unsigned char*>(head.bytes.data()), head.bytes.size()));
    // The column's own name, whatever characters it holds.
    const std::string column_name = grid.cell_target(row, column).cell.column;
    FileChoice file;
    FileEncoding encoding = FileEncoding::shift_jis;
    if (!choose_cell_save_file(owner, text, cell_file_name_for(column_name, extension), file,
                               encoding)) {
        return;
    }
    save_cell_to_file(owner, grid, row, column, file.path, encoding);
}

void load_cell_command(HWND owner, TableGrid& grid, ChangeHistory* history) {
    // An open edit is written first: it may move the record.
    grid.finish_cell_edit();
    const int row = grid.selected_row();
    const int column = grid.command_column();
    if (!record_row(grid, row, column)) {
        return;
    }
    if (grid.refuse_cell_write(row, column)) {
        return;
    }
    if (sqlite3_db_readonly(grid.page().database(), "main") != 0) {
        tell(owner, kReadOnlyText, kLoadCaption);
        return;
    }
    FileChoice file;
    bool as_text = false;
    FileEncoding encoding = FileEncoding::shift_jis;
    if (!choose_cell_load_file(owner, file, as_text, encoding)) {
        return;
    }
    load_cell_from_file(owner, grid, history, row, column, file.path, as_text, encoding);
}
