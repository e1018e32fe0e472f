// The CSV export and import as the user runs them: the dialogs, the message boxes,
// and the file or the records that result.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "tests/win/main_window_fixture.h"
#include "win/wide_text.h"
#include "win/window_text.h"

namespace {

// A step of a DialogSequence: the control that tells the dialog apart, and what is
// done to it.
struct Step {
    int control;
    std::function<void(HWND)> action;
};
constexpr int kFileNameBox = 0x480;

// Acts on each modal dialog that opens, in turn: the options, then the file dialog.
class DialogSequence {
public:
    explicit DialogSequence(std::vector<Step> actions) : actions_(std::move(actions)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 50, tick);
    }
    ~DialogSequence() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    std::size_t ran() const { return next_; }

private:
    struct Search {
        int control;
        HWND found;
    };

    // The shown, enabled dialog that holds the control searched for.
    static BOOL CALLBACK find_dialog(HWND hwnd, LPARAM lparam) {
        auto* search = reinterpret_cast<Search*>(lparam);
        char class_name[64] = "";
        GetClassNameA(hwnd, class_name, sizeof(class_name));
        if (std::string(class_name) == "#32770" && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
            GetDlgItem(hwnd, search->control)) {
            search->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        DialogSequence* self = current_;
        if (!self || self->next_ >= self->actions_.size()) {
            return;
        }
        const Step& step = self->actions_[self->next_];
        Search search{step.control, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), find_dialog, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            return;
        }
        HWND active = search.found;
        ++self->next_;
        step.action(active);
    }

    static inline DialogSequence* current_ = nullptr;
    std::vector<Step> actions_;
    std::size_t next_ = 0;
    UINT_PTR timer_ = 0;
};

std::string combo_text(HWND combo) {
    char text[128] = "";
    const LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    SendMessageA(combo, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(text));
    return text;
}

// The file dialog answered with a path (UTF-8): the export's save or the import's open.
Step choose(const std::string& path) {
    return {kFileNameBox, [path](HWND dialog) {
                type_file_dialog_name(dialog, path);
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            }};
}

const Step kOptionsAsOffered = {IDC_CSV_ENCODING,
                                [](HWND options) { PostMessageA(options, WM_COMMAND, IDOK, 0); }};

class CsvExportWindowTest : public MainWindowTest {
protected:
    void open(const std::vector<std::string>& utf8_statements) {
        {
            TestDb db(dir.file("a.db"));
            for (const std::string& sql : utf8_statements) {
                db.exec(sql);
            }
        }
        start(dir.file("a.db"));
    }
    bool export_enabled() {
        SendMessageA(main.hwnd(), WM_INITMENUPOPUP,
                     reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(main.hwnd()), 1)), 1);
        return enabled(IDM_EXPORT_CSV);
    }
    std::string out = dir.file("out.csv");
};

}  // namespace

// Shift-JIS, comma and names come first; the file holds every record in the
// program's code page, leading zeros kept, and the user is told how many went out.
TEST_F(CsvExportWindowTest, TableMenuWritesTheWholeTableInShiftJis) {
    open({"CREATE TABLE t(code TEXT, name TEXT)", u8"INSERT INTO t VALUES ('007', '山田, 太郎')",
          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
          "INSERT INTO t SELECT printf('%04d', i), 'x' FROM n"});
    ASSERT_TRUE(export_enabled());
    std::string encoding, separator;
    bool names = false;
    DialogSequence dialogs({{IDC_CSV_ENCODING,
                             [&](HWND options) {
                                 encoding = combo_text(GetDlgItem(options, IDC_CSV_ENCODING));
                                 separator = combo_text(GetDlgItem(options, IDC_CSV_SEPARATOR));
                                 names = IsDlgButtonChecked(options, IDC_CSV_COLUMN_NAMES);
                                 PostMessageA(options, WM_COMMAND, IDOK, 0);
                             }},
                            choose(out)});
    command(IDM_EXPORT_CSV);
    EXPECT_EQ(dialogs.ran(), 2u);
    EXPECT_EQ(encoding, "Shift-JIS");
    EXPECT_EQ(separator, "カンマ (,)");
    EXPECT_TRUE(names);
    const std::string bytes = file_bytes(out);
    EXPECT_EQ(bytes.rfind("code,name\r\n007,\"山田, 太郎\"\r\n0001,x\r\n", 0), 0u) << bytes;
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 1502);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "1501 件のレコードを書き出しました。\n" + out);
}

