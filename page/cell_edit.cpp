#include "page/cell_edit.h"

#include "db/record_identity.h"
#include "db/result_table.h"
#include "db/stand_in_collation.h"
#include "db/text_convert.h"
#include "page/record_statements.h"

namespace {

int column_count(const EditTarget& target) {
    return static_cast<int>(target.shape().columns.size());
}

const ShapeColumn* shape_column(const EditTarget& target, int column) {
    const std::vector<ShapeColumn>& columns = target.shape().columns;
    if (column < 1 || column > static_cast<int>(columns.size())) {
        return nullptr;
    }
    return &columns[static_cast<std::size_t>(column - 1)];
}

CellAddress cell_address(const EditTarget& target, int column, const std::string& condition) {
    const TableShape& shape = target.shape();
    CellAddress cell;
    cell.table = target.edited_table();
    cell.column = shape.columns.at(static_cast<std::size_t>(column - 1)).name;
    cell.rowid_name = shape.rowid_name;
    cell.condition = condition;
    cell.has_rowid = record_identity(shape).has_rowid();
    return cell;
}

int update_view(EditTarget& target,
                int row,
                int column,
                const std::string& condition,
                const std::string& literal,
                std::string* new_condition) {
    sqlite3* db = target.edited_database();
    const TableShape& shape = target.shape();
    const std::string& view = target.edited_table();
    // The record's values whole, to find it again by its new ones afterwards.
    const IdentityFields values = read_record_identity(db, view, shape, condition);
    std::string message;
    const WriteOutcome outcome = write_through_view(
        db, view, condition,
        "UPDATE " + quote_identifier(view) + " SET " +
            quote_identifier(shape.columns[static_cast<std::size_t>(column - 1)].name) + " = " +
            literal + " WHERE " + condition + ";",
        message);
    switch (outcome) {
        case WriteOutcome::failed:
            target.tell_failed(EditNotice::update_failed, message);
            return -1;
        case WriteOutcome::no_record:
            target.report_record_missing(row);
            return -1;
        case WriteOutcome::several:
            target.tell(EditNotice::several_records);
            return -1;
        case WriteOutcome::written:
            break;
    }
    std::string after;
    if (!values.empty()) {
        const IdentityFields written = record_identity(shape).written(
            shape, values, static_cast<std::size_t>(column - 1), literal);
        // Read back as the view gives it now: the trigger may have stored it otherwise.
        after = record_condition(
            shape, read_record_identity(db, view, shape, record_condition(shape, written)));
    }
    if (new_condition) {
        *new_condition = after;
    }
    // Written; the record keeps its selection where its new values still find it.
    return target.show_found_record(after);
}

bool insert_into_view(EditTarget& target, int column, const std::string& utf8_value, int* new_row) {
    sqlite3* db = target.edited_database();
    const TableShape& shape = target.shape();
    const std::string& view = target.edited_table();
    const ShapeColumn& edited = shape.columns[static_cast<std::size_t>(column - 1)];
    const std::string& name = edited.name;
    const std::string literal = value_literal(utf8_value, ValueKind::unknown, !edited.type.empty());
    std::string message;
    // The trigger fills what the user did not type.
    if (write_through_view(db, view, std::string(),
                           "INSERT INTO " + quote_identifier(view) + " (" + quote_identifier(name) +
                               ") VALUES (" + literal + ");",
                           message) != WriteOutcome::written) {
        target.tell_failed(EditNotice::insert_failed, message);
        return false;
    }
    const std::string found = record_condition(
        shape, read_record_identity(db, view, shape, quote_identifier(name) + " IS " + literal));
    const int row = target.show_found_record(found);
    if (new_row) {
        *new_row = row;
    }
    return true;
}

}  // namespace

