// Undo and redo: what recording costs a cell edit, an insert and a deletion, and
// undoing a deletion of 100,000 records made in the SQL editor.
#include <windows.h>

#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <string>

#include "bench/bench.h"
#include "db/database_connection.h"
#include "history/change_history.h"
#include "res/resource.h"
#include "sqleditor/sql_editor_dialog.h"

namespace {

constexpr int kRows = 100000;
constexpr int kRuns = 31;

std::string make_database() {
    return cached_database(
        "undo.db", "CREATE TABLE items(id INTEGER PRIMARY KEY, code TEXT, name TEXT, amount);",
        "INSERT INTO items(code, name, amount) VALUES (?, ?, ?);", kRows,
        [](sqlite3_stmt* insert, int i) {
            char text[64];
            std::snprintf(text, sizeof(text), "CODE-%014d", i);
            sqlite3_bind_text(insert, 1, text, -1, SQLITE_TRANSIENT);
            std::snprintf(text, sizeof(text), u8"サンプルデータ%02d", i % 100);
            sqlite3_bind_text(insert, 2, text, -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert, 3, 10000000000000000LL + i);
        });
}

// A copy to change: the cached database stays as it was made.
std::string working_copy() {
    const std::string original = make_database();
    const std::string copy = bench_folder() + "\\undo_work.db";
    CopyFileA(original.c_str(), copy.c_str(), FALSE);
    return copy;
}

void exec(sqlite3* db, const std::string& sql) {
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

// The median time of a statement run as one step of `history` (null: not recorded),
// recorded as the grid records its edits.
double step_ms(sqlite3* db, ChangeHistory* history, const std::function<std::string(int)>& sql) {
    int i = 0;
    return median_ms(kRuns, [&] {
        RecordedStep step(history, ChangeHistory::StepScope::records);
        exec(db, sql(++i));
    });
}

}  // namespace

BENCH_CASE(undo_recording) {
    const std::string path = working_copy();
    DatabaseConnection connection;
    if (!connection.open(path.c_str())) {
        std::fprintf(stderr, "undo_recording: cannot open %s\n", path.c_str());
        return;
    }
    sqlite3* db = connection.handle;
    ChangeHistory history;
    history.attach(db);
    // Each round changes records of its own: a write of what a record holds already
    // writes nothing, and would be timed as free.
    int round = 0;
    for (ChangeHistory* recording : {static_cast<ChangeHistory*>(nullptr), &history}) {
        const std::string kind = recording ? "_recorded_ms" : "_plain_ms";
        const int base = 10000 * ++round;
        report("undo_cell_edit" + kind, step_ms(db, recording, [&](int i) {
                   return "UPDATE items SET name = 'edit " + kind + std::to_string(i) +
                          "' WHERE id = " + std::to_string(base + i) + ";";
               }));
        report("undo_insert" + kind, step_ms(db, recording, [&](int i) {
                   return "INSERT INTO items(code) VALUES ('new " + std::to_string(i) + "');";
               }));
        report("undo_delete" + kind, step_ms(db, recording, [&](int i) {
                   return "DELETE FROM items WHERE id = " + std::to_string(base + 5000 + i) + ";";
               }));
    }
}

namespace {

// The time of one call, in milliseconds.
double once_ms(const std::function<void()>& action) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    action();
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Runs "DELETE FROM items;" in the SQL editor on a fresh copy, recorded as one step
// of `history` or not; the time of the run.
double sql_delete_ms(ChangeHistory& history, bool recorded, DatabaseConnection& connection) {
    const std::string path = working_copy();
    if (!connection.open(path.c_str())) {
        std::fprintf(stderr, "undo_sql_delete_100k: cannot open %s\n", path.c_str());
        return -1.0;
    }
    // A history that follows no database records nothing.
    if (recorded) {
        history.attach(connection.handle);
    }
    SqlEditorDialog dialog(connection.handle, history);
    if (!dialog.create_modeless(IDD_SQL_EDITOR, nullptr)) {
        std::fprintf(stderr, "undo_sql_delete_100k: the dialog could not be created\n");
        return -1.0;
    }
    ShowWindow(dialog.hwnd(), SW_SHOW);
    drain_message_queue();
    SetWindowTextA(dialog.editor(), "DELETE FROM items;");
    HWND run = GetDlgItem(dialog.hwnd(), IDOK);
    return once_ms([&] { SendMessageA(run, BM_CLICK, 0, 0); });
}

}  // namespace

BENCH_CASE(undo_sql_delete_100k) {
    {
        DatabaseConnection connection;
        ChangeHistory unattached;
        report("undo_sql_delete_100k_run_plain_ms", sql_delete_ms(unattached, false, connection));
    }
    DatabaseConnection connection;
    ChangeHistory history;
    report("undo_sql_delete_100k_run_recorded_ms", sql_delete_ms(history, true, connection));
    report("undo_sql_delete_100k_changeset_mb",
           static_cast<double>(history.memory_used()) / (1024.0 * 1024.0));
    bool undone = false;
    report("undo_sql_delete_100k_undo_ms",
           once_ms([&] { undone = history.undo().result == ChangeHistory::Applied::done; }));
    report("undo_sql_delete_100k_undone", undone ? 1.0 : 0.0);
    report("undo_sql_delete_100k_redo_ms", once_ms([&] { history.redo(); }));
    history.attach(nullptr);
}
