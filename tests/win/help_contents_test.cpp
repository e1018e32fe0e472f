#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/help.h"
#include "tests/win/main_window_fixture.h"

namespace {

// Runs a test from another folder, as a program started through a shortcut is.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder) {
        GetCurrentDirectoryA(sizeof(previous_), previous_);
        SetCurrentDirectoryA(folder.c_str());
    }
    ~CurrentFolder() { SetCurrentDirectoryA(previous_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    char previous_[MAX_PATH] = "";
};

BOOL CALLBACK find_viewer(HWND hwnd, LPARAM lparam) {
    char class_name[64] = "";
    GetClassNameA(hwnd, class_name, sizeof(class_name));
    if (std::string(class_name) == "HH Parent" && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lparam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND viewer_window() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_viewer, reinterpret_cast<LPARAM>(&found));
    return found;
}

BOOL CALLBACK find_tree(HWND hwnd, LPARAM lparam) {
    char class_name[64] = "";
    GetClassNameA(hwnd, class_name, sizeof(class_name));
    if (std::string(class_name) == WC_TREEVIEWA) {
        *reinterpret_cast<HWND*>(lparam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The texts of the contents tree's entries, parents before their children.
void collect_entries(HWND tree, HTREEITEM item, std::vector<std::string>& entries) {
    for (; item; item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                 reinterpret_cast<LPARAM>(item)))) {
        char text[256] = "";
        TVITEMA data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = sizeof(text);
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
        entries.push_back(text);
        collect_entries(tree,
                        reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD,
                                                                 reinterpret_cast<LPARAM>(item))),
                        entries);
    }
}

std::vector<std::string> contents_entries(HWND viewer) {
    std::vector<std::string> entries;
    HWND tree = nullptr;
    EnumChildWindows(viewer, find_tree, reinterpret_cast<LPARAM>(&tree));
    if (tree) {
        collect_entries(
            tree, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)),
            entries);
    }
    return entries;
}

void close_viewer(HWND viewer) {
    SendMessageA(viewer, WM_CLOSE, 0, 0);
    pump_messages();
}

}  // namespace

TEST(HelpFile, IsTakenFromBesideTheProgramWhateverTheCurrentFolder) {
    TempDir elsewhere;
    CurrentFolder current(elsewhere.path());
    // Another file of the same name in the current folder does not win.
    HANDLE decoy = CreateFileA(kHelpFileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(decoy, INVALID_HANDLE_VALUE);
    CloseHandle(decoy);

    const std::string expected = program_folder() + kHelpFileName;
    EXPECT_EQ(help_file_location(), expected);
    EXPECT_NE(GetFileAttributesA(expected.c_str()), INVALID_FILE_ATTRIBUTES);

    // Not beside the program: the bare name, for the viewer's own search.
    EXPECT_EQ(help_file_location("no-such-help.chm"), "no-such-help.chm");
}

class HelpContentsTest : public MainWindowTest {
protected:
    HelpContentsTest() : current_(elsewhere_.path()) { reset_help_viewer(); }
    ~HelpContentsTest() override {
        if (HWND viewer = viewer_window()) {
            close_viewer(viewer);
        }
    }

    TempDir elsewhere_;
    CurrentFolder current_;
};

TEST_F(HelpContentsTest, MenuAndF1OpenTheContentsOfTheHelpFile) {
    start();
    const std::vector<std::string> contents = {"はじめに",
                                               "データベースとテーブル",
                                               "データベースを開く・作成する",
                                               "テーブルの表示とページ送り",
                                               "絞り込みと並べ替え",
                                               "テーブルの作成と構造編集",
                                               "テーブルの削除",
                                               "CSV ファイルへの書き出し",
                                               "CSV ファイルの読み込み",
                                               "データの編集",
                                               "セルの編集",
                                               "レコードの追加と削除",
                                               "画像やファイルをセルに出し入れする",
                                               "SQL エディタ",
                                               "キー操作一覧",
                                               "バージョン情報とヘルプ"};
    const struct {
        const char* label;
        std::function<void()> act;
    } routes[] = {
        {"menu",
         [&] { SendMessageA(main.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_HELP_CONTENTS, 0), 0); }},
        {"F1",
         [&] {
             MSG msg{main.grid().hwnd(), WM_KEYDOWN, VK_F1, 1, 0, {0, 0}};
             ASSERT_TRUE(main.pre_translate_message(&msg));
         }},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.label);
        ASSERT_EQ(viewer_window(), nullptr);
        route.act();
        pump_messages();
        HWND viewer = viewer_window();
        ASSERT_NE(viewer, nullptr);
        EXPECT_EQ(window_text(viewer), "KORVELANDIS ヘルプ");

        EXPECT_EQ(contents_entries(viewer), contents);
        close_viewer(viewer);
        EXPECT_EQ(viewer_window(), nullptr);
    }

    char library[MAX_PATH] = "";
    GetModuleFileNameA(help_viewer_state().library, library, sizeof(library));
    CharLowerA(library);
    EXPECT_NE(std::string(library).find("\\hhctrl.ocx"), std::string::npos) << library;
    EXPECT_TRUE(boxes.boxes().empty());
}
