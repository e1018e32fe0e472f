#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "db/text_convert.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <ftw.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
void remove_tree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}
#else
int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
    return std::remove(path);
}
#endif

}  // namespace

TempDir::TempDir() {
#ifdef _WIN32
    // Process ids come back quickly under Wine: take a name no folder has yet.
    static std::atomic<int> counter{0};
    char base[MAX_PATH] = "";
    GetTempPathA(sizeof(base), base);
    for (;;) {
        path_ = std::string(base) + "korv-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount()) + "-" + std::to_string(counter++);
        if (CreateDirectoryA(path_.c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
#else
    char pattern[] = "/tmp/korv-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
#endif
}

TempDir::~TempDir() {
#ifdef _WIN32
    // The wide functions with the \\?\ prefix also reach paths longer than MAX_PATH.
    const int length = MultiByteToWideChar(CP_ACP, 0, path_.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path_.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    remove_tree(L"\\\\?\\" + wide);
#else
    nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
#endif
}

std::string TempDir::file(const std::string& name) const {
#ifdef _WIN32
    return path_ + "\\" + name;
#else
    return path_ + "/" + name;
#endif
}

TestDb::TestDb(const std::string& path) : path_(path) {
    const std::string utf8 = utf8_of(path);
    if (sqlite3_open(utf8.c_str(), &db_) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path;
    }
}

TestDb::TestDb(const Utf8Path& path) : path_(path.path) {
    if (sqlite3_open(path.path.c_str(), &db_) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path.path;
    }
}

TestDb::~TestDb() {
    close();
}

void TestDb::close() {
    if (db_) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

void TestDb::exec(const std::string& utf8_sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, utf8_sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << "SQL failed: " << utf8_sql << ": " << (error ? error : "");
    }
    sqlite3_free(error);
}

std::vector<std::vector<std::string>> TestDb::rows(const std::string& utf8_sql) {
    std::vector<std::vector<std::string>> result;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, utf8_sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "SQL failed: " << utf8_sql << ": " << sqlite3_errmsg(db_);
        return result;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const unsigned char* text = sqlite3_column_text(statement, i);
            if (!text) {
                row.push_back("<NULL>");
            } else {
                row.emplace_back(reinterpret_cast<const char*>(text),
                                 static_cast<std::size_t>(sqlite3_column_bytes(statement, i)));
            }
        }
        result.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return result;
}

std::string TestDb::value(const std::string& utf8_sql) {
    auto r = rows(utf8_sql);
    if (r.empty() || r[0].empty()) {
        return "<none>";
    }
    return r[0][0];
}

void TestDb::fill(const std::string& utf8_insert_with_one_parameter, int n) {
    exec("BEGIN");
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, utf8_insert_with_one_parameter.c_str(), -1, &statement, nullptr) !=
        SQLITE_OK) {
        ADD_FAILURE() << "SQL failed: " << utf8_insert_with_one_parameter;
        return;
    }
    for (int i = 1; i <= n; ++i) {
        sqlite3_bind_int(statement, 1, i);
        sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    exec("COMMIT");
}

std::string utf8_of(const std::string& ansi) {
    return to_utf8(ansi);
}

std::string ansi_of(const std::string& utf8) {
    return to_ansi(utf8);
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int exec_ansi(sqlite3* db, const std::string& ansi_sql) {
    return sqlite3_exec(db, utf8_of(ansi_sql).c_str(), nullptr, nullptr, nullptr);
}