bool CellEdit::refuse(EditTarget& target, int row, int column) {
    if (!record_identity(target.shape()).finds_records()) {
        target.tell(EditNotice::read_only_table);
        return true;
    }
    const ShapeColumn* edited = shape_column(target, column);
    if (target.shape().is_view) {
        // A view is written only by its triggers: without one, before anything runs.
        if (target.is_blank_row(row) && !target.shape().view_inserts) {
            target.tell(EditNotice::view_not_inserted);
            return true;
        }
        if (!target.is_blank_row(row) && edited && !edited->view_updates) {
            target.tell(EditNotice::view_not_updated);
            return true;
        }
    }
    if (edited && edited->generated) {
        target.tell(EditNotice::generated_column);
        return true;
    }
    // A table ordered by a collation the program lacks: told before any editor
    // opens, in the words of the refusal the write itself would meet.
    sqlite3* db = target.edited_database();
    const bool adding = target.is_blank_row(row);
    if (edited && !target.shape().is_view &&
        stand_in::refuses_record_change(db, target.edited_table(),
                                        adding ? std::string() : edited->name)) {
        target.tell_failed(adding ? EditNotice::insert_failed : EditNotice::update_failed,
                           stand_in::refusal_message(db));
        return true;
    }
    return false;
}

EditStart CellEdit::prepare(EditTarget& target,
                            int row,
                            int column,
                            bool want_dialog,
                            EditedCell& cell) {
    cell = EditedCell{};
    if (row < 0 || !shape_column(target, column)) {
        return EditStart::none;
    }
    cell.row = row;
    cell.column = column;
    cell.new_record = target.is_blank_row(row);
    if (!cell.new_record) {
        // Column 0 shows the row id where the record has one.
        cell.rowid = record_identity(target.shape()).rowid({target.cell_text(row, 0)});
    }
    cell.condition = target.record_condition(row);
    cell.text = target.cell_text(row, column);
    if (!cell.new_record) {
        // The cell shows a cut, converted copy; the edit starts from the record.
        CellValue value;
        switch (read_cell_value(target.edited_database(),
                                cell_address(target, column, cell.condition), value)) {
            case ReadOutcome::missing:
                target.report_record_missing(row);
                return EditStart::none;
            case ReadOutcome::found:
                if (const EditRefusal refusal = edit_refusal(value); refusal != EditRefusal::none) {
                    target.tell(refusal == EditRefusal::binary ? EditNotice::binary
                                                               : EditNotice::unrepresentable);
                    return EditStart::none;
                }
                cell.text = value.stored;
                cell.kind = value.kind;
                break;
            case ReadOutcome::failed:
                break;
        }
    }
    return text_weight(cell.text) > kInPlaceCellLimit || want_dialog ? EditStart::dialog
                                                                     : EditStart::in_place;
}

void CellEdit::open(const EditedCell& cell, const std::string& text) {
    cell_ = cell;
    cell_.text = text;
    active_ = true;
}

CommitOutcome CellEdit::commit(EditTarget& target, const std::string& text, bool move_next) {
    CommitOutcome outcome;
    if (!active_) {
        return outcome;
    }
    // Before any statement or message box: the focus changes they cause must not
    // start a second commit.
    active_ = false;
    target.hide_editor();

    if (text_weight(text) > kInPlaceTextLimit) {
        target.tell(EditNotice::too_long);
        return outcome;
    }
    outcome.finished = true;
    const int column = cell_.column;
    bool written = true;
    if (text != cell_.text) {
        if (cell_.new_record) {
            int new_row = -1;
            // Only the new record's next column may open, never another record's.
            written = insert(target, column, text, &new_row) && new_row >= 0;
        } else {
            // The condition taken when the edit began still finds the record after
            // a reload in between.
            std::string condition = cell_.condition;
            const int row =
                update(target, cell_.row, column, cell_.condition, cell_.kind, text, &condition);
            written = row >= 0;
            if (written) {
                // The next column and the delete command go by the record's new place.
                cell_.row = row;
                cell_.condition = condition;
                cell_.rowid = record_identity(target.shape()).rowid({target.cell_text(row, 0)});
                target.show_cell_text(row, column, text);
            }
        }
    }
    if (!move_next || !written) {
        return outcome;
    }
    // Enter walks on to the next column that can be written, past generated ones.
    int next = column + 1;
    while (next <= column_count(target) && shape_column(target, next)->generated) {
        ++next;
    }
    outcome.next_column = next <= column_count(target) ? next : 0;
    return outcome;
}

