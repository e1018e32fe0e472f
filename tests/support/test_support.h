#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

// A folder of its own for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // A path inside the folder (ANSI on Windows).
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// A path already in UTF-8, as the program takes paths: one the code page may have
// no form for.
struct Utf8Path {
    std::string path;
};

// A database file for a test, opened directly with SQLite (UTF-8 throughout) so
// that tests can set it up and check what the program wrote.
class TestDb {
public:
    // The file name is in the program's code page; SQLite gets its UTF-8 form.
    explicit TestDb(const std::string& path);
    explicit TestDb(const Utf8Path& path);
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    const std::string& path() const { return path_; }
    sqlite3* handle() const { return db_; }

    // Runs UTF-8 SQL; fails the test when it fails.
    void exec(const std::string& utf8_sql);
    // All values of a UTF-8 query, row by row, NULL as "<NULL>".
    std::vector<std::vector<std::string>> rows(const std::string& utf8_sql);
    // The single value of a query.
    std::string value(const std::string& utf8_sql);
    // Fills table `name` (already created, columns given) with n generated rows.
    void fill(const std::string& utf8_insert_with_one_parameter, int n);
    void close();

private:
    std::string path_;
    sqlite3* db_ = nullptr;
};

// The bytes of a file (a path in the program's code page); empty when it cannot be read.
std::string file_bytes(const std::string& path);

// UTF-8 text of an ANSI (code page 932) literal and back, for comparing.
std::string utf8_of(const std::string& ansi);
std::string ansi_of(const std::string& utf8);

// Runs SQL written in the program's code page on a connection the program
// opened; the SQLite result code.
int exec_ansi(sqlite3* db, const std::string& ansi_sql);
