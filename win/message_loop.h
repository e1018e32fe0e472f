#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <vector>

class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // True when the message has been consumed.
    virtual bool pre_translate_message(MSG* msg) = 0;
};

class IdleHandler {
public:
    virtual ~IdleHandler() = default;
    // False when no more idle-time work is wanted until the next message.
    virtual bool on_idle() = 0;
};

// The message loop of one thread: messages go to the filters first (the most
// recently added first), then to TranslateMessage/DispatchMessageW. Filters get
// the message as the wide functions retrieved it: they filter with the wide
// functions too (TranslateAcceleratorW, IsDialogMessageW).
class MessageLoop {
public:
    void add_message_filter(MessageFilter* filter);
    void remove_message_filter(MessageFilter* filter);
    void add_idle_handler(IdleHandler* handler);
    void remove_idle_handler(IdleHandler* handler);

    // Runs until WM_QUIT; returns its wParam.
    int run();
    // Handles every message queued now, as run() would; false (with WM_QUIT posted
    // again) when it met WM_QUIT.
    bool pump();
    void dispatch(MSG& msg);
    bool pre_translate_message(MSG* msg);

private:
    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idle_handlers_;
};

// The program's module: the instance handle of its resources and the message
// loop of each thread that runs one.
class AppModule {
public:
    void init(HINSTANCE instance);
    void term();
    HINSTANCE instance() const { return instance_; }

    bool add_message_loop(MessageLoop* loop);
    void remove_message_loop();
    MessageLoop* message_loop() const;  // of the calling thread, or nullptr

private:
    HINSTANCE instance_ = nullptr;
    mutable std::mutex lock_;
    std::map<DWORD, MessageLoop*> loops_;
};

AppModule& app_module();
