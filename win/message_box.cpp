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

void report_out_of_memory(HWND owner) {
    show_message_box(owner,
                     "メモリが足りないため、操作を中止しました。\n"
                     "データベースと入力中の内容はそのままです。",
                     "メモリ不足", MB_OK | MB_ICONEXCLAMATION);
}
