#include "grid/sql_error_report.h"

#include <string>

#include "db/sql_error.h"
#include "win/message_box.h"

void report_sql_error(HWND owner, const char* operation_text, sqlite3* handle) {
    const std::string text = sql_error_text(operation_text, handle);
    show_message_box(owner, text.c_str(), kSqlErrorCaption, MB_OK | MB_ICONINFORMATION);
}