void CellEdit::write_from_dialog(EditTarget& target,
                                 const EditedCell& cell,
                                 const std::string& value) {
    if (text_weight(value) > kLongestWrittenValue) {
        target.tell(EditNotice::too_long);
        return;
    }
    if (cell.new_record) {
        insert(target, cell.column, value);
        return;
    }
    const int row = update(target, cell.row, cell.column, cell.condition, cell.kind, value);
    if (row >= 0) {
        target.show_cell_text(row, cell.column,
                              value.substr(0, cut_to_weight(value, kCellShownBytes)));
    }
}

int CellEdit::update(EditTarget& target,
                     int row,
                     int column,
                     const std::string& condition,
                     ValueKind previous,
                     const std::string& value,
                     std::string* new_condition) {
    sqlite3* db = target.edited_database();
    const ShapeColumn* edited = shape_column(target, column);
    if (!db || !edited || condition.empty() || text_weight(value) > kLongestWrittenValue) {
        return -1;
    }
    const std::string& utf8_value = value;
    const TableShape& shape = target.shape();
    const RecordIdentity& identity = record_identity(shape);
    const std::size_t index = static_cast<std::size_t>(column - 1);
    const std::string literal =
        column_literal(shape, index, value_literal(utf8_value, previous, !edited->type.empty()));
    if (identity.may_find_several()) {
        // Records alike in every value are found together: the write counts them.
        return update_view(target, row, column, condition, literal, new_condition);
    }
    // A key column's new value moves the record. Where the write does not read
    // back a row id, the record's key is taken before it.
    IdentityFields before;
    if (identity.changed_by(shape, index) && !identity.has_rowid()) {
        before = read_record_identity(db, target.edited_table(), shape, condition);
    }
    const WriteResult result =
        update_cell_value(db, cell_address(target, column, condition), literal);
    switch (result.outcome) {
        case WriteOutcome::failed:
            target.tell(EditNotice::update_failed);
            return -1;
        case WriteOutcome::no_record:
        case WriteOutcome::several:  // only a view's write counts its records
            target.report_record_missing(row);
            return -1;
        case WriteOutcome::written:
            break;
    }
    if (identity.has_rowid()) {
        const std::string after = identity.condition(shape, {std::to_string(result.rowid)});
        if (new_condition) {
            *new_condition = after;
        }
        if (after == condition) {
            return row;
        }
        // A new key: the record has another place in the page, or none on it, and
        // anything after this write must find it by its new row id.
        return target.show_record(result.rowid);
    }
    if (before.empty()) {
        if (new_condition) {
            *new_condition = condition;
        }
        return row;
    }
    // The record moves to its new place in the order of keys.
    const int moved = target.show_keyed_record(identity.written(shape, before, index, literal));
    if (new_condition) {
        *new_condition = moved >= 0 ? target.record_condition(moved) : std::string();
    }
    return moved;
}

bool CellEdit::insert(EditTarget& target, int column, const std::string& value, int* new_row) {
    if (new_row) {
        *new_row = -1;
    }
    sqlite3* db = target.edited_database();
    const ShapeColumn* edited = shape_column(target, column);
    if (!db || !edited || text_weight(value) > kLongestWrittenValue) {
        return false;
    }
    const std::string& utf8_value = value;
    const TableShape& shape = target.shape();
    if (shape.is_view) {
        return insert_into_view(target, column, utf8_value, new_row);
    }
    const std::size_t index = static_cast<std::size_t>(column - 1);
    const std::vector<std::string> literals =
        blank_row_literals(shape, index, utf8_value, shape.rowid_alias);
    if (exec_utf8(db, insert_literals_sql(target.edited_table(), shape, literals)) != SQLITE_OK) {
        target.tell(EditNotice::insert_failed);
        return false;
    }
    // A trigger may have dropped the record; the last rowid is then another one's.
    if (sqlite3_changes(db) <= 0) {
        target.tell(EditNotice::not_added);
        target.show_record(0);
        return true;
    }
    // The connection tells a new row id; a key is as the insert wrote it.
    const RecordIdentity& identity = record_identity(shape);
    const int row = identity.has_rowid()
                        ? target.show_added_record(sqlite3_last_insert_rowid(db))
                        : target.show_keyed_record(identity.inserted(shape, literals));
    if (new_row) {
        *new_row = row;
    }
    return true;
}