// A value outside Shift-JIS: the count is told and nothing written; "はい" writes
// UTF-8 with its mark instead.
TEST_F(CsvExportWindowTest, ValuesOutsideShiftJisAreCountedThenWrittenAsUtf8) {
    open({"CREATE TABLE t(name TEXT)",
          u8"INSERT INTO t VALUES ('山田'), ('\xF0\x9F\x98\x80'), ('\xED\x95\x9C')"});
    boxes.set_answer(IDNO);
    DialogSequence refused({kOptionsAsOffered, choose(out)});
    command(IDM_EXPORT_CSV);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text.rfind("2 個の値は Shift-JIS で書けないため", 0), 0u);
    EXPECT_EQ(boxes.boxes()[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);

    boxes.clear();
    boxes.set_answer(IDYES);
    DialogSequence accepted({kOptionsAsOffered, choose(out)});
    command(IDM_EXPORT_CSV);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(file_bytes(out),
              u8"\xEF\xBB\xBF"
              "name\r\n山田\r\n\xF0\x9F\x98\x80\r\n\xED\x95\x9C\r\n");
}

// The SQL editor's button writes the last run's rows, read again in full, and
// refuses a text that would change the database again.
TEST_F(CsvExportWindowTest, SqlEditorExportsTheLastResult) {
    open({"CREATE TABLE t(a, b)", "INSERT INTO t VALUES (1, 'p'), (2, 'q')"});
    bool greyed_before_run = false;
    std::string refused;
    DialogSequence dialogs(
        {{IDC_SQL_TEXT,
          [&](HWND editor) {
              HWND button = GetDlgItem(editor, IDC_SQL_EXPORT);
              greyed_before_run = !IsWindowEnabled(button);
              SetWindowTextA(GetDlgItem(editor, IDC_SQL_TEXT), "SELECT b, a FROM t ORDER BY a");
              SendMessageA(GetDlgItem(editor, IDOK), BM_CLICK, 0, 0);
              PostMessageA(editor, WM_COMMAND, IDC_SQL_EXPORT, 0);
          }},
         {IDC_CSV_ENCODING,
          [](HWND options) {
              SendMessageA(GetDlgItem(options, IDC_CSV_SEPARATOR), CB_SETCURSEL, 1, 0);
              CheckDlgButton(options, IDC_CSV_COLUMN_NAMES, BST_UNCHECKED);
              PostMessageA(options, WM_COMMAND, IDOK, 0);
          }},
         choose(out),
         {IDC_SQL_TEXT, [&](HWND editor) {
              SetWindowTextA(GetDlgItem(editor, IDC_SQL_TEXT),
                             "INSERT INTO t VALUES (3, 'r'); SELECT * FROM t");
              SendMessageA(GetDlgItem(editor, IDOK), BM_CLICK, 0, 0);
              boxes.clear();
              SendMessageA(editor, WM_COMMAND, IDC_SQL_EXPORT, 0);
              refused = boxes.boxes().empty() ? "" : boxes.boxes()[0].text;
              PostMessageA(editor, WM_COMMAND, IDCANCEL, 0);
          }}});
    command(IDM_SQL_EDITOR);
    EXPECT_EQ(dialogs.ran(), 4u);
    EXPECT_TRUE(greyed_before_run);
    EXPECT_EQ(file_bytes(out), "p\t1\r\nq\t2\r\n");
    EXPECT_EQ(refused.rfind("データベースを変更する文を含むため、書き出せません。", 0), 0u);
    TestDb check(dir.file("a.db"));
    EXPECT_EQ(check.value("SELECT COUNT(*) FROM t"), "3");
}

