#pragma once

#include <windows.h>

#include <sqlite3.h>

#include <string>

#include "csv/csv_export.h"
#include "win/dialog.h"
#include "win/message_map.h"

// The CSV export options: encoding, separator, whether the first line holds the
// column names. Shift-JIS, comma and names are offered first.
class CsvExportDialog : public Dialog {
public:
    CsvExportOptions options;
    // Added to the caption when the rows are those a filter or sort shows.
    std::string caption_note;

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    static const MessageEntry<CsvExportDialog> message_map_[];

    LRESULT on_init_dialog(WPARAM, LPARAM);
    LRESULT on_ok(WPARAM, LPARAM);
    LRESULT on_cancel(WPARAM, LPARAM);
};

// Exports the rows of a table or view (its exact UTF-8 name, which also names the
// file the save dialog suggests) that the grid shows: those its filter lets
// through, in its order.
void export_table_csv(HWND owner,
                      sqlite3* db,
                      const std::string& utf8_table,
                      const TableShape& shape,
                      const RecordView& records);
// Exports the rows of SQL text (UTF-8, as the SQL editor ran it), run again in full.
void export_query_csv(HWND owner, sqlite3* db, const std::string& utf8_sql);

// Writes the rows of the UTF-8 SQL text (`values` bound to its parameters) to the
// file, with a small window over `owner` that shows how far it has come; Esc
// stops it. What the Export commands do once their dialogs are answered.
CsvExportOutcome write_csv_file(HWND owner,
                                sqlite3* db,
                                const std::string& utf8_sql,
                                const std::vector<FilterValue>& values,
                                const std::string& path,
                                const CsvExportOptions& options);

// A file name made from a table's name (UTF-8): characters that a file name
// cannot hold become "_", and ".csv" is added.
std::string csv_file_name_for(const std::string& utf8_name);
