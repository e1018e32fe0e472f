// Ending the program, or changing the database, while the in-place editor is
// open: the edit is written first.
#include "tests/win/grid_fixture.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

struct Ending {
    const char* name;
    UINT msg;
    WPARAM wparam;
    WPARAM exit_code;
};

void PrintTo(const Ending& ending, std::ostream* out) {
    *out << ending.name;
}

}  // namespace

class ClosingWithAnOpenEditTest : public GridTest, public testing::WithParamInterface<Ending> {
protected:
    // Ends the window as the user would and returns the exit code it posted.
    WPARAM close_window() {
        // The dialog manager turns the close box into a posted IDCANCEL.
        SendMessageA(main.hwnd(), GetParam().msg, GetParam().wparam, 0);
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                return msg.wParam;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return 0;
    }
};

TEST_P(ClosingWithAnOpenEditTest, WritesTheEditAndEndsWithItsCode) {
    open_with(
        "CREATE TABLE t(a TEXT CHECK(a <> 'bad'), b TEXT); INSERT INTO t VALUES ('1a', '1b');");
    double_click(0, 1);
    type("typed");
    EXPECT_EQ(close_window(), GetParam().exit_code);
    EXPECT_FALSE(IsWindow(main.hwnd()));
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored("SELECT a, b FROM t"), (Rows{{"typed", "1b"}}));
}

TEST_P(ClosingWithAnOpenEditTest, AFailedWriteIsShownAndTheProgramStillEnds) {
    open_with("CREATE TABLE t(a TEXT CHECK(a <> 'bad')); INSERT INTO t VALUES ('kept');");
    double_click(0, 1);
    type("bad");
    EXPECT_EQ(close_window(), GetParam().exit_code);
    EXPECT_FALSE(IsWindow(main.hwnd()));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text.rfind("データ更新処理が失敗しました。\n", 0), 0u);
    EXPECT_EQ(stored_value("SELECT a FROM t"), "kept");
}

INSTANTIATE_TEST_SUITE_P(Endings,
                         ClosingWithAnOpenEditTest,
                         testing::Values(Ending{"CloseBox", WM_CLOSE, 0, IDCANCEL},
                                         Ending{"AltF4", WM_SYSCOMMAND, SC_CLOSE, IDCANCEL},
                                         Ending{"Exit", WM_COMMAND, IDM_EXIT, IDM_EXIT}),
                         [](const testing::TestParamInfo<Ending>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(GridTest, AnEditOpenWhenTheDatabaseChangesIsWrittenFirst) {
    open_with("CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('old');");
    double_click(0, 1);
    type("typed");
    ASSERT_TRUE(main.create_database(dir.file("other.db").c_str(), "other.db"));
    EXPECT_FALSE(editing());
    EXPECT_FALSE(editor_shown());
    SetFocus(selector());
    command(IDM_DELETE_RECORD);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored_value("SELECT a FROM t"), "typed");

    // The same before another database is opened.
    ASSERT_TRUE(main.open_database(path.c_str()));
    double_click(0, 1);
    type("again");
    ASSERT_TRUE(main.open_database(dir.file("other.db").c_str()));
    EXPECT_FALSE(editing());
    EXPECT_EQ(stored_value("SELECT a FROM t"), "again");
    EXPECT_TRUE(boxes.boxes().empty());
}