// The encoding and separator are found and the first records shown as they will
// be read; a new table gets the first line's names and every value as text.
TEST_F(CsvExportWindowTest, ImportFindsTheFormAndFillsANewTable) {
    open({"CREATE TABLE e(a, b)"});
    {
        std::ofstream file(out, std::ios::binary);
        file << "code\t名前\r\n007\t\"山田\r\n太郎\"\r\n0123\t";
    }
    std::string encoding, separator, preview;
    bool name_focused = false;
    DWORD selection_start = 0;
    DWORD selection_end = 0;
    std::string offered;
    DWORD name_start = 1;
    DWORD name_end = 0;
    DialogSequence dialogs(
        {choose(out), {IDC_CSV_PREVIEW, [&](HWND import) {
                           encoding = combo_text(GetDlgItem(import, IDC_CSV_ENCODING));
                           separator = combo_text(GetDlgItem(import, IDC_CSV_SEPARATOR));
                           preview = read_window_text(GetDlgItem(import, IDC_CSV_PREVIEW));
                           name_focused = GetFocus() == GetDlgItem(import, IDC_CSV_TABLE_NAME);
                           SendMessageA(GetDlgItem(import, IDC_CSV_PREVIEW), EM_GETSEL,
                                        reinterpret_cast<WPARAM>(&selection_start),
                                        reinterpret_cast<LPARAM>(&selection_end));
                           HWND name = GetDlgItem(import, IDC_CSV_TABLE_NAME);
                           offered = read_window_text(name);
                           SendMessageA(name, EM_GETSEL, reinterpret_cast<WPARAM>(&name_start),
                                        reinterpret_cast<LPARAM>(&name_end));
                           SetWindowTextA(name, "取込");
                           PostMessageA(import, WM_COMMAND, IDOK, 0);
                       }}});
    command(IDM_IMPORT_CSV);
    EXPECT_EQ(dialogs.ran(), 2u);
    EXPECT_EQ(encoding, "Shift-JIS");
    EXPECT_EQ(separator, "タブ");
    EXPECT_EQ(preview, "[列名] code | 名前\r\n007 | 山田  太郎\r\n0123 | \r\n");
    // The new table's name is what the user types first; the preview is only read
    // and opens with nothing selected.
    EXPECT_TRUE(name_focused);
    EXPECT_EQ(selection_start, selection_end);
    // It offers the file's name without its extension, selected, so that typing
    // replaces it and Enter takes it.
    EXPECT_EQ(offered, "out");
    EXPECT_EQ(name_start, 0u);
    EXPECT_EQ(name_end, offered.size());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "2 件のレコードを読み込みました。");
    EXPECT_EQ(table_at(1), "取込");
    TestDb check(dir.file("a.db"));
    EXPECT_EQ(
        check.rows(u8"SELECT code, \"名前\" FROM \"取込\" ORDER BY rowid"),
        (std::vector<std::vector<std::string>>{{"007", u8"山田\r\n太郎"}, {"0123", "<NULL>"}}));
}

// An existing table with another number of columns is refused before anything
// runs, and says so with both counts.
TEST_F(CsvExportWindowTest, ImportIntoATableOfOtherColumnsIsRefused) {
    open({"CREATE TABLE e(a, b)", "INSERT INTO e VALUES (1, 2)"});
    {
        std::ofstream file(out, std::ios::binary);
        file << "1,2,3\r\n";
    }
    DialogSequence dialogs(
        {choose(out), {IDC_CSV_PREVIEW, [&](HWND import) {
                           CheckDlgButton(import, IDC_CSV_COLUMN_NAMES, BST_UNCHECKED);
                           CheckDlgButton(import, IDC_CSV_NEW_TABLE, BST_UNCHECKED);
                           CheckDlgButton(import, IDC_CSV_EXISTING_TABLE, BST_CHECKED);
                           PostMessageA(import, WM_COMMAND, IDOK, 0);
                       }}});
    command(IDM_IMPORT_CSV);
    EXPECT_EQ(dialogs.ran(), 2u);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "ファイルの項目の数 (3) とテーブルの列の数 (2) が違うため、読み込めませんでした。\n"
              "何も追加していません。");
    TestDb check(dir.file("a.db"));
    EXPECT_EQ(check.value("SELECT COUNT(*) FROM e"), "1");
}

