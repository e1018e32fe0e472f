#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <iterator>

#include "db/result_table.h"
#include "grid/cell_editor.h"
#include "tests/win/main_window_fixture.h"

namespace {

constexpr char kLockedText[] =
    "データベースが他のプログラムにロックされているため、読み込めませんでした。\n"
    "表示されていないテーブルやレコードがあります。しばらくしてから、もう一度表示してください。";

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs chattr on the file through Wine's start.exe: as root (the tests' user
// here) a missing write bit or the read-only attribute stops no write, while an
// immutable file cannot be written by anyone. False where that cannot be done.
bool set_immutable(const std::string& path, bool immutable) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unix_name) {
        return false;
    }
    wchar_t wide[MAX_PATH] = L"";
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* name = unix_name(wide);
    if (!name) {
        return false;
    }
    std::string line = std::string("start.exe /wait /unix /usr/bin/chattr ") +
                       (immutable ? "+i" : "-i") + " \"" + name + "\"";
    HeapFree(GetProcessHeap(), 0, name);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // start.exe does not wait for a Unix program: look until the change shows.
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        const bool writable = probe != INVALID_HANDLE_VALUE;
        if (writable) {
            CloseHandle(probe);
        }
        if (writable != immutable) {
            return true;
        }
        Sleep(100);
    }
    return false;
}

}  // namespace

class DatabaseFileTest : public MainWindowTest {
protected:
    // What a failed open leaves: no database, nothing of the last one on screen.
    void expect_failed_open_state() {
        EXPECT_FALSE(main.connection().is_open);
        EXPECT_EQ(title(), "KORVELANDIS");
        EXPECT_EQ(table_count(), 0);
        EXPECT_EQ(list_column_count(grid()), 0);
        EXPECT_EQ(label(), "0-0");
        EXPECT_FALSE(enabled(IDM_SQL_EDITOR));
        EXPECT_FALSE(enabled(IDM_NEW_TABLE));
    }

    std::string make_db(const std::string& name, const std::string& sql) {
        const std::string path = dir.file(name);
        TestDb db(path);
        db.exec(sql);
        return path;
    }

    // Opens the in-place editor on a cell of the shown page.
    void open_cell(int row, int column) {
        main.grid().select_row(row);
        main.grid().begin_cell_edit(column);
    }
    // Types the text over the open editor's and presses Enter, as the user would;
    // an edit that could not be written is then given up with Esc.
    void type_and_enter(const std::string& text) {
        HWND editor = main.cell_editor().hwnd();
        for (unsigned char c : text) {
            SendMessageA(editor, WM_CHAR, c, 1);
        }
        SendMessageA(editor, WM_CHAR, VK_RETURN, 1);
        if (main.cell_editor().edit().active()) {
            SendMessageA(editor, WM_CHAR, VK_ESCAPE, 1);
        }
    }
};

TEST_F(DatabaseFileTest, AFileThatIsNoDatabaseIsRefusedWithItsReason) {
    const std::string good = make_db("good.db", "CREATE TABLE t(x); INSERT INTO t VALUES (1);");
    const std::string text = dir.file("readme.txt");
    const std::string words = "Just some text.\r\n";
    write_bytes(text, words);
    const std::string cut = dir.file("cut.db");
    {
        TestDb db(cut);
        db.exec("CREATE TABLE big(x);");
        db.fill("INSERT INTO big VALUES (printf('%0500d', ?1));", 300);
    }
    const std::string whole = file_bytes(cut);
    write_bytes(cut, whole.substr(0, whole.size() / 2));

    struct Case {
        std::string path;
        const char* reason;
    };
    start(good);
    for (const Case& c :
         {Case{text, "file is not a database"}, Case{cut, "database disk image is malformed"}}) {
        ASSERT_TRUE(main.open_database(good.c_str()));
        ASSERT_EQ(table_count(), 1);
        const std::string before = file_bytes(c.path);
        EXPECT_FALSE(main.open_database(c.path.c_str()));
        expect_failed_open_state();
        ASSERT_EQ(boxes.boxes().size(), 1u) << c.path;
        EXPECT_EQ(boxes.boxes()[0].text,
                  "データベースとして開けませんでした。ファイルには何も書き込んでいません。\n" +
                      c.path + "\n" + c.reason);
        EXPECT_EQ(boxes.boxes()[0].caption, "データベースを開く");
        EXPECT_EQ(file_bytes(c.path), before);
        EXPECT_FALSE(file_exists(c.path + "-journal"));
        boxes.clear();
    }
}

