#include "db/database_connection.h"

#include <cstring>
#include <string>

#include "db/text_convert.h"

bool DatabaseConnection::set_path(const char* path) {
    std::string utf8;
    if (!path || !convert_whole(path, true, utf8) || utf8.size() >= kPathSize || utf8.empty()) {
        return false;
    }
    std::memcpy(path_utf8, utf8.c_str(), utf8.size() + 1);
    return true;
}

bool DatabaseConnection::open(const char* path) {
    close();
    if (!set_path(path)) {
        return false;
    }
    if (sqlite3_open(path_utf8, &handle) != SQLITE_OK) {
        sqlite3_close(handle);
        handle = nullptr;
        return false;
    }
    is_open = true;
    return true;
}

bool DatabaseConnection::create(const char* path) {
    close();
    if (!set_path(path)) {
        return false;
    }
    sqlite3_open(path_utf8, &handle);
    is_open = true;
    return true;
}

void DatabaseConnection::close() {
    if (!is_open) {
        return;
    }
    sqlite3_close(handle);
    handle = nullptr;
    is_open = false;
}
