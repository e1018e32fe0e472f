#include "win/double_byte_edit.h"

namespace {

// Code page 932 trail bytes are 0x40-0x7E and 0x80-0xFC; anything below 0x40 is a
// control character or ASCII punctuation that cannot end a pair.
constexpr BYTE kFirstTrailByte = 0x40;

}  // namespace

bool DoubleByteEdit::handle_message(UINT msg, WPARAM wparam, LPARAM, LRESULT& result) {
    if (msg == WM_KILLFOCUS) {
        lead_byte_ = 0;
        return false;
    }
    if (msg != WM_CHAR || wparam > 0xFF) {
        return false;
    }
    const BYTE byte = static_cast<BYTE>(wparam);
    if (lead_byte_) {
        const char pair[3] = {static_cast<char>(lead_byte_), static_cast<char>(byte), '\0'};
        lead_byte_ = 0;
        if (byte < kFirstTrailByte) {
            // A lead byte alone is no character: drop it and let the key act.
            return false;
        }
        SendMessageA(hwnd(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pair));
        result = 0;
        return true;
    }
    if (IsDBCSLeadByte(byte)) {
        lead_byte_ = byte;
        result = 0;
        return true;
    }
    return false;
}