TEST_F(DatabaseFileTest, AMissingPathIsNotCreated) {
    // From the command line, as a mistyped name.
    const std::string missing = dir.file("nothere.db");
    start(missing);
    expect_failed_open_state();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "ファイルが見つかりません。\n" + missing);
    EXPECT_FALSE(file_exists(missing));

    // As the Open command does with a name typed into its dialog, over an open one.
    const std::string good = make_db("good.db", "CREATE TABLE t(x);");
    ASSERT_TRUE(main.open_database(good.c_str()));
    ASSERT_EQ(table_count(), 1);
    const std::string typed = dir.file("typo.db");
    EXPECT_FALSE(main.open_database(typed.c_str()));
    expect_failed_open_state();
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text, "ファイルが見つかりません。\n" + typed);
    EXPECT_FALSE(file_exists(typed));

    // New still creates its file.
    const std::string fresh = dir.file("fresh.db");
    ASSERT_TRUE(main.create_database(fresh.c_str(), "fresh.db"));
    EXPECT_EQ(exec_ansi(main.connection().handle, "CREATE TABLE n(x);"), SQLITE_OK);
    EXPECT_TRUE(file_exists(fresh));
}

TEST_F(DatabaseFileTest, ADamagedTableIsToldAndTheOthersStillBrowse) {
    const std::string path =
        make_db("damaged.db", "CREATE TABLE a(x); INSERT INTO a VALUES (1), (2);");
    int root = 0;
    int page_size = 0;
    {
        TestDb db(path);
        db.exec("CREATE TABLE b(y);");
        db.fill("INSERT INTO b VALUES (printf('%0500d', ?1));", 100);
        root = std::stoi(db.value("SELECT rootpage FROM sqlite_master WHERE name = 'b'"));
        page_size = std::stoi(db.value("PRAGMA page_size"));
    }
    std::string bytes = file_bytes(path);
    bytes.replace(static_cast<std::size_t>(root - 1) * page_size, page_size,
                  std::string(page_size, '\x7f'));
    write_bytes(path, bytes);

    start(path);
    ASSERT_EQ(table_count(), 2);
    EXPECT_EQ(label(), "1-2");
    EXPECT_TRUE(boxes.boxes().empty());

    select_table(1);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "データベースを読み込めませんでした。\n"
              "表示されていないテーブルやレコードがあります。\n"
              "database disk image is malformed");
    EXPECT_EQ(label(), "-");
    EXPECT_EQ(list_row_count(grid()), 0);

    select_table(0);
    EXPECT_EQ(label(), "1-2");
    EXPECT_EQ(list_text(grid(), 1, 1), "2");
    EXPECT_EQ(boxes.boxes().size(), 1u);
}

TEST_F(DatabaseFileTest, ALockHeldElsewhereIsToldNotShownAsAnEmptyDatabase) {
    const std::string path =
        make_db("locked.db", "CREATE TABLE a(x); CREATE TABLE b(y); INSERT INTO b VALUES (7);");
    TestDb other(path);
    other.exec("BEGIN EXCLUSIVE; INSERT INTO a VALUES (1);");

    // Opening: the file is a database, only its tables cannot be read yet.
    start(path);
    EXPECT_TRUE(main.connection().is_open);
    EXPECT_EQ(title(), "locked.db - KORVELANDIS");
    EXPECT_EQ(table_count(), 0);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, kLockedText);
    EXPECT_EQ(boxes.boxes()[0].caption, "読み込みエラー");

    other.exec("COMMIT;");
    main.reload_table_list();
    ASSERT_EQ(table_count(), 2);
    EXPECT_EQ(label(), "1-1");
    EXPECT_EQ(boxes.boxes().size(), 1u);

    // Changing the page while it is held: no page, no "0-0", one message.
    other.exec("BEGIN EXCLUSIVE; INSERT INTO b VALUES (8);");
    select_table(1);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text, kLockedText);
    EXPECT_EQ(list_column_count(grid()), 0);
    EXPECT_EQ(list_row_count(grid()), 0);
    EXPECT_EQ(label(), "-");
    EXPECT_FALSE(next_enabled());
    EXPECT_FALSE(enabled(IDM_DELETE_RECORD));

    other.exec("COMMIT;");
    select_table(1);
    EXPECT_EQ(label(), "1-2");
    EXPECT_EQ(list_text(grid(), 1, 1), "8");
    EXPECT_EQ(boxes.boxes().size(), 2u);

    // A write while it is held fails as before, and changes nothing.
    open_cell(0, 1);
    other.exec("BEGIN EXCLUSIVE;");
    type_and_enter("9");
    ASSERT_EQ(boxes.boxes().size(), 3u);
    EXPECT_EQ(boxes.boxes()[2].text, "データ更新処理が失敗しました。\ndatabase is locked");
    other.exec("COMMIT;");
    EXPECT_EQ(other.value("SELECT group_concat(y) FROM b"), "7,8");
}

