#include "app/main_dialog.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/about_dialog.h"
#include "app/cell_file_command.h"
#include "app/file_dialog.h"
#include "app/help.h"
#include "csv/csv_export_command.h"
#include "csv/csv_file_dialog.h"
#include "csv/csv_import_command.h"
#include "db/read_watch.h"
#include "db/result_table.h"
#include "db/run_watch.h"
#include "db/sql_error.h"
#include "db/stand_in_collation.h"
#include "db/text_convert.h"
#include "grid/record_deletion.h"
#include "grid/sql_error_report.h"
#include "history/history_command.h"
#include "res/resource.h"
#include "sqleditor/sql_editor_dialog.h"
#include "structure/structure_editor_dialog.h"
#include "win/busy_pump.h"
#include "win/combo_box.h"
#include "win/file_dialog.h"
#include "win/message_box.h"
#include "win/wide_text.h"

namespace {

constexpr DWORD kGridExtendedStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
constexpr const char kDropCaption[] = "テーブル削除";
constexpr const char kPathTooLongText[] = "ファイルのパスが長すぎるため開けません。";
constexpr const char kErrorCaption[] = "エラー";
constexpr const char kOpenCaption[] = "データベースを開く";
constexpr const char kFileMissingText[] = "ファイルが見つかりません。";
constexpr const char kNotOpenedText[] =
    "データベースとして開けませんでした。ファイルには何も書き込んでいません。";
constexpr const char kReadOnlyMark[] = " [読み取り専用]";
constexpr const char kViewStructureText[] =
    "ビューの構造はここでは変更できません。ビューは SQL で変更してください（SQL エディタなど）。";
constexpr const char kStructureCaption[] = "構造編集";
constexpr const char kTransactionCaption[] = "トランザクション";
constexpr const char kOpenTransactionText[] =
    "トランザクションが終わっていません。\n"
    "変更を確定 (COMMIT) しますか？\n\n"
    "「いいえ」を選ぶと、トランザクション中の変更を取り消します (ROLLBACK)。";
constexpr const char kCommitFailedText[] = "トランザクションの確定 (COMMIT) が失敗しました。";
constexpr const char kRollbackFailedText[] =
    "トランザクションの取り消し (ROLLBACK) が失敗しました。";

// Commands whose keys a text field uses for itself: typed there, they edit the
// text and leave the records alone.
constexpr UINT kRecordCommands[] = {IDM_DELETE_RECORD, IDM_UNDO,      IDM_REDO,
                                    IDM_CELL_VIEW,     IDM_CELL_SAVE, IDM_CELL_LOAD,
                                    IDM_COPY,          IDM_CUT,       IDM_PASTE};

// The table less the keys of the record commands; null when it cannot be made.
HACCEL without_record_commands(HACCEL table) {
    const int count = table ? CopyAcceleratorTableW(table, nullptr, 0) : 0;
    if (count <= 0) {
        return nullptr;
    }
    std::vector<ACCEL> keys(static_cast<std::size_t>(count));
    CopyAcceleratorTableW(table, keys.data(), count);
    keys.erase(std::remove_if(keys.begin(), keys.end(),
                              [](const ACCEL& key) {
                                  return std::find(std::begin(kRecordCommands),
                                                   std::end(kRecordCommands),
                                                   key.cmd) != std::end(kRecordCommands);
                              }),
               keys.end());
    return keys.empty() ? nullptr
                        : CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

}  // namespace

const MessageEntry<MainDialog> MainDialog::message_map_[] = {
    on_message(WM_INITDIALOG, &MainDialog::on_init_dialog),
    on_command(IDM_NEW_DATABASE, &MainDialog::on_new_database),
    on_command(IDM_OPEN_DATABASE, &MainDialog::on_open_database),
    on_command(IDM_EXIT, &MainDialog::on_end),
    on_command(IDM_NEW_TABLE, &MainDialog::on_new_table),
    on_command(IDM_EDIT_STRUCTURE, &MainDialog::on_edit_structure),
    on_command(IDM_DROP_TABLE, &MainDialog::on_drop_table),
    on_command(IDM_SQL_EDITOR, &MainDialog::on_sql_editor),
    on_command(IDM_EXPORT_CSV, &MainDialog::on_export_csv),
    on_command(IDM_IMPORT_CSV, &MainDialog::on_import_csv),
    on_command(IDM_DELETE_RECORD, &MainDialog::on_delete_record),
    on_command(IDM_CELL_VIEW, &MainDialog::on_view_cell),
    on_command(IDM_CELL_SAVE, &MainDialog::on_save_cell),
    on_command(IDM_CELL_LOAD, &MainDialog::on_load_cell),
    on_command(IDM_UNDO, &MainDialog::on_undo),
    on_command(IDM_REDO, &MainDialog::on_redo),
    on_command(IDC_PAGE_PREVIOUS, &MainDialog::on_page_previous),
    on_command(IDC_PAGE_NEXT, &MainDialog::on_page_next),
    on_command(IDM_ABOUT, &MainDialog::on_about),
    on_command(IDM_HELP_CONTENTS, &MainDialog::on_help),
    on_command(IDOK, &MainDialog::on_end),
    on_command(IDCANCEL, &MainDialog::on_end),
    on_command_code(IDC_TABLE_SELECTOR, CBN_SELCHANGE, &MainDialog::on_table_selected),
    on_notify(LVN_ITEMCHANGED, &MainDialog::on_item_changed),
    on_message(WM_INITMENUPOPUP, &MainDialog::on_init_menu_popup),
    on_message(WM_ENTERMENULOOP, &MainDialog::on_enter_menu_loop),
    on_message(WM_EXITMENULOOP, &MainDialog::on_exit_menu_loop),
    on_message(WM_SIZE, &MainDialog::on_size),
    on_message(WM_GETMINMAXINFO, &MainDialog::on_get_min_max_info),
};

MainDialog::MainDialog() : grid_(cell_editor_, history_) {}

MainDialog::~MainDialog() {
    unregister_from_loop();
    if (hwnd()) {
        DestroyWindow(hwnd());
    }
    history_.attach(nullptr);
    connection_.close();
    if (text_field_accelerators_) {
        DestroyAcceleratorTable(text_field_accelerators_);
    }
}

void MainDialog::set_startup_path(const char* command_line) {
    startup_path_.clear();
    startup_path_too_long_ = false;
    if (!command_line) {
        return;
    }
    const std::size_t length = std::strlen(command_line);
    if (length >= kStartupPathSize) {
        // Refused whole: a cut path could name another file.
        startup_path_too_long_ = true;
        return;
    }
    startup_path_.assign(command_line, length);
}

HWND MainDialog::create() {
    return create_modeless(IDD_MAIN, nullptr);
}

bool MainDialog::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (msg == WM_DESTROY) {
        // Left unhandled on purpose: the dialog manager does its own clean-up too.
        unregister_from_loop();
        return false;
    }
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

bool MainDialog::pre_translate_message(MSG* msg) {
    if (!hwnd()) {
        return false;
    }
    HACCEL keys = focus_in_text_field() ? text_field_accelerators_ : accelerators_;
    if (keys && TranslateAcceleratorW(hwnd(), keys, msg)) {
        return true;
    }
    return IsDialogMessageW(hwnd(), msg) != FALSE;
}

bool MainDialog::focus_in_text_field() const {
    HWND focus = GetFocus();
    if (!focus || !IsChild(hwnd(), focus)) {
        return false;
    }
    // An edit control keeps a selection of text; the list, the selector and the
    // buttons do not.
    return (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0;
}

void MainDialog::load_icons() {
    IconHandle big(load_icon(IDI_APPLICATION_ICON, system_metric_for_dpi(SM_CXICON, dpi())));
    IconHandle small(load_icon(IDI_APPLICATION_ICON, system_metric_for_dpi(SM_CXSMICON, dpi())));
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    // The icons the window had are given back only now that it no longer shows them.
    big_icon_ = std::move(big);
    small_icon_ = std::move(small);

    // The row icon is drawn from the large image, reduced to the row's size.
    const int row_icon = scale(16);
    ImageListHandle images(ImageList_Create(row_icon, row_icon, ILC_COLOR24 | ILC_MASK, 4, 0));
    ImageList_SetBkColor(images.get(), RGB(255, 255, 255));
    const IconHandle record(load_icon(IDI_RECORD, system_metric_for_dpi(SM_CXICON, dpi())));
    ImageList_ReplaceIcon(images.get(), -1, record.get());
    if (HWND list_view = item(IDC_GRID)) {
        SendMessageA(list_view, LVM_SETIMAGELIST, LVSIL_SMALL,
                     reinterpret_cast<LPARAM>(images.get()));
    }
    image_list_ = std::move(images);
}

void MainDialog::dpi_changing(int old_dpi) {
    layout_.rescale(old_dpi, dpi());
    grid_.begin_dpi_change(dpi());
}

void MainDialog::dpi_changed(int) {
    load_icons();
    SendMessageA(cell_editor_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
    filter_strip_.set_font(font(), dpi());
    grid_.end_dpi_change();
    fit_selector_drop_down();
}

LRESULT MainDialog::on_init_dialog(WPARAM, LPARAM) {
    connection_.set_run_poll(pump_while_busy);

    if (MessageLoop* loop = app_module().message_loop()) {
        loop->add_message_filter(this);
        registered_ = true;
    }

    connection_.clear_path();

    selector_ = item(IDC_TABLE_SELECTOR);
    page_label_ = item(IDC_PAGE_LABEL);
    previous_button_ = item(IDC_PAGE_PREVIOUS);
    next_button_ = item(IDC_PAGE_NEXT);
    EnableWindow(previous_button_, FALSE);
    EnableWindow(next_button_, FALSE);

    accelerators_ = LoadAcceleratorsA(module_instance(), MAKEINTRESOURCEA(IDR_MAIN_ACCELERATORS));
    text_field_accelerators_ = without_record_commands(accelerators_);

    HWND list_view = item(IDC_GRID);
    grid_.set_dpi(dpi());
    grid_.attach(list_view);
    cell_editor_.create(list_view, font());

    grid_.on_page_shown = [this](const PageView& view, bool read_whole) {
        show_page_state(view);
        if (!read_whole) {
            enable_menu_item(IDM_DELETE_RECORD, false);
            enable_cell_commands(false);
        }
    };

    load_icons();
    SendMessageA(list_view, LVM_SETEXTENDEDLISTVIEWSTYLE, kGridExtendedStyle, kGridExtendedStyle);

    create_filter_strip();

    layout_.setup_layout(hwnd(),
                         {
                             {IDC_FILTER_STRIP, layout_stretch_x},
                             {IDC_GRID, layout_stretch_x | layout_stretch_y},
                             {IDC_PAGE_PREVIOUS, layout_move_x},
                             {IDC_PAGE_NEXT, layout_move_x},
                             {IDC_PAGE_LABEL, layout_move_x},
                         },
                         template_client_size());
    // Laid out for a large display scale, the window may be larger than the screen.
    fit_to_work_area(hwnd());
    center_window(hwnd());

    for (UINT id :
         {IDM_NEW_TABLE, IDM_EDIT_STRUCTURE, IDM_DROP_TABLE, IDM_DELETE_RECORD, IDM_SQL_EDITOR}) {
        enable_menu_item(id, false);
    }

    if (startup_path_too_long_) {
        show_message_box(hwnd(), kPathTooLongText, kErrorCaption, MB_OK | MB_ICONINFORMATION);
    } else if (!startup_path_.empty()) {
        std::string path = startup_path_;
        // Quotes around the whole line are no part of the path.
        if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
            path = path.substr(1, path.size() - 2);
        }
        open_database(path.c_str());
    }
    return TRUE;
}

void MainDialog::enable_menu_item(UINT id, bool enabled) {
    EnableMenuItem(GetMenu(hwnd()), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void MainDialog::enable_cell_commands(bool enabled) {
    enable_menu_item(IDM_CELL_VIEW, enabled);
    enable_menu_item(IDM_CELL_SAVE, enabled);
    enable_menu_item(IDM_CELL_LOAD, enabled);
}

void MainDialog::set_title(const std::string& file_name) {
    const std::string title = file_name.empty() ? std::string(kTitle) : file_name + " - " + kTitle;
    SetWindowTextW(hwnd(), wide_of_utf8(title).c_str());
}

void MainDialog::show_page_state(const PageView& view) {
    SetWindowTextA(page_label_, view.label.c_str());
    EnableWindow(previous_button_, view.previous_enabled);
    EnableWindow(next_button_, view.next_enabled);
}

void MainDialog::show_no_tables() {
    SendMessageA(selector_, CB_RESETCONTENT, 0, 0);
    tables_.clear();
    grid_.clear();
    filter_strip_.set_texts({});
    show_page_state(PageView{"0-0", false, false});
    enable_menu_item(IDM_EDIT_STRUCTURE, false);
    enable_menu_item(IDM_DROP_TABLE, false);
    enable_menu_item(IDM_DELETE_RECORD, false);
    enable_cell_commands(false);
}

bool MainDialog::open_database(const char* path) {
    // An open edit belongs to the database that is about to go.
    grid_.finish_cell_edit();
    if (std::strlen(path) >= DatabaseConnection::kPathSize) {
        show_message_box(hwnd(), kPathTooLongText, kErrorCaption, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (!settle_open_transaction()) {
        return false;
    }
    history_.attach(nullptr);
    if (!connection_.open(path)) {
        // The old database is closed now: nothing of it may stay on screen.
        show_no_tables();
        set_title("");
        for (UINT id : {IDM_NEW_TABLE, IDM_SQL_EDITOR}) {
            enable_menu_item(id, false);
        }
        report_failed_open(path);
        return false;
    }
    ReadFailureWatch watch(connection_.handle);
    history_.attach(connection_.handle);
    grid_.clear();
    table_choices_.clear();
    reload_table_list();
    set_title(file_name_of(path) + (connection_.read_only ? to_utf8(kReadOnlyMark) : ""));
    enable_menu_item(IDM_NEW_TABLE, true);
    enable_menu_item(IDM_SQL_EDITOR, true);
    report_unreadable(hwnd(), watch);
    report_stand_ins(hwnd(), connection_.handle);
    return true;
}

void MainDialog::report_failed_open(const char* path) {
    std::string text;
    if (GetFileAttributesW(wide_of_utf8(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
        text = to_utf8(kFileMissingText) + "\n" + path;
    } else {
        text = to_utf8(kNotOpenedText) + "\n" + path;
        if (!connection_.open_message.empty()) {
            text += "\n" + connection_.open_message;
        }
    }
    show_message_box_utf8(hwnd(), text, kOpenCaption, MB_OK | MB_ICONINFORMATION);
}

bool MainDialog::settle_open_transaction() {
    if (!connection_.in_transaction()) {
        return true;
    }
    const int answer = show_message_box(hwnd(), kOpenTransactionText, kTransactionCaption,
                                        MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer != IDYES && answer != IDNO) {
        return false;
    }
    const bool commit = answer == IDYES;
    if (connection_.end_transaction(commit) != SQLITE_OK) {
        // The transaction is still open: the action stops so that nothing is lost.
        report_sql_error(hwnd(), commit ? kCommitFailedText : kRollbackFailedText,
                         connection_.handle);
        return false;
    }
    return true;
}

bool MainDialog::create_database(const char* path, const char* file_title) {
    grid_.finish_cell_edit();
    if (std::strlen(path) >= DatabaseConnection::kPathSize) {
        show_message_box(hwnd(), kPathTooLongText, kErrorCaption, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (!settle_open_transaction()) {
        return false;
    }
    history_.attach(nullptr);
    const bool created = connection_.create(path);
    history_.attach(created ? connection_.handle : nullptr);
    table_choices_.clear();
    show_no_tables();
    if (!created) {
        set_title("");
        enable_menu_item(IDM_NEW_TABLE, false);
        enable_menu_item(IDM_SQL_EDITOR, false);
        return false;
    }
    set_title(file_title ? file_title : file_name_of(path));
    enable_menu_item(IDM_NEW_TABLE, true);
    enable_menu_item(IDM_SQL_EDITOR, true);
    return true;
}

void MainDialog::reload_table_list() {
    ReadFailureWatch watch(connection_.handle);
    // The list is read again after every change of tables: the steps before a
    // restructure no longer fit the tables, and a new table may be ordered by a
    // collation the program lacks.
    history_.check_schema();
    stand_in::survey(connection_.handle);
    std::vector<TableName> tables;
    const bool listed = connection_.is_open && read_tables(connection_.handle, tables);

    SendMessageA(selector_, CB_RESETCONTENT, 0, 0);
    tables_.clear();
    // The shape of every table is read anew: the change that made the list read
    // again may have changed it. Its filters and sort go by the columns' names.
    remember_table_choice();
    grid_.clear();
    for (TableName& table : tables) {
        // The selector does not sort, so its entries stay in step with tables_.
        const std::wstring shown = wide_of_utf8(table.shown);
        if (SendMessageW(selector_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str())) < 0) {
            break;
        }
        tables_.push_back(std::move(table));
    }
    SendMessageA(selector_, CB_SETCURSEL, 0, 0);
    fit_selector_drop_down();
    const bool any = listed && !tables_.empty();
    enable_menu_item(IDM_EDIT_STRUCTURE, any);
    enable_menu_item(IDM_DROP_TABLE, any);
    show_page(0);
    report_unreadable(hwnd(), watch);
}

// The drop-down as wide as the longest name (within the screen) and as tall as
// whole items, so that no name and no last item is cut.
void MainDialog::fit_selector_drop_down() {
    constexpr int kMostVisibleItems = 20;
    fit_drop_down(selector_, kMostVisibleItems, dpi());
}

std::string MainDialog::selected_table_shown_name() const {
    const TableName* table = selected_table();
    return table ? table->shown : std::string();
}

std::string MainDialog::selected_table_exact_name() const {
    const TableName* table = selected_table();
    return table ? table->name : std::string();
}

const TableName* MainDialog::selected_table() const {
    const LRESULT selection = SendMessageA(selector_, CB_GETCURSEL, 0, 0);
    if (selection < 0 || static_cast<std::size_t>(selection) >= tables_.size()) {
        return nullptr;
    }
    return &tables_[static_cast<std::size_t>(selection)];
}

void MainDialog::refresh_page() {
    show_page(grid_.page().page_index());
}

void MainDialog::show_page(int page_index) {
    const std::string table = selected_table_exact_name();
    if (table.empty() && SendMessageA(selector_, CB_GETCURSEL, 0, 0) == CB_ERR) {
        // No table to show: an empty page rather than what an earlier table showed.
        grid_.clear();
        filter_strip_.set_texts({});
        show_page_state(PageView{"0-0", false, false});
        enable_menu_item(IDM_DELETE_RECORD, false);
        enable_cell_commands(false);
        return;
    }
    sqlite3* db = connection_.is_open ? connection_.handle : nullptr;
    PageRequest request = PageRequest::page(db, table, page_index);
    const TableName* selected = selected_table();
    request.is_view = selected && selected->view;
    const TablePage& page = grid_.page();
    if (page.is_open() && page.table() == table && page.database() == db) {
        request.records = page.records();
    } else if (grid_.open_table(db, table)) {
        // Another table: the filters and sort it had when it was last shown.
        std::vector<std::string> typed;
        request.records = restored_records(typed);
        filter_strip_.set_texts(typed);
    } else {
        filter_strip_.set_texts({});
    }
    grid_.show(request);
}

void MainDialog::drop_table(const std::string& name) {
    if (exec_utf8(connection_.handle, drop_table_sql(name)) != SQLITE_OK) {
        show_message_box(hwnd(), "テーブルを削除できませんでした。", kDropCaption,
                         MB_OK | MB_ICONEXCLAMATION);
    }
    reload_table_list();
}

void MainDialog::drop_view(const std::string& name) {
    if (exec_utf8(connection_.handle, drop_view_sql(name)) != SQLITE_OK) {
        show_message_box(hwnd(), "ビューを削除できませんでした。", kDropCaption,
                         MB_OK | MB_ICONEXCLAMATION);
    }
    reload_table_list();
}

LRESULT MainDialog::on_new_database(WPARAM, LPARAM) {
    FileChoice choice;
    if (!choose_database_file(GetActiveWindow(), FileDialogKind::save, choice)) {
        return 0;
    }
    create_database(choice.path.c_str(), choice.title.c_str());
    return 0;
}

LRESULT MainDialog::on_open_database(WPARAM, LPARAM) {
    FileChoice choice;
    if (!choose_database_file(GetActiveWindow(), FileDialogKind::open, choice)) {
        return 0;
    }
    open_database(choice.path.c_str());
    return 0;
}

LRESULT MainDialog::on_end(WPARAM wparam, LPARAM) {
    const int command = LOWORD(wparam);
    // Written while the database is still open; a failure is shown, and the
    // program ends all the same.
    grid_.finish_cell_edit();
    if (!settle_open_transaction()) {
        return 0;
    }
    // The list view would destroy the image list with itself; take it back first.
    SendMessageA(grid_.hwnd(), LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    image_list_.reset();
    grid_.clear();
    history_.attach(nullptr);
    connection_.close();
    DestroyWindow(hwnd());
    PostQuitMessage(command);
    return 0;
}

LRESULT MainDialog::on_new_table(WPARAM, LPARAM) {
    if (!connection_.is_open) {
        return 0;
    }
    show_structure_editor(GetActiveWindow(), connection_.handle, std::string());
    reload_table_list();
    return 0;
}

LRESULT MainDialog::on_edit_structure(WPARAM, LPARAM) {
    if (!connection_.is_open) {
        return 0;
    }
    const TableName* selected = selected_table();
    if (selected && selected->view) {
        show_message_box(hwnd(), kViewStructureText, kStructureCaption, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    show_structure_editor(GetActiveWindow(), connection_.handle, selected_table_exact_name());
    reload_table_list();
    return 0;
}

LRESULT MainDialog::on_drop_table(WPARAM, LPARAM) {
    if (!connection_.is_open) {
        return 0;
    }
    const TableName* selected = selected_table();
    if (!selected || SendMessageA(selector_, CB_GETCURSEL, 0, 0) == CB_ERR) {
        return 0;
    }
    const std::string name = selected->name;
    const bool view = selected->view;
    // The name as the database holds it, every character shown.
    const std::string question =
        to_utf8(view ? "ビュー " : "テーブル ") + name + to_utf8(" を削除しますか？");
    if (show_message_box_utf8(hwnd(), question, kDropCaption, MB_OKCANCEL | MB_ICONQUESTION) !=
        IDOK) {
        return 0;
    }
    if (view) {
        drop_view(name);
    } else {
        drop_table(name);
    }
    return 0;
}

LRESULT MainDialog::on_sql_editor(WPARAM, LPARAM) {
    if (!connection_.is_open) {
        return 0;
    }
    show_sql_editor(GetActiveWindow(), connection_.handle, history_,
                    [](HWND owner, sqlite3* db, const std::string& ansi_sql) {
                        export_query_csv(owner, db, ansi_sql);
                    });
    reload_table_list();
    return 0;
}

LRESULT MainDialog::on_export_csv(WPARAM, LPARAM) {
    const std::string name = selected_table_exact_name();
    if (!connection_.is_open || name.empty()) {
        return 0;
    }
    grid_.finish_cell_edit();
    // What the grid shows of the table, when it shows the table chosen.
    const TablePage& page = grid_.page();
    const bool shown = page.is_open() && page.table() == name;
    export_table_csv(hwnd(), connection_.handle, name, shown ? page.shape() : TableShape(),
                     shown ? page.records() : RecordView());
    return 0;
}

LRESULT MainDialog::on_import_csv(WPARAM, LPARAM) {
    if (!connection_.is_open || connection_.read_only) {
        return 0;
    }
    FileChoice file;
    if (!choose_csv_file(GetActiveWindow(), FileDialogKind::open, std::string(), file)) {
        return 0;
    }
    grid_.finish_cell_edit();
    std::vector<CsvImportTarget> tables;
    for (const TableName& table : tables_) {
        tables.push_back(CsvImportTarget{table.name, table.view});
    }
    const int selected = static_cast<int>(SendMessageA(selector_, CB_GETCURSEL, 0, 0));
    const bool imported = import_csv_file(hwnd(), connection_.handle, history_, file.path,
                                          std::move(tables), selected);
    if (imported) {
        reload_table_list();
    }
    return 0;
}

LRESULT MainDialog::on_init_menu_popup(WPARAM, LPARAM) {
    // Exporting needs a table, importing a database that can be written; the other
    // items keep the states their commands set.
    enable_menu_item(IDM_EXPORT_CSV, connection_.is_open && !selected_table_exact_name().empty());
    enable_menu_item(IDM_IMPORT_CSV, connection_.is_open && !connection_.read_only);
    // An accelerator looks the command up in the menu too, and a greyed item would
    // swallow its key: the key reaches on_undo, which puts back an open edit's text
    // or says why there is nothing to undo.
    const bool editing = cell_editor_.edit().active();
    enable_menu_item(IDM_UNDO, !menu_open_ || editing || history_.can_undo());
    enable_menu_item(IDM_REDO, !menu_open_ || (!editing && history_.can_redo()));
    return 0;
}

LRESULT MainDialog::on_enter_menu_loop(WPARAM, LPARAM) {
    menu_open_ = true;
    return 0;
}

LRESULT MainDialog::on_exit_menu_loop(WPARAM, LPARAM) {
    menu_open_ = false;
    return 0;
}

LRESULT MainDialog::on_undo(WPARAM, LPARAM) {
    if (cell_editor_.edit().active()) {
        // The edit is not written yet: undo puts back the text it opened with.
        cell_editor_.set_text(cell_editor_.edit().cell().text);
        SendMessageA(cell_editor_.hwnd(), EM_SETSEL, 0, -1);
        return 0;
    }
    apply_history_step(false);
    return 0;
}

LRESULT MainDialog::on_redo(WPARAM, LPARAM) {
    if (cell_editor_.edit().active()) {
        return 0;
    }
    apply_history_step(true);
    return 0;
}

void MainDialog::apply_history_step(bool redo) {
    if (!connection_.is_open) {
        return;
    }
    const ChangeHistory::Outcome outcome =
        apply_history_step_reporting(hwnd(), history_, connection_.handle, redo);
    if (outcome.result == ChangeHistory::Applied::done) {
        show_changed_records(outcome);
    } else if (outcome.result != ChangeHistory::Applied::nothing) {
        // Nothing of ours changed, but what stopped it may have (another program's
        // change): the page shows what the file holds now.
        refresh_page();
    }
}

void MainDialog::show_changed_records(const ChangeHistory::Outcome& outcome) {
    const std::string table = selected_table_exact_name();
    const TablePage& page = grid_.page();
    const RowId rowid = outcome.changed_rowid(table);
    if (table.empty() || !page.is_open() || page.table() != table || rowid < 0) {
        refresh_page();
        return;
    }
    PageRequest request = grid_.request_here(PageRequest::Place::shown_page);
    request.rowid = rowid;
    const int row = grid_.show(request);
    if (row >= 0) {
        grid_.ensure_visible(row);
    }
}

LRESULT MainDialog::on_delete_record(WPARAM, LPARAM) {
    delete_selected_record(grid_);
    return 0;
}

LRESULT MainDialog::on_view_cell(WPARAM, LPARAM) {
    grid_.finish_cell_edit();
    grid_.view_cell(grid_.selected_row(), grid_.command_column());
    return 0;
}

LRESULT MainDialog::on_save_cell(WPARAM, LPARAM) {
    save_cell_command(hwnd(), grid_);
    return 0;
}

LRESULT MainDialog::on_load_cell(WPARAM, LPARAM) {
    load_cell_command(hwnd(), grid_, &history_);
    return 0;
}

LRESULT MainDialog::on_page_previous(WPARAM, LPARAM) {
    const int page_index = grid_.page().page_index();
    if (page_index > 0) {
        show_page(page_index - 1);
    }
    return 0;
}

LRESULT MainDialog::on_page_next(WPARAM, LPARAM) {
    show_page(grid_.page().page_index() + 1);
    return 0;
}

LRESULT MainDialog::on_about(WPARAM, LPARAM) {
    show_about_box(GetActiveWindow());
    return 0;
}

LRESULT MainDialog::on_help(WPARAM, LPARAM) {
    show_help_contents(hwnd());
    return 0;
}

LRESULT MainDialog::on_table_selected(WPARAM, LPARAM) {
    remember_table_choice();
    grid_.clear();
    show_page(0);
    return 0;
}

LRESULT MainDialog::on_item_changed(WPARAM, LPARAM) {
    const int row = grid_.hwnd() ? grid_.selected_row() : -1;
    enable_menu_item(IDM_DELETE_RECORD, row >= 0);
    // The cell commands need a record: the blank row has no value yet.
    const bool record = row >= 0 && !grid_.is_blank_row(row);
    enable_cell_commands(record);
    return 0;
}

LRESULT MainDialog::on_size(WPARAM wparam, LPARAM lparam) {
    layout_.on_size(static_cast<UINT>(wparam), LOWORD(lparam), HIWORD(lparam));
    return 0;
}

LRESULT MainDialog::on_get_min_max_info(WPARAM, LPARAM lparam) {
    layout_.on_get_min_max_info(reinterpret_cast<MINMAXINFO*>(lparam));
    return 0;
}

void MainDialog::create_filter_strip() {
    if (!filter_strip_.create_above(item(IDC_GRID), hwnd(), IDC_FILTER_STRIP, font(), dpi())) {
        return;
    }
    filter_strip_.column_edges = [this](int column, int& left, int& right) {
        return grid_.column_edges(column, filter_strip_.hwnd(), left, right);
    };
    filter_strip_.show_column = [this](int column) { grid_.ensure_column_visible(column); };
    filter_strip_.on_filters = [this](const std::vector<std::string>& typed, bool asked) {
        // Typing on overtakes a slow filter: the keys reach the box, the stale read
        // stops, and the pause after the typing reads again.
        bool overtaken = false;
        HWND editor = filter_strip_.editor();
        // A filter handed on is an action of its own, even at once after typing
        // overtook the last one: the stop of that run is not this one's.
        run_watch::reset(connection_.handle);
        run_watch::set_poll(connection_.handle, [editor, &overtaken] {
            return pump_while_typing_into(editor, overtaken);
        });
        filter_strip_.set_bad_column(
            grid_.apply_filters(typed, asked, filter_strip_.folded(), &overtaken));
        run_watch::set_poll(connection_.handle, pump_while_busy);
    };
    grid_.on_columns_moved = [this] { filter_strip_.columns_moved(); };
}

void MainDialog::remember_table_choice() {
    const TablePage& page = grid_.page();
    if (page.is_open()) {
        table_choices_.remember(page.table(), page.shape(), filter_strip_.texts(), page.records());
    }
}

RecordView MainDialog::restored_records(std::vector<std::string>& typed) {
    const TablePage& page = grid_.page();
    return table_choices_.restore(page.table(), page.shape(),
                                  filter_strip_.folded() ? TextMatch::folded : TextMatch::exact,
                                  typed);
}

void MainDialog::unregister_from_loop() {
    if (!registered_) {
        return;
    }
    if (MessageLoop* loop = app_module().message_loop()) {
        loop->remove_message_filter(this);
    }
    registered_ = false;
}
