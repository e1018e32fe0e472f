#include "win/message_loop.h"

#include <algorithm>

void MessageLoop::add_message_filter(MessageFilter* filter) {
    filters_.push_back(filter);
}

void MessageLoop::remove_message_filter(MessageFilter* filter) {
    filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

bool MessageLoop::pre_translate_message(MSG* msg) {
    for (auto it = filters_.rbegin(); it != filters_.rend(); ++it) {
        if ((*it)->pre_translate_message(msg)) {
            return true;
        }
    }
    return false;
}

// Messages are taken and dispatched with the wide functions, although every
// window is ANSI: the system then hands an ANSI window a typed double-byte
// character as its lead and trail bytes in turn. The ANSI functions would convert
// each queued byte on its own on some systems and garble Japanese input.
void MessageLoop::dispatch(MSG& msg) {
    if (!pre_translate_message(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool MessageLoop::pump() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        dispatch(msg);
    }
    return true;
}

int MessageLoop::run() {
    MSG msg{};
    for (;;) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            continue;
        }
        if (got == 0) {
            return static_cast<int>(msg.wParam);
        }
        dispatch(msg);
    }
}

AppModule& app_module() {
    static AppModule module;
    return module;
}
