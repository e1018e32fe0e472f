#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "structure/table_definition.h"

// The rows of the structure editor, one column each, and the row the fields below
// the list show and write into. The dialog mirrors the rows into its list; the
// list's selection chooses the current row. Changes that find no current row
// change nothing.
class ColumnRows {
public:
    static constexpr int kNoRow = -1;

    // Rows can be added to a new table's list only: a rebuild keeps the columns
    // it finds.
    explicit ColumnRows(bool adding = true) : adding_(adding) {}

    // Replaces the rows; none is current.
    void load(std::vector<ColumnDef> columns);

    const std::vector<ColumnDef>& columns() const { return columns_; }
    std::size_t size() const { return columns_.size(); }
    int current() const { return current_; }
    // The current row's column; only while there is one.
    const ColumnDef& current_column() const { return columns_[static_cast<std::size_t>(current_)]; }

    // kNoRow, or a row out of range, leaves no row current.
    void select(int row);
    // Appends a column with the default name and the first type and makes it
    // current. Its row, or kNoRow where nothing can be added.
    int add();
    // Deletes the current row; no row is current afterwards, so that nothing is
    // written into its successor. The deleted row, or kNoRow.
    int delete_current();
    // The current row's name or type; false without a current row.
    bool rename(const std::string& name);
    bool retype(const std::string& type);

private:
    std::vector<ColumnDef> columns_;
    int current_ = kNoRow;
    bool adding_;
};
