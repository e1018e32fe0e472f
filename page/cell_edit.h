#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <vector>

#include "db/sql_text.h"
#include "db/table_shape.h"
#include "page/cell_value.h"

// The life of one edit of a grid cell, apart from any window: whether it may
// begin, the record it writes to, the write, and what the page shows after it.
// The grid and the in-place editor only drive it; it reaches the page and the
// user through an EditTarget.

// The limits below are in Shift-JIS bytes: a text weighs what text_weight says
// (text_convert.h), so that they hold as before for text of the code page.

// A cell text weighing more than this opens the text edit dialog instead of the
// in-place editor.
constexpr std::size_t kInPlaceCellLimit = 64;
// The heaviest text the in-place editor writes.
constexpr std::size_t kInPlaceTextLimit = 100;
// The heaviest value the grid writes.
constexpr std::size_t kLongestWrittenValue = 32768;
// What a grid cell shows of a longer value: its first 254 bytes' worth, which fit
// the list view's item text.
constexpr std::size_t kCellShownBytes = 254;

// What an edit has the grid tell the user.
enum class EditNotice {
    too_long,           // the in-place editor's text is longer than it takes
    binary,             // a BLOB is not edited as text
    unrepresentable,    // the text would not come back as the stored bytes
    half_character,     // the typed text holds half of a surrogate pair
    read_only_table,    // the table's records cannot be found again
    generated_column,   // the column's value is computed from the others
    not_added,          // an insert that left no record (a trigger dropped it)
    update_failed,      // the database refused the UPDATE; its message is waiting
    insert_failed,      // the database refused the INSERT; its message is waiting
    view_not_updated,   // a view without an INSTEAD OF UPDATE trigger for the column
    view_not_inserted,  // a view without an INSTEAD OF INSERT trigger
    several_records,    // a view's values find more than one record: nothing written
};

// The page an edit works on, as the grid shows it.
class EditTarget {
public:
    virtual ~EditTarget() = default;

    // The open database (null when none is), the exact (UTF-8) name of the table
    // shown and its shape as the page's load read it.
    virtual sqlite3* edited_database() const = 0;
    virtual const std::string& edited_table() const = 0;
    virtual const TableShape& shape() const = 0;

    // The condition that finds the record of list row `row`; empty for the blank
    // row and where no record can be found again.
    virtual std::string record_condition(int row) const = 0;
    // The list row of the record that this condition finds, or -1.
    virtual int row_of_condition(const std::string& condition) const = 0;
    virtual bool is_blank_row(int row) const = 0;
    // The text a cell shows (column 0: the row id, or "*" on the blank row).
    virtual std::string cell_text(int row, int column) const = 0;

    // Puts a text into one cell of the page.
    virtual void show_cell_text(int row, int column, const std::string& text) = 0;
    // Reads the page again with the record of this row id selected; its list row,
    // or -1 when it is not on the page.
    virtual int show_record(RowId rowid) = 0;
    // The same for a record just added; a full last page gives way to the next.
    virtual int show_added_record(RowId rowid) = 0;
    // Shows the page that holds the record with these key literals (a table
    // without row ids), selected; its list row, or -1.
    virtual int show_keyed_record(const std::vector<std::string>& key_literals) = 0;
    // Tells the user that the record is gone or was left unchanged, and shows the
    // page as the database holds it, with list row `row` selected again.
    virtual void report_record_missing(int row) = 0;
    virtual void tell(EditNotice notice) = 0;
    // A failed write whose message (UTF-8) was taken before it was undone.
    virtual void tell_failed(EditNotice notice, const std::string& message) = 0;
    // Reads the page again; the list row of the record this condition finds, or -1.
    virtual int show_found_record(const std::string& condition) = 0;
    // The in-place editor goes out of sight. Its loss of focus may start a
    // commit of its own while this runs.
    virtual void hide_editor() = 0;
};

// Where an edit writes, and what it starts from.
struct EditedCell {
    // The list row and column (1 to n) of the cell.
    int row = -1;
    int column = 0;
    // The record's row id; -1 for the blank row and in a table without row ids.
    RowId rowid = -1;
    // The condition (UTF-8) that finds the record; empty for the blank row.
    std::string condition;
    // The blank row: the write adds a record.
    bool new_record = false;
    // What the cell held: a number typed over a number is written as a number.
    ValueKind kind = ValueKind::unknown;
    // The text the edit opens with: the record's whole value (UTF-8).
    std::string text;
};

enum class EditStart { none, in_place, dialog };

struct CommitOutcome {
    // The commit ran its course: false when no edit was open, or its text was
    // refused as too long.
    bool finished = false;
    // The column the edit moves on to, 0 for none.
    int next_column = 0;
};

class CellEdit {
public:
    // Refuses, with a word to the user, an edit of a table or column that cannot
    // be written.
    static bool refuse(EditTarget& target, int row, int column);
    // Where an edit of column `column` of list row `row` writes and the text it
    // opens with. The cell shows a cut, converted copy; the edit starts
    // from the record's own value, and a value that could not come back as stored
    // is refused. A record that is gone is reported and the page shown again. A
    // long text, or `want_dialog` (Ctrl held), takes the text dialog.
    static EditStart prepare(EditTarget& target,
                             int row,
                             int column,
                             bool want_dialog,
                             EditedCell& cell);

    // The in-place editor is open on the cell, holding `text`: committing that
    // text unchanged writes nothing.
    void open(const EditedCell& cell, const std::string& text);
    // Esc: nothing is written.
    void cancel() { active_ = false; }
    // Writes the in-place editor's text. Runs once per edit: a commit that finds
    // the edit ended (Enter and the loss of focus after it) does nothing. With
    // `move_next`, after a write that succeeded or was not needed, the outcome
    // names the next column that can be written.
    CommitOutcome commit(EditTarget& target, const std::string& text, bool move_next);
    // Writes the text dialog's value, confirmed with OK, into the cell.
    static void write_from_dialog(EditTarget& target,
                                  const EditedCell& cell,
                                  const std::string& value);

    // Writes the value into column `column` of the record that `condition` finds,
    // as the kind of value the cell held. Returns the record's list row after the
    // write (the page is shown again when its row id or key changed), or -1 when
    // nothing was written; a failure, or a record that is gone, has been told.
    // `new_condition` receives the condition that finds the record afterwards.
    static int update(EditTarget& target,
                      int row,
                      int column,
                      const std::string& condition,
                      ValueKind previous,
                      const std::string& value,
                      std::string* new_condition = nullptr);
    // Adds a record holding the value in column `column` and shows it; `new_row`
    // receives its list row (-1 when it is not on the page). False when the
    // database refused it (told) or the value cannot be written.
    static bool insert(EditTarget& target,
                       int column,
                       const std::string& value,
                       int* new_row = nullptr);

    // From the moment the editor opens until the commit or Esc.
    bool active() const { return active_; }
    // The cell of the last edit opened; after a write, the record's new place.
    const EditedCell& cell() const { return cell_; }

private:
    bool active_ = false;
    EditedCell cell_;
};
