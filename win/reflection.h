#pragma once

#include <windows.h>

// Sends a child's notification back to that child, with the message number raised
// by kReflectedMessageBase; the child's answer becomes the dialog's answer.
// Returns false (message unhandled) when the message names no child.
bool reflect_notification(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);

// Which child a notification came from, or nullptr.
HWND notifying_child(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam);
