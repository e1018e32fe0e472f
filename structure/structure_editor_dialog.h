#pragma once

#include <windows.h>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "structure/column_rows.h"
#include "structure/table_definition.h"
#include "win/dialog.h"
#include "win/message_map.h"

// Shows the structure editor modally: for a new table when table_name is empty,
// else for the table of that exact (UTF-8) name. Returns IDOK after a table was
// created or rebuilt.
INT_PTR show_structure_editor(HWND owner, sqlite3* db, const std::string& table_name);

// The dialog in which the columns of a new table are defined, or the columns and
// the name of an existing table are changed. Each row of its list is one column;
// the fields below the list write through into the row they show at once, so
// the list always holds what OK will create. The rows live in a ColumnRows that
// the list mirrors; the list's selection chooses the current row.
class StructureEditorDialog : public Dialog {
public:
    // The connection is lent for the time the dialog is shown.
    explicit StructureEditorDialog(sqlite3* db) : db_(db) {}

    // A non-empty name (exact, UTF-8) opens the dialog for that table; an empty one
    // for a new table.
    void set_table_name(const std::string& name);
    INT_PTR show(HWND owner);

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    static const MessageEntry<StructureEditorDialog> message_map_[];

    LRESULT on_init_dialog(WPARAM, LPARAM);
    LRESULT on_add_column(WPARAM, LPARAM);
    LRESULT on_delete_column(WPARAM, LPARAM);
    LRESULT on_fields_edited(WPARAM, LPARAM);
    LRESULT on_type_chosen(WPARAM, LPARAM);
    LRESULT on_item_changed(WPARAM, LPARAM);
    LRESULT on_ok(WPARAM, LPARAM);
    LRESULT on_run_ok(WPARAM, LPARAM);
    LRESULT on_cancel(WPARAM, LPARAM);

    void set_up_list();
    void dpi_changed(int old_dpi) override;
    void append_row(int row);
    int selected_row() const;
    // Writes the fields' texts into the current row's name and type.
    void store_fields();
    // No field in use holds half of a surrogate pair.
    bool fields_whole() const;
    // Shows the current row's texts in its line of the list.
    void mirror_current_row();
    // Makes `row` (or none) current and shows it in the fields.
    void show_row(int row);
    void enable_column_fields(bool enable);
    // Names what deleting the columns cannot keep and lets the user go on or not.
    bool confirm_losses();

    sqlite3* db_;
    // The exact (UTF-8) name of the table being edited, which the name field shows.
    std::string table_name_;
    bool edit_mode_ = false;
    ColumnRows rows_;

    HWND table_name_field_ = nullptr;
    HWND list_ = nullptr;
    HWND column_name_field_ = nullptr;
    HWND type_box_ = nullptr;
    HWND add_button_ = nullptr;
    HWND delete_button_ = nullptr;
    HWND ok_button_ = nullptr;
};
