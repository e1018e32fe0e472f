#pragma once

#include <windows.h>

#include <vector>

class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // True when the message has been consumed.
    virtual bool pre_translate_message(MSG* msg) = 0;
};

// The message loop of one thread: messages go to the filters first (the most
// recently added first), then to TranslateMessage/DispatchMessageW. Filters get
// the message as the wide functions retrieved it: they filter with the wide
// functions too (TranslateAcceleratorW, IsDialogMessageW).
class MessageLoop {
public:
    void add_message_filter(MessageFilter* filter);
    void remove_message_filter(MessageFilter* filter);

    // Runs until WM_QUIT; returns its wParam.
    int run();
    // Handles every message queued now, as run() would; false (with WM_QUIT posted
    // again) when it met WM_QUIT.
    bool pump();
    void dispatch(MSG& msg);
    bool pre_translate_message(MSG* msg);

private:
    std::vector<MessageFilter*> filters_;
};

// The program's module: the message loop of its one window thread, which the
// windows join with their filters.
class AppModule {
public:
    void add_message_loop(MessageLoop* loop) { loop_ = loop; }
    void remove_message_loop() { loop_ = nullptr; }
    MessageLoop* message_loop() const { return loop_; }  // nullptr when none runs

private:
    MessageLoop* loop_ = nullptr;
};

AppModule& app_module();
