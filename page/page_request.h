#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "db/record_view.h"
#include "db/sql_text.h"

// Which page of which table the grid is to show, and which of its records to
// select: one plain value, read, watched and shown by TableGrid::show alone.
struct PageRequest {
    // Where the page is found.
    enum class Place {
        page,            // page `page_index`
        shown_page,      // the page on screen, read again
        added_record,    // the page that holds the record `rowid` just added
        keyed_record,    // the page that holds the record keyed by `key_literals`
        after_deletion,  // the page on screen, or the one before once it holds no record
    };

    // The connection (lent) and the table's exact (UTF-8) name.
    sqlite3* db = nullptr;
    std::string table;
    // The table is a view (a view whose definition no longer holds cannot be
    // opened, and says so).
    bool is_view = false;
    // The records shown, in their order: the user's filters and sort keys.
    RecordView records;
    Place place = Place::page;
    int page_index = 0;
    // The record to select: by row id, by condition, or by key (keyed_record);
    // none of them selects the first row.
    RowId rowid = -1;
    std::string condition;
    std::vector<std::string> key_literals;
    // Set (by the run's poll) when the user typed on while the page was read: the
    // read was stopped because its answer is out of date, and the typing reads
    // again, so the stop is not reported.
    const bool* overtaken = nullptr;

    static PageRequest page(sqlite3* db, const std::string& table, int page_index) {
        PageRequest request;
        request.db = db;
        request.table = table;
        request.page_index = page_index;
        return request;
    }
};
