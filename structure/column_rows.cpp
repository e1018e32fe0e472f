#include "structure/column_rows.h"

void ColumnRows::load(std::vector<ColumnDef> columns) {
    columns_ = std::move(columns);
    current_ = kNoRow;
}

void ColumnRows::select(int row) {
    current_ = row >= 0 && static_cast<std::size_t>(row) < columns_.size() ? row : kNoRow;
}

int ColumnRows::add() {
    if (!adding_) {
        return kNoRow;
    }
    columns_.push_back({std::string(), default_column_name(columns_.size()), kTypeChoices[0]});
    current_ = static_cast<int>(columns_.size()) - 1;
    return current_;
}

int ColumnRows::delete_current() {
    const int row = current_;
    if (row != kNoRow) {
        columns_.erase(columns_.begin() + row);
        current_ = kNoRow;
    }
    return row;
}

bool ColumnRows::rename(const std::string& name) {
    if (current_ == kNoRow) {
        return false;
    }
    columns_[static_cast<std::size_t>(current_)].name = name;
    return true;
}

bool ColumnRows::retype(const std::string& type) {
    if (current_ == kNoRow) {
        return false;
    }
    columns_[static_cast<std::size_t>(current_)].type = type;
    return true;
}
