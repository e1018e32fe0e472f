#include "tests/support/win_support.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <utility>

#include "db/text_convert.h"
#include "win/window_text.h"

MessageBoxRecorder::MessageBoxRecorder(int answer) : answer_(answer) {
    previous_ = set_message_box_sink(
        [this](HWND owner, const std::string& text, const std::string& caption, UINT type) {
            boxes_.push_back({owner, to_ansi(text), to_ansi(caption), type, text});
            return answer_;
        });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    set_message_box_sink(std::move(previous_));
}

std::string list_text(HWND list, int row, int column) {
    char text[1024] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<std::string> list_row(HWND list, int row) {
    std::vector<std::string> cells;
    for (int column = 0; column < list_column_count(list); ++column) {
        cells.push_back(list_text(list, row, column));
    }
    return cells;
}

int list_row_count(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

int list_column_count(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

std::string list_header(HWND list, int column) {
    char text[1024] = "";
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT;
    c.pszText = text;
    c.cchTextMax = sizeof(text);
    if (!SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&c))) {
        return "<no column>";
    }
    return text;
}

int list_column_width(HWND list, int column) {
    return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
}

int list_selected_row(HWND list) {
    return static_cast<int>(
        SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

std::string window_text(HWND hwnd) {
    return read_window_text(hwnd);
}

bool menu_item_enabled(HWND window, UINT id) {
    const UINT state = GetMenuState(GetMenu(window), id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void pump_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

namespace {

void send_inputs(std::vector<INPUT>& inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

void type_unicode(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(input);
        }
    }
    send_inputs(inputs);
}

void press_key(WORD vk) {
    std::vector<INPUT> inputs(2);
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    send_inputs(inputs);
}

void press_keys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD vk : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        inputs.push_back(input);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    send_inputs(inputs);
}

void pump_dialog(HWND dialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

namespace {

std::function<void(HWND)>* g_modal_action = nullptr;
bool g_modal_ran = false;
std::vector<HWND> g_windows_before;

BOOL CALLBACK collect_window(HWND hwnd, LPARAM lparam) {
    reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> thread_windows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), collect_window, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// A dialog or message box that appeared after the driver was set up and that the
// user could act on now: shown and enabled (a dialog box is shown only once its
// modal loop runs). Which window is active is not asked: that depends on what
// other programs do meanwhile.
bool is_new_ready_modal(HWND hwnd) {
    char class_name[64] = "";
    GetClassNameA(hwnd, class_name, sizeof(class_name));
    return std::string(class_name) == "#32770" && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
           std::find(g_windows_before.begin(), g_windows_before.end(), hwnd) ==
               g_windows_before.end();
}

void CALLBACK modal_timer(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_modal_action || g_modal_ran) {
        return;
    }
    HWND found = nullptr;
    for (HWND hwnd : thread_windows()) {
        if (is_new_ready_modal(hwnd)) {
            found = hwnd;
            break;
        }
    }
    if (!found) {
        return;
    }
    g_modal_ran = true;
    KillTimer(nullptr, id);
    (*g_modal_action)(found);
}

}  // namespace

ModalDriver::ModalDriver(std::function<void(HWND)> action) {
    g_modal_action = new std::function<void(HWND)>(std::move(action));
    g_modal_ran = false;
    g_windows_before = thread_windows();
    timer_ = SetTimer(nullptr, 0, 50, modal_timer);
}

ModalDriver::~ModalDriver() {
    KillTimer(nullptr, timer_);
    delete g_modal_action;
    g_modal_action = nullptr;
}

bool ModalDriver::ran() const {
    return g_modal_ran;
}

HWND find_child(HWND parent, const char* class_name, const char* text) {
    return FindWindowExA(parent, nullptr, class_name, text);
}

RECT dialog_units(HWND dialog, int x, int y, int width, int height) {
    RECT units{x, y, width, height};
    MapDialogRect(dialog, &units);
    return RECT{units.left, units.top, units.left + units.right, units.top + units.bottom};
}

RECT rect_in_parent(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string program_folder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

namespace {

std::wstring wide_path(const std::string& utf8) {
    const std::u16string wide = utf8_to_utf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

}  // namespace

std::string make_utf8_folder(const std::string& parent, const std::string& utf8_name) {
    const std::string path = parent + "\\" + utf8_name;
    return CreateDirectoryW(wide_path(path).c_str(), nullptr) ? path : std::string();
}

std::string utf8_file_bytes(const std::string& utf8_path) {
    HANDLE file = CreateFileW(wide_path(utf8_path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
}

bool utf8_file_exists(const std::string& utf8_path) {
    return GetFileAttributesW(wide_path(utf8_path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void type_file_dialog_name(HWND dialog, const std::string& utf8_path) {
    // The file-name box of the classic dialog.
    constexpr WPARAM kFileNameBox = 0x480;
    const std::wstring wide = wide_path(utf8_path);
    SendMessageW(dialog, CDM_SETCONTROLTEXT, kFileNameBox, reinterpret_cast<LPARAM>(wide.c_str()));
}
