#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "db/database_connection.h"
#include "db/paging.h"
#include "db/read_watch.h"
#include "db/table_shape.h"
#include "grid/cell_editor.h"
#include "grid/filter_strip.h"
#include "grid/table_grid.h"
#include "history/change_history.h"
#include "page/view_choice.h"
#include "win/dialog.h"
#include "win/dialog_layout.h"
#include "win/gdi_handles.h"
#include "win/message_loop.h"
#include "win/message_map.h"

// The program's main window: the table selector, the grid, the paging buttons and
// label, the menu. It owns the database connection and is the only code that
// opens and closes it.
class MainDialog : public Dialog, public MessageFilter {
public:
    static constexpr std::size_t kStartupPathSize = 512;
    static constexpr const char kTitle[] = "KORVELANDIS";

    MainDialog();
    ~MainDialog() override;

    // The command line after the program's name (UTF-8), taken before the window
    // exists: the whole of it is one path.
    void set_startup_path(const char* command_line);
    // Creates the (hidden) window from its template.
    HWND create();

    bool pre_translate_message(MSG* msg) override;

    // The Open command after its dialog: open the file (a UTF-8 path), list its
    // tables, set the title and the menu. False, with nothing of the old database
    // left on screen, when the file cannot be opened.
    bool open_database(const char* path);
    // The New command after its dialog (the path and the file's name in UTF-8).
    bool create_database(const char* path, const char* file_title);
    void reload_table_list();
    // Shows page `page_index` of the table chosen in the selector, reading the
    // table's shape first when it is newly chosen.
    void show_page(int page_index);
    // The page shown, read again.
    void refresh_page();
    // The Drop table command after its question, for the table's exact (UTF-8) name.
    void drop_table(const std::string& name);
    // The same for a view.
    void drop_view(const std::string& name);
    // The name of the table chosen in the selector as it shows it (UTF-8); empty
    // when none is.
    std::string selected_table_shown_name() const;
    // The exact (UTF-8) name of the table chosen in the selector; empty when none is.
    std::string selected_table_exact_name() const;
    // The entry chosen in the selector, or null when none is.
    const TableName* selected_table() const;
    void fit_selector_drop_down();

    DatabaseConnection& connection() { return connection_; }
    ChangeHistory& history() { return history_; }
    TableGrid& grid() { return grid_; }
    FilterStrip& filter_strip() { return filter_strip_; }
    CellEditor& cell_editor() { return cell_editor_; }
    const DialogLayout& layout() const { return layout_; }
    HACCEL accelerators() const { return accelerators_; }
    HBRUSH editor_brush() const { return grid_.editor_brush(); }

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    static const MessageEntry<MainDialog> message_map_[];

    LRESULT on_init_dialog(WPARAM, LPARAM);
    LRESULT on_new_database(WPARAM, LPARAM);
    LRESULT on_open_database(WPARAM, LPARAM);
    LRESULT on_end(WPARAM, LPARAM);
    LRESULT on_new_table(WPARAM, LPARAM);
    LRESULT on_edit_structure(WPARAM, LPARAM);
    LRESULT on_drop_table(WPARAM, LPARAM);
    LRESULT on_sql_editor(WPARAM, LPARAM);
    LRESULT on_export_csv(WPARAM, LPARAM);
    LRESULT on_import_csv(WPARAM, LPARAM);
    LRESULT on_init_menu_popup(WPARAM, LPARAM);
    LRESULT on_delete_record(WPARAM, LPARAM);
    LRESULT on_view_cell(WPARAM, LPARAM);
    LRESULT on_save_cell(WPARAM, LPARAM);
    LRESULT on_load_cell(WPARAM, LPARAM);
    LRESULT on_undo(WPARAM, LPARAM);
    LRESULT on_redo(WPARAM, LPARAM);
    LRESULT on_enter_menu_loop(WPARAM, LPARAM);
    LRESULT on_exit_menu_loop(WPARAM, LPARAM);
    LRESULT on_page_previous(WPARAM, LPARAM);
    LRESULT on_page_next(WPARAM, LPARAM);
    LRESULT on_about(WPARAM, LPARAM);
    LRESULT on_help(WPARAM, LPARAM);
    LRESULT on_table_selected(WPARAM, LPARAM);
    LRESULT on_item_changed(WPARAM, LPARAM);
    LRESULT on_size(WPARAM, LPARAM);
    LRESULT on_get_min_max_info(WPARAM, LPARAM);
    void dpi_changing(int old_dpi) override;
    void dpi_changed(int old_dpi) override;
    // The window's icons and the grid's row icon, in the sizes of the window's DPI.
    void load_icons();

    void enable_menu_item(UINT id, bool enabled);
    void enable_cell_commands(bool enabled);
    void set_title(const std::string& file_name);
    // Empties the selector and the grid: what a closed or new database shows.
    void show_no_tables();
    void show_page_state(const PageView& view);
    // Undo or redo of the last step, told to the user when it cannot be done; the
    // page is read again with the changed record selected where it is on it.
    void apply_history_step(bool redo);
    void show_changed_records(const ChangeHistory::Outcome& outcome);
    // Before the database closes: a transaction left open is committed or rolled
    // back as the user answers. False when the user cancels or it cannot be ended;
    // the database then stays open and the action stops.
    bool settle_open_transaction();
    // The message of a failed open: a missing file, or the database's reason.
    void report_failed_open(const char* path);
    void unregister_from_loop();
    // The caret is in a text field of the window (a filter box, the cell editor).
    bool focus_in_text_field() const;
    // Lays the filter line above the grid, which gives up its height.
    void create_filter_strip();
    // What the user chose for a table (its filters and sort), kept while the
    // program runs: the table shown now is remembered, another restored.
    void remember_table_choice();
    RecordView restored_records(std::vector<std::string>& typed);

    // The tables in the selector's order, with the names that statements use.
    std::vector<TableName> tables_;
    DatabaseConnection connection_;
    // The steps of the open database that can be undone and redone.
    ChangeHistory history_;
    TableGrid grid_;
    FilterStrip filter_strip_;
    // Each table's filters and sort; Open and New forget them.
    TableChoices table_choices_;
    CellEditor cell_editor_;
    DialogLayout layout_;
    std::string startup_path_;
    bool startup_path_too_long_ = false;
    HACCEL accelerators_ = nullptr;
    // The same keys less those of the commands that act on records: what the
    // keys do while the caret is in a text field, which has uses of its own for
    // Ctrl+Z, Ctrl+Del, Ctrl+C and the like.
    HACCEL text_field_accelerators_ = nullptr;
    ImageListHandle image_list_;
    IconHandle big_icon_;
    IconHandle small_icon_;
    HWND selector_ = nullptr;
    HWND page_label_ = nullptr;
    HWND previous_button_ = nullptr;
    HWND next_button_ = nullptr;
    bool registered_ = false;
    // The user has the menu open (not an accelerator looking up its item).
    bool menu_open_ = false;
};
