#include "win/message_box.h"

#include <utility>

#include "db/text_convert.h"
#include "win/wide_text.h"

namespace {

MessageBoxSink& current_sink() {
    static MessageBoxSink sink;
    return sink;
}

}  // namespace

int show_message_box(HWND owner, const char* text, const char* caption, UINT type) {
    return show_message_box_utf8(owner, to_utf8(text ? text : ""), caption, type);
}

int show_message_box_utf8(HWND owner, const std::string& text, const char* caption, UINT type) {
    const std::string caption_utf8 = to_utf8(caption ? caption : "");
    if (current_sink()) {
        return current_sink()(owner, text, caption_utf8, type);
    }
    return MessageBoxW(owner, wide_of_utf8(text).c_str(), wide_of_utf8(caption_utf8).c_str(), type);
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
