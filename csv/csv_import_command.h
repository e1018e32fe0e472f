#pragma once

#include <windows.h>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "csv/csv_import.h"
#include "history/change_history.h"
#include "win/dialog.h"
#include "win/message_map.h"

// A table the import can fill: its exact (UTF-8) name, which the list shows as it
// is, with the mark of a view after a view's.
struct CsvImportTarget {
    std::string name;
    bool view = false;
};

// The import's choices over the file's first records as they will be read: the
// encoding and separator found (which the user may change), whether the first
// line holds names, and the target table.
class CsvImportDialog : public Dialog {
public:
    CsvImportDialog(std::string path, std::vector<CsvImportTarget> tables, int selected_table);

    CsvImportOptions options;

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    static const MessageEntry<CsvImportDialog> message_map_[];

    LRESULT on_init_dialog(WPARAM, LPARAM);
    LRESULT on_choice_changed(WPARAM, LPARAM);
    LRESULT on_ok(WPARAM, LPARAM);
    LRESULT on_cancel(WPARAM, LPARAM);

    void read_choices();
    void show_preview();
    void enable_target_controls();

    std::string path_;
    std::vector<CsvImportTarget> tables_;
    int selected_table_;
};

// Reads the file into the database with a small window over `owner` that shows
// how far it has come; Esc stops it. What the Import command does once its
// dialogs are answered.
CsvImportOutcome import_csv_with_progress(HWND owner,
                                          sqlite3* db,
                                          const std::string& path,
                                          const CsvImportOptions& options);

// The Import command after its file dialog: asks the choices, imports, says how
// it went. Records read into an existing table are one step of the history; a
// table made for them is not recorded (the new table cuts the history anyway, and
// recording would hold every record in memory). True when records were imported
// (the table list must be read again).
bool import_csv_file(HWND owner,
                     sqlite3* db,
                     ChangeHistory& history,
                     const std::string& path,
                     std::vector<CsvImportTarget> tables,
                     int selected_table);
