#include "win/message_box.h"

#include <utility>

namespace {

MessageBoxSink& current_sink() {
    static MessageBoxSink sink;
    return sink;
}

}  // namespace

int show_message_box(HWND owner, const char* text, const char* caption, UINT type) {
    if (current_sink()) {
        return current_sink()(owner, text ? text : "", caption ? caption : "", type);
    }
    return MessageBoxA(owner, text, caption, type);
}

MessageBoxSink set_message_box_sink(MessageBoxSink sink) {
    return std::exchange(current_sink(), std::move(sink));
}
