#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

#include <cstdint>
#include <functional>

#include "history/change_history.h"
#include "sqleditor/sql_rows.h"

// Free SQL from the editor: what one run produced, before it is shown.

// The longest text run at once, in bytes of Shift-JIS: its weight (text_weight; a
// character Shift-JIS lacks counts 2, or 4 beyond the basic plane). A longer text is
// refused rather than run in part.
constexpr int kSqlTextLimit = 10239;
// Room of a shown cell: a longer value shows its first 254 bytes' worth (weight).
constexpr int kSqlCellTextSize = 255;
// At 96 DPI: the list scales it to its own.
constexpr int kRowNumberColumnWidth = 60;

constexpr char kRowNumberHeader[] = "行番号";
constexpr char kSqlErrorHeader[] = "SQL エラーメッセージ";
constexpr char kSqlMessageHeader[] = "SQL メッセージ";
constexpr char kSqlTooLongText[] =
    "SQL が長すぎるため実行しませんでした（10239 バイトまで実行できます）。";
constexpr char kSqlHalfPairText[] =
    "SQL に半分だけの文字（対のないサロゲート）が含まれるため実行しませんでした。";
constexpr char kSqlNoDatabaseText[] = "データベースが開かれていません。";
constexpr char kSqlRunningText[] = "実行しています。Esc キーで中止できます。";
// The notes under rows that were not all listed: "... 4000000 行を返しました。
// 最初の 1700000 行を表示しています ..."
constexpr char kSqlNotAllKeptText1[] = "結果が大きいため、SQL は最後まで実行しましたが、返された ";
constexpr char kSqlNotAllKeptText2[] = " 行のうち最初の ";
constexpr char kSqlNotAllKeptText3[] = " 行だけを表示しています。";
constexpr char kSqlStoppedText1[] = "実行を中止しました。中止までに返された ";
constexpr char kSqlStoppedText2[] = " 行を表示しています。";
constexpr char kSqlTransactionOpenText[] =
    "トランザクションが開いたままです。COMMIT するまで変更は確定されず、"
    "データベースは他のプログラムからロックされます。";

constexpr char kSqlCutBySchemaText[] =
    "この実行にはレコード以外の変更（テーブルの作成や変更など）が含まれるため、"
    "ここより前の変更は元に戻せなくなりました。";
constexpr char kSqlCutUnfollowedText[] =
    "この実行には記録できない変更（仮想テーブルや別のデータベースへの変更）が含まれるため、"
    "ここより前の変更は元に戻せなくなりました。";
constexpr char kSqlCutTooLargeText[] =
    "この実行の変更は大きすぎて記録できないため、ここより前の変更は元に戻せなくなりました。";

// The line under a run's outcome when the run cut the history of changes.
const char* history_cut_note(ChangeHistory::Cut cut);

struct SqlOutcome {
    enum class Kind { rows, message, error };

    Kind kind = Kind::message;
    // The line shown for a message or an error (UTF-8).
    std::string message;
    // The rows when the statements returned columns (kind rows), as far as they
    // were kept.
    std::unique_ptr<SqlRows> table;
    // The user stopped the run; the rows it had returned are kept.
    bool interrupted = false;
    // A transaction begun by the text (or an earlier one) is still open after it.
    bool transaction_open = false;
};

// Runs the whole text, statement after statement: rows when the result has
// columns, otherwise the database's message (its success text after statements
// without rows, its error text after a failure). The text is UTF-8 and reaches
// SQLite unchanged; one that is too long, holds half of a surrogate pair (or any
// byte that is no UTF-8) or has no connection to go to is not run at all.
// `on_rows` is told now and then while rows arrive, so that they can be shown
// before the run ends.
SqlOutcome run_sql(sqlite3* db,
                   const char* utf8_text,
                   const std::function<void(const SqlRows&)>& on_rows = nullptr,
                   std::size_t budget = SqlRows::kDefaultBudget);

// The number shown for result row `row` (from 1): "%05d".
std::string format_row_number(int row);

// A result value (UTF-8) as its cell shows it: its first 254 bytes' worth
// (cut_to_weight), never part of a character. NULL shows as the empty text.
std::string sql_cell_text(std::string_view utf8);
