// The SQL editor: listing a large result against the time SQLite alone needs for
// the same text, and recolouring per keystroke in long texts.
#include <windows.h>
#include <richedit.h>

#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <utility>

#include "bench/bench.h"
#include "bench/page_statements.h"
#include "db/database_connection.h"
#include "db/result_table.h"
#include "db/text_convert.h"
#include "res/resource.h"
#include "sqleditor/sql_editor_dialog.h"
#include "sqleditor/sql_highlighter.h"
#include "win/wide_text.h"

namespace {

constexpr int kRows = 100000;
constexpr int kRuns = 7;
const char* const kQuery = kSqlListQuery;

// Five columns of about 20 bytes, one of them Japanese.
std::string make_database() {
    return cached_database(
        "sql_rows.db",
        "CREATE TABLE items(code TEXT, name TEXT, city TEXT, amount INTEGER, note TEXT);",
        "INSERT INTO items VALUES (?, ?, ?, ?, ?);", kRows, [](sqlite3_stmt* insert, int i) {
            char text[64];
            std::snprintf(text, sizeof(text), "CODE-%014d", i);
            sqlite3_bind_text(insert, 1, text, -1, SQLITE_TRANSIENT);
            std::snprintf(text, sizeof(text), u8"サンプルデータ%02d", i % 100);
            sqlite3_bind_text(insert, 2, text, -1, SQLITE_TRANSIENT);
            std::snprintf(text, sizeof(text), "city-name-number-%03d", i % 1000);
            sqlite3_bind_text(insert, 3, text, -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert, 4, 10000000000000000LL + i);
            std::snprintf(text, sizeof(text), "note text %010d", i);
            sqlite3_bind_text(insert, 5, text, -1, SQLITE_TRANSIENT);
        });
}

// SQL of about `size` bytes as people write it: keywords, names, a Japanese
// literal, comments, several lines; with `beyond_shift_jis`, also a comment in
// Hangul with characters beyond the basic plane, which need faces of their own.
std::string sample_sql(std::size_t size, bool beyond_shift_jis) {
    const std::string lines[] = {
        "SELECT name, count(*) FROM items WHERE price > 100 -- 集計\r\n",
        "  AND city LIKE 'Tokyo%' ORDER BY name;\r\n",
        "INSERT INTO log(kind, note) VALUES('更新', 'price {changed}');\r\n",
        "UPDATE items SET price = price * 1.1 WHERE code NOT NULL;\r\n",
    };
    std::string text;
    for (std::size_t i = 0; text.size() < size; ++i) {
        text += to_utf8(lines[i % std::size(lines)]);
        if (beyond_shift_jis && i % std::size(lines) == 0) {
            text += u8"-- 한국어 메모: \U00020BB7田さん \U0001F600 café\r\n";
        }
    }
    return text;
}

}  // namespace

BENCH_CASE(sql_result_list) {
    const std::string path = make_database();
    // Opened as the program opens a database, so that the listing reads as it does there.
    DatabaseConnection connection;
    if (!connection.open(path.c_str())) {
        std::fprintf(stderr, "sql_result_list: cannot open %s\n", path.c_str());
        return;
    }
    sqlite3* db = connection.handle;
    ChangeHistory history;
    history.attach(db);
    {
        SqlEditorDialog dialog(db, history);
        if (!dialog.create_modeless(IDD_SQL_EDITOR, nullptr)) {
            std::fprintf(stderr, "sql_result_list: the dialog could not be created\n");
            return;
        }
        ShowWindow(dialog.hwnd(), SW_SHOW);
        drain_message_queue();
        SetWindowTextA(dialog.editor(), kQuery);
        HWND run = GetDlgItem(dialog.hwnd(), IDOK);
        HWND list = GetDlgItem(dialog.hwnd(), IDC_SQL_RESULT);

        const auto press_run = [&] {
            SendMessageA(run, BM_CLICK, 0, 0);
            UpdateWindow(list);
        };
        press_run();  // warm the page cache
        const double ours = median_ms(kRuns, press_run);
        const double raw = median_ms(kRuns, [&] {
            ResultTable table;
            table.run(db, kQuery);
        });
        report("sql_list_100k_rows_ms", ours);
        report("sql_list_100k_rows_raw_get_table_ms", raw);
        report("sql_list_100k_rows_ratio", ours / raw);
    }
}

BENCH_CASE(sql_rehighlight) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    {
        ChangeHistory history;
        history.attach(db);
        SqlEditorDialog dialog(db, history);
        if (!dialog.create_modeless(IDD_SQL_EDITOR, nullptr)) {
            std::fprintf(stderr, "sql_rehighlight: the dialog could not be created\n");
            sqlite3_close(db);
            return;
        }
        ShowWindow(dialog.hwnd(), SW_SHOW);
        drain_message_queue();
        HWND editor = dialog.editor();

        for (const auto& [kilobytes, beyond_shift_jis] :
             {std::pair{10, false}, std::pair{60, false}, std::pair{60, true}}) {
            const std::string text =
                sample_sql(static_cast<std::size_t>(kilobytes) * 1000, beyond_shift_jis);
            const std::string name = "sql_rehighlight_" + std::to_string(kilobytes) + "kb" +
                                     (beyond_shift_jis ? "_unicode" : "");
            report(name + "_sql_to_rtf_ms", median_ms(kRuns, [&] { sql_utf8_to_rtf(text); }));

            SetWindowTextW(editor, wide_of_utf8(text).c_str());
            drain_message_queue();
            // Typing in the middle, as far into the text as the view goes. A text
            // set longer than the control's limit raises the limit to about its
            // length: a few characters go first, so that every keystroke types one.
            const LONG middle = static_cast<LONG>(text.size() / 2);
            CHARRANGE room{middle, middle + 2 * kRuns};
            SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&room));
            SendMessageA(editor, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
            drain_message_queue();
            const int length = GetWindowTextLengthW(editor);
            const double keystroke = median_ms(kRuns, [&] {
                SendMessageA(editor, WM_CHAR, 'x', 1);
                UpdateWindow(editor);
            });
            report(name + "_keystroke_ms", keystroke);
            // A keystroke the control refused would time less than typing does.
            const int refused = length + kRuns - GetWindowTextLengthW(editor);
            if (refused != 0) {
                report(name + "_keystrokes_refused", refused);
            }
        }
    }
    sqlite3_close(db);
}