TEST_F(DatabaseFileTest, ATransactionLeftOpenIsEndedAsTheUserAnswers) {
    const std::string path = make_db("work.db", "CREATE TABLE t(x); INSERT INTO t VALUES (1);");
    const std::string next = make_db("next.db", "CREATE TABLE n(x);");
    start(path);
    // What the SQL editor leaves after "BEGIN; UPDATE ...".
    auto leave_open = [&](const char* value) {
        ASSERT_EQ(exec_ansi(main.connection().handle,
                            std::string("BEGIN; UPDATE t SET x = ") + value + ";"),
                  SQLITE_OK);
    };
    auto stored = [&] {
        TestDb check(path);
        return check.value("SELECT x FROM t");
    };

    // Exit, cancelled: the program and the transaction go on.
    leave_open("2");
    boxes.set_answer(IDCANCEL);
    command(IDCANCEL);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "トランザクションが終わっていません。\n変更を確定 (COMMIT) しますか？\n\n"
              "「いいえ」を選ぶと、トランザクション中の変更を取り消します (ROLLBACK)。");
    EXPECT_EQ(boxes.boxes()[0].caption, "トランザクション");
    EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_TRUE(IsWindow(main.hwnd()));
    EXPECT_TRUE(main.connection().in_transaction());

    // Open, answered No: rolled back, then the other file opens.
    boxes.set_answer(IDNO);
    EXPECT_TRUE(main.open_database(next.c_str()));
    EXPECT_EQ(table_at(0), "n");
    EXPECT_EQ(stored(), "1");

    // New, answered Yes: committed.
    ASSERT_TRUE(main.open_database(path.c_str()));
    leave_open("3");
    boxes.set_answer(IDYES);
    EXPECT_TRUE(main.create_database(dir.file("new.db").c_str(), "new.db"));
    EXPECT_EQ(stored(), "3");

    // Open, cancelled: the database and its transaction stay.
    ASSERT_TRUE(main.open_database(path.c_str()));
    leave_open("4");
    boxes.set_answer(IDCANCEL);
    EXPECT_FALSE(main.open_database(next.c_str()));
    EXPECT_EQ(title(), "work.db - KORVELANDIS");
    EXPECT_TRUE(main.connection().in_transaction());

    // A commit that cannot be made keeps the program and the transaction.
    TestDb reader(path);
    reader.exec("BEGIN; SELECT * FROM t;");
    boxes.clear();
    boxes.set_answer(IDYES);
    command(IDM_EXIT);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text,
              "トランザクションの確定 (COMMIT) が失敗しました。\ndatabase is locked");
    EXPECT_TRUE(IsWindow(main.hwnd()));
    EXPECT_TRUE(main.connection().in_transaction());
    reader.exec("COMMIT;");

    // Exit, answered Yes: committed before the program ends.
    boxes.clear();
    command(IDM_EXIT);
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_FALSE(IsWindow(main.hwnd()));
    pump_messages();
    EXPECT_EQ(stored(), "4");
}

TEST_F(DatabaseFileTest, AReadOnlyFileSaysSoInTheTitle) {
    const std::string path = make_db("fixed.db", "CREATE TABLE t(x); INSERT INTO t VALUES (1);");
    if (!set_immutable(path, true)) {
        set_immutable(path, false);
        GTEST_SKIP() << "no file can be made read-only for this user here (chattr through Wine)";
    }
    start(path);
    const std::string shown = title();
    const bool read_only = main.connection().read_only;
    open_cell(0, 1);
    type_and_enter("2");
    main.connection().close();
    ASSERT_TRUE(set_immutable(path, false));

    EXPECT_EQ(shown, "fixed.db [読み取り専用] - KORVELANDIS");
    EXPECT_TRUE(read_only);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "データ更新処理が失敗しました。\nattempt to write a readonly database");
    TestDb check(path);
    EXPECT_EQ(check.value("SELECT x FROM t"), "1");
}
