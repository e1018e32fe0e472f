#pragma once

#include <sqlite3.h>

#include <string>

// The operation texts of the common report of a failed statement.
constexpr const char kUpdateFailedText[] = "データ更新処理が失敗しました。";
constexpr const char kInsertFailedText[] = "レコード追加処理が失敗しました。";
constexpr const char kDeleteFailedText[] = "レコード削除処理時にエラーが発生しました。";
constexpr const char kCreateTableFailedText[] = "テーブル作成処理が失敗しました。";
constexpr const char kSqlErrorCaption[] = "SQL エラー";

// The database's message (UTF-8) for a call that returned `code`. A result found
// before any SQLite call (a read refused, a text without a statement) leaves the
// connection holding an earlier call's message: the library's text for `code`
// stands in then.
const char* connection_message(sqlite3* db, int code);

// The report's text in UTF-8: the operation's text (the program's own, in the ANSI
// code page), a line break and the database's own message as it stands, so that
// the names it quotes show whole.
std::string sql_error_text(const char* operation_text, sqlite3* handle);
// The same with a message (UTF-8) taken before it could be overwritten.
std::string sql_error_text(const char* operation_text, const std::string& message);

// True for the failures that leave data unread for a reason other than the
// statement itself: another program's lock, or a damaged or unreadable file.
bool is_unreadable_failure(int code);
