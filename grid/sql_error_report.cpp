#include "grid/sql_error_report.h"

#include <string>
#include <vector>

#include "db/read_watch.h"
#include "db/sql_error.h"
#include "db/stand_in_collation.h"
#include "db/text_convert.h"
#include "win/message_box.h"

namespace {

constexpr const char kReadCaption[] = "読み込みエラー";
constexpr const char kLockedReadText[] =
    "データベースが他のプログラムにロックされているため、読み込めませんでした。\n"
    "表示されていないテーブルやレコードがあります。しばらくしてから、もう一度表示してください。";
constexpr const char kUnreadableText[] =
    "データベースを読み込めませんでした。\n表示されていないテーブルやレコードがあります。";
constexpr const char kInterruptedReadText[] =
    "読み込みを中止しました。\n表示されていないテーブルやレコードがあります。";

constexpr const char kStandInCaption[] = "照合順序";
constexpr const char kStandInText1[] = "このファイルは、このプログラムにない照合順序 (";
constexpr const char kStandInText2[] =
    ") を使っています。\nすべてのレコードを表示できますが、並び順はファイルを作ったアプリと"
    "異なることがあります。\nファイルを傷めないよう、この照合順序で並べた索引やキーにかかわる"
    "変更はしません。";

}  // namespace

void report_sql_error(HWND owner, const char* operation_text, sqlite3* handle) {
    show_message_box_utf8(owner, sql_error_text(operation_text, handle), kSqlErrorCaption,
                          MB_OK | MB_ICONINFORMATION);
}

void report_unreadable(HWND owner, const ReadFailureWatch& watch) {
    if (!watch.failed() || !watch.outermost()) {
        return;
    }
    MSG closing{};
    if (watch.interrupted() && PeekMessageA(&closing, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE)) {
        // The read was stopped because a window is closing: no box to answer first.
        return;
    }
    std::string text = to_utf8(watch.busy()          ? kLockedReadText
                               : watch.interrupted() ? kInterruptedReadText
                                                     : kUnreadableText);
    if (!watch.busy() && !watch.interrupted() && !watch.message().empty()) {
        text += "\n" + watch.message();
    }
    show_message_box_utf8(owner, text, kReadCaption, MB_OK | MB_ICONINFORMATION);
}

void report_stand_ins(HWND owner, sqlite3* db) {
    const std::vector<std::string> names = stand_in::names(db);
    if (names.empty()) {
        return;
    }
    std::string list;
    for (const std::string& name : names) {
        list += (list.empty() ? "" : ", ") + name;
    }
    show_message_box_utf8(owner, to_utf8(kStandInText1) + list + to_utf8(kStandInText2),
                          kStandInCaption, MB_OK | MB_ICONINFORMATION);
}
