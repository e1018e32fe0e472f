#pragma once

#include <windows.h>

#include <cstddef>

// Messages that a dialog sends back to the child that notified it carry their
// ordinary number raised by this offset.
constexpr UINT kReflectedMessageBase = 0x2000;

// One row of a window's message map. The map is an ordered table: the first row
// that matches handles the message. Commands match on the identifier alone,
// whatever sent them (menu, accelerator, button).
template <class T>
struct MessageEntry {
    enum class Kind { message, command, command_code, notify_code, reflected_notify_code };
    using Handler = LRESULT (T::*)(WPARAM, LPARAM);

    Kind kind;
    UINT message;
    UINT id;
    UINT code;
    Handler handler;

    bool matches(UINT msg, WPARAM wparam, LPARAM lparam) const {
        switch (kind) {
            case Kind::message:
                return msg == message;
            case Kind::command:
                return msg == WM_COMMAND && LOWORD(wparam) == id;
            case Kind::command_code:
                return msg == WM_COMMAND && LOWORD(wparam) == id && HIWORD(wparam) == code;
            case Kind::notify_code:
                return msg == WM_NOTIFY && lparam != 0 &&
                       reinterpret_cast<const NMHDR*>(lparam)->code == code;
            case Kind::reflected_notify_code:
                return msg == kReflectedMessageBase + WM_NOTIFY && lparam != 0 &&
                       reinterpret_cast<const NMHDR*>(lparam)->code == code;
        }
        return false;
    }
};

template <class T>
constexpr MessageEntry<T> on_message(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {MessageEntry<T>::Kind::message, message, 0, 0, handler};
}

template <class T>
constexpr MessageEntry<T> on_command(UINT id, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {MessageEntry<T>::Kind::command, WM_COMMAND, id, 0, handler};
}

template <class T>
constexpr MessageEntry<T> on_command_code(UINT id,
                                          UINT code,
                                          LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {MessageEntry<T>::Kind::command_code, WM_COMMAND, id, code, handler};
}

// A WM_NOTIFY with this code, from any sender.
template <class T>
constexpr MessageEntry<T> on_notify(UINT code, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {MessageEntry<T>::Kind::notify_code, WM_NOTIFY, 0, code, handler};
}

// A WM_NOTIFY with this code that the parent sent back to the control.
template <class T>
constexpr MessageEntry<T> on_reflected_notify(UINT code, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {MessageEntry<T>::Kind::reflected_notify_code, kReflectedMessageBase + WM_NOTIFY, 0,
            code, handler};
}

template <class T, std::size_t N>
bool dispatch_message(T* target,
                      const MessageEntry<T> (&map)[N],
                      UINT msg,
                      WPARAM wparam,
                      LPARAM lparam,
                      LRESULT& result) {
    for (const MessageEntry<T>& entry : map) {
        if (entry.matches(msg, wparam, lparam)) {
            result = (target->*entry.handler)(wparam, lparam);
            return true;
        }
    }
    return false;
}
