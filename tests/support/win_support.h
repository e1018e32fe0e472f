#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "win/message_box.h"

// Records every message box instead of showing it, answering with `answer`.
class MessageBoxRecorder {
public:
    struct Box {
        HWND owner;
        // In the program's code page, as its own texts are written in the tests;
        // a character the code page lacks has a substitute there.
        std::string text;
        std::string caption;
        UINT type;
        // The text as the user reads it, every character kept (UTF-8).
        std::string utf8_text;
    };

    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<Box>& boxes() const { return boxes_; }
    void clear() { boxes_.clear(); }
    void set_answer(int answer) { answer_ = answer; }

private:
    std::vector<Box> boxes_;
    int answer_;
    MessageBoxSink previous_;
};

// Texts of a list view, read back as the user sees them.
std::string list_text(HWND list, int row, int column);
std::vector<std::string> list_row(HWND list, int row);
int list_row_count(HWND list);
int list_column_count(HWND list);
std::string list_header(HWND list, int column);
int list_column_width(HWND list, int column);
int list_selected_row(HWND list);

std::string window_text(HWND hwnd);
bool menu_item_enabled(HWND window, UINT id);

// Dispatches what is waiting in the queue.
void pump_messages();

// Keyboard input through the system's input path, as a keyboard or an input
// method delivers it: characters as Unicode, keys by virtual-key code.
void type_unicode(const std::wstring& text);
void press_key(WORD vk);
// Keys held down in turn and let go in the opposite order: {VK_CONTROL, 'Z'}.
void press_keys(std::initializer_list<WORD> keys);
// Dispatches what is waiting as the loop of a modal dialog does: wide retrieval,
// the dialog manager, then dispatch.
void pump_dialog(HWND dialog);

// Runs `action` when the next modal window of this thread (dialog or message box)
// has appeared, from a thread timer; the window is passed in.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(HWND)> action);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;
    bool ran() const;

private:
    UINT_PTR timer_;
};

// A template rectangle in pixels as the dialog manager converts it: position and
// size each on their own.
RECT dialog_units(HWND dialog, int x, int y, int width, int height);
// A control's rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND control);
// The folder of the running test program, with its trailing backslash.
std::string program_folder();

// The child of a dialog with a given class and text, or nullptr.
HWND find_child(HWND parent, const char* class_name, const char* text);

// Paths the code page has no form for, as the program takes them (UTF-8). A
// folder named `utf8_name` inside `parent` (an ASCII path, such as a TempDir's);
// its path, or empty when it cannot be made.
std::string make_utf8_folder(const std::string& parent, const std::string& utf8_name);
// The bytes of the file at a UTF-8 path; empty when it cannot be read.
std::string utf8_file_bytes(const std::string& utf8_path);
bool utf8_file_exists(const std::string& utf8_path);
// Types a UTF-8 path into the name box of an open or save dialog.
void type_file_dialog_name(HWND dialog, const std::string& utf8_path);
