#include "history/history_command.h"

#include <string>

#include "db/sql_error.h"
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
    std::string text;
    switch (outcome.result) {
        case ChangeHistory::Applied::done:
        case ChangeHistory::Applied::nothing:
            return outcome;
        case ChangeHistory::Applied::cut:
            text = cut_text(history.cut());
            break;
        case ChangeHistory::Applied::transaction_open:
            text = kUndoInTransactionText;
            break;
        case ChangeHistory::Applied::conflict:
            if (outcome.table.empty()) {
                text = redo ? kRedoConflictNoTableText : kUndoConflictNoTableText;
            } else {
                text = std::string(kUndoConflictText1) + ansi_message(outcome.table.c_str()) +
                       (redo ? kRedoConflictText2 : kUndoConflictText2);
            }
            break;
        case ChangeHistory::Applied::failed:
            text = redo ? kRedoFailedText : kUndoFailedText;
            // Refused by the program itself (a table ordered by a collation it lacks).
            if ((outcome.code & 0xff) == SQLITE_AUTH) {
                text += "\n" + ansi_message(connection_message(db, SQLITE_AUTH));
            }
            break;
    }
    show_message_box(owner, text.c_str(), redo ? kRedoCaption : kUndoCaption,
                     MB_OK | MB_ICONINFORMATION);
    return outcome;
}
