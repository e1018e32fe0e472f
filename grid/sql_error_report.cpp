#include "grid/sql_error_report.h"

#include <string>

#include "db/read_watch.h"
#include "db/sql_error.h"
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

}  // namespace

void report_sql_error(HWND owner, const char* operation_text, sqlite3* handle) {
    const std::string text = sql_error_text(operation_text, handle);
    show_message_box(owner, text.c_str(), kSqlErrorCaption, MB_OK | MB_ICONINFORMATION);
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
    std::string text = watch.busy()          ? kLockedReadText
                       : watch.interrupted() ? kInterruptedReadText
                                             : kUnreadableText;
    if (!watch.busy() && !watch.interrupted() && !watch.message().empty()) {
        text += "\n" + ansi_message(watch.message().c_str());
    }
    show_message_box(owner, text.c_str(), kReadCaption, MB_OK | MB_ICONINFORMATION);
}