// Names Shift-JIS has no form for, in the table, the folder and the file: the
// save dialog offers the table's name, the file is written there and its path
// told whole, and the import reads it back into a table named in the dialog.
TEST_F(CsvExportWindowTest, ExportAndImportThroughAFolderOfAnyCharacters) {
    constexpr char kTable[] = u8"\u00F1and\u00FA";
    constexpr char kFolder[] = u8"caf\u00E9 \uD55C";
    constexpr char kNewTable[] = u8"\u00F1and\u00FA \uD55C";
    const std::wstring offered_file = wide_of_utf8(kTable + std::string(".csv"));
    const std::wstring offered_table = wide_of_utf8(kTable);
    open({u8"CREATE TABLE \"\u00F1and\u00FA\"(name TEXT)",
          u8"INSERT INTO \"\u00F1and\u00FA\" VALUES ('caf\u00E9'), ('\uD55C')"});
    const std::string folder = make_utf8_folder(dir.path(), kFolder);
    ASSERT_FALSE(folder.empty());
    const std::string csv = folder + "\\" + kTable + ".csv";

    std::wstring suggested;
    DialogSequence exported({{IDC_CSV_ENCODING,
                              [](HWND options) {
                                  // UTF-8 with its mark.
                                  SendMessageA(GetDlgItem(options, IDC_CSV_ENCODING), CB_SETCURSEL,
                                               1, 0);
                                  PostMessageA(options, WM_COMMAND, IDOK, 0);
                              }},
                             {kFileNameBox, [&](HWND dialog) {
                                  wchar_t name[MAX_PATH] = L"";
                                  GetDlgItemTextW(dialog, kFileNameBox, name, MAX_PATH);
                                  suggested = name;
                                  type_file_dialog_name(dialog, csv);
                                  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                              }}});
    command(IDM_EXPORT_CSV);
    EXPECT_EQ(exported.ran(), 2u);
    EXPECT_EQ(suggested, offered_file);
    EXPECT_EQ(utf8_file_bytes(csv), u8"\xEF\xBB\xBFname\r\ncaf\u00E9\r\n\uD55C\r\n");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].utf8_text, u8"2 件のレコードを書き出しました。\n" + csv);

    boxes.clear();
    std::wstring offered;
    std::string preview;
    DialogSequence imported(
        {choose(csv), {IDC_CSV_PREVIEW, [&](HWND import) {
                           HWND name = GetDlgItem(import, IDC_CSV_TABLE_NAME);
                           wchar_t text[MAX_PATH] = L"";
                           GetWindowTextW(name, text, MAX_PATH);
                           offered = text;
                           preview = window_text_utf8(GetDlgItem(import, IDC_CSV_PREVIEW));
                           SetWindowTextW(name, wide_of_utf8(kNewTable).c_str());
                           PostMessageA(import, WM_COMMAND, IDOK, 0);
                       }}});
    command(IDM_IMPORT_CSV);
    EXPECT_EQ(imported.ran(), 2u);
    EXPECT_EQ(offered, offered_table);
    EXPECT_EQ(preview, u8"[列名] name\r\ncaf\u00E9\r\n\uD55C\r\n");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "2 件のレコードを読み込みました。");
    TestDb check(dir.file("a.db"));
    EXPECT_EQ(check.rows(u8"SELECT name FROM \"\u00F1and\u00FA \uD55C\" ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{{u8"caf\u00E9"}, {u8"\uD55C"}}));
}
