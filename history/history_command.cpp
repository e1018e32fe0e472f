#include "history/history_command.h"

#include <string>

#include "db/sql_error.h"
#include "db/text_convert.h"
#include "win/message_box.h"

namespace {

constexpr const char kUndoCaption[] = "元に戻す";
constexpr const char kRedoCaption[] = "やり直し";
constexpr const char kUndoConflictText1[] = "表 \"";
constexpr const char kUndoConflictText2[] =
    "\" "
    "のレコードがこの変更の後に変わっているため、元に戻せませんでした。データは変更していません。";
constexpr const char kRedoConflictText2[] =
    "\" のレコードが変わっているため、やり直せませんでした。データは変更していません。";
constexpr const char kUndoConflictNoTableText[] =
    "レコードがこの変更の後に変わっているため、元に戻せませんでした。データは変更していません。";
constexpr const char kRedoConflictNoTableText[] =
    "レコードが変わっているため、やり直せませんでした。データは変更していません。";
constexpr const char kUndoFailedText[] = "元に戻せませんでした。データは変更していません。";
constexpr const char kRedoFailedText[] = "やり直せませんでした。データは変更していません。";
constexpr const char kUndoInTransactionText[] =
    "トランザクションが終わっていないため、元に戻すことやり直すことはできません。\n"
    "SQL エディタで COMMIT または ROLLBACK してから、もう一度操作してください。";
constexpr const char kCutByRestructureText[] =
    "テーブルの構造が変わったため、それより前の変更は元に戻せません。";
constexpr const char kCutUnfollowedText[] =
    "元に戻せない変更（仮想テーブルや別のデータベースへの変更）があったため、"
    "それより前の変更は元に戻せません。";
constexpr const char kCutTooLargeText[] =
    "記録できないほど大きな変更があったため、それより前の変更は元に戻せません。";
constexpr const char kCutTooOldText[] =
    "これより前の変更は、記録できる量を超えたため元に戻せません。";

const char* cut_text(ChangeHistory::Cut cut) {
    switch (cut) {
        case ChangeHistory::Cut::restructure:
            return kCutByRestructureText;
        case ChangeHistory::Cut::too_large:
            return kCutTooLargeText;
        case ChangeHistory::Cut::too_old:
            return kCutTooOldText;
        case ChangeHistory::Cut::unfollowed:
        case ChangeHistory::Cut::none:
            break;
    }
    return kCutUnfollowedText;
}

}  // namespace

ChangeHistory::Outcome apply_history_step_reporting(HWND owner,
                                                    ChangeHistory& history,
                                                    sqlite3* db,
                                                    bool redo) {
    const ChangeHistory::Outcome outcome = redo ? history.redo() : history.undo();
    // UTF-8: the table's name and the database's words show as they are.
    std::string text;
    switch (outcome.result) {
        case ChangeHistory::Applied::done:
        case ChangeHistory::Applied::nothing:
            return outcome;
        case ChangeHistory::Applied::cut:
            text = to_utf8(cut_text(history.cut()));
            break;
        case ChangeHistory::Applied::transaction_open:
            text = to_utf8(kUndoInTransactionText);
            break;
        case ChangeHistory::Applied::conflict:
            if (outcome.table.empty()) {
                text = to_utf8(redo ? kRedoConflictNoTableText : kUndoConflictNoTableText);
            } else {
                text = to_utf8(kUndoConflictText1) + outcome.table +
                       to_utf8(redo ? kRedoConflictText2 : kUndoConflictText2);
            }
            break;
        case ChangeHistory::Applied::failed:
            text = to_utf8(redo ? kRedoFailedText : kUndoFailedText);
            // Refused by the program itself (a table ordered by a collation it lacks).
            if ((outcome.code & 0xff) == SQLITE_AUTH) {
                text += "\n" + std::string(connection_message(db, SQLITE_AUTH));
            }
            break;
    }
    show_message_box_utf8(owner, text, redo ? kRedoCaption : kUndoCaption,
                          MB_OK | MB_ICONINFORMATION);
    return outcome;
}
