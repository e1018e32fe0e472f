#include <gtest/gtest.h>

#include <string>

#include "sqleditor/text_undo.h"

namespace {

bool shift_jis_lead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// A text typed into, as the editor reports each change, with undo and redo
// applied back to it as the editor applies them.
struct Typing {
    TextUndo undo{shift_jis_lead};
    std::string text;
    std::size_t caret = 0;

    void change(std::string after, std::size_t new_caret) {
        undo.record(text, after, new_caret);
        text = std::move(after);
        caret = new_caret;
    }
    void type(const std::string& characters) {
        change(text.substr(0, caret) + characters + text.substr(caret), caret + characters.size());
    }
    void backspace(std::size_t bytes) {
        change(text.substr(0, caret - bytes) + text.substr(caret), caret - bytes);
    }
    void apply(const TextUndo::Edit& edit) {
        text.replace(edit.offset, edit.removed, edit.inserted);
        caret = edit.select_end;
    }
    bool ctrl_z() {
        TextUndo::Edit edit;
        if (!undo.undo(edit)) {
            return false;
        }
        apply(edit);
        return true;
    }
    bool ctrl_y() {
        TextUndo::Edit edit;
        if (!undo.redo(edit)) {
            return false;
        }
        apply(edit);
        return true;
    }
};

}  // namespace

// A word typed letter by letter goes back whole; a new line and a jump elsewhere
// start steps of their own; redo brings each back.
TEST(TextUndo, TypingGoesBackAWordAtATimeAndComesBackWithRedo) {
    Typing t;
    for (const char c : std::string("SELECT 1")) {
        t.type(std::string(1, c));
    }
    t.type("\r\n");
    for (const char c : std::string("FROM t")) {
        t.type(std::string(1, c));
    }
    ASSERT_EQ(t.text, "SELECT 1\r\nFROM t");
    ASSERT_TRUE(t.ctrl_z());
    EXPECT_EQ(t.text, "SELECT 1\r\n");
    ASSERT_TRUE(t.ctrl_z());
    EXPECT_EQ(t.text, "SELECT 1");
    ASSERT_TRUE(t.ctrl_z());
    EXPECT_EQ(t.text, "");
    EXPECT_FALSE(t.ctrl_z());
    ASSERT_TRUE(t.ctrl_y());
    ASSERT_TRUE(t.ctrl_y());
    ASSERT_TRUE(t.ctrl_y());
    EXPECT_EQ(t.text, "SELECT 1\r\nFROM t");
    EXPECT_FALSE(t.ctrl_y());

    // Typing after an undo drops what could be redone.
    t.ctrl_z();
    t.type("x");
    EXPECT_FALSE(t.undo.can_redo());
    EXPECT_EQ(t.text, "SELECT 1\r\nx");

    // Letters typed where the caret was put anew are a step of their own.
    t.caret = 0;
    t.undo.seal();
    t.type("-");
    t.type("-");
    ASSERT_TRUE(t.ctrl_z());
    EXPECT_EQ(t.text, "SELECT 1\r\nx");
}

// Repeated letters and double-byte characters that share bytes: the step is the
// one character the user typed or deleted, and undo never cuts a character.
TEST(TextUndo, RepeatedAndDoubleByteCharactersComeBackWhole) {
    Typing t;
    t.change("aaa", 3);
    t.undo.seal();
    // An "a" typed at the front of "aaa".
    t.caret = 0;
    t.type("a");
    ASSERT_EQ(t.text, "aaaa");
    ASSERT_TRUE(t.ctrl_z());
    EXPECT_EQ(t.text, "aaa");
    EXPECT_EQ(t.caret, 0u);

    // "表" is 95 5C and "\\" is 5C; "ソ" is 83 5C. The change from "表ソ" to "表\\ソ"
    // shares its last bytes with the text before it.
    Typing j;
    j.change("\x95\x5C\x83\x5C", 4);
    j.undo.seal();
    j.caret = 2;
    j.type("\x5C");
    ASSERT_EQ(j.text, "\x95\x5C\x5C\x83\x5C");
    ASSERT_TRUE(j.ctrl_z());
    EXPECT_EQ(j.text, "\x95\x5C\x83\x5C");
    ASSERT_TRUE(j.ctrl_y());
    EXPECT_EQ(j.text, "\x95\x5C\x5C\x83\x5C");

    // Backspaces over double-byte characters go back together, each whole.
    Typing b;
    b.change("\x82\xA0\x82\xA2\x82\xA4", 6);  // あいう
    b.undo.seal();
    b.backspace(2);
    b.backspace(2);
    ASSERT_EQ(b.text, "\x82\xA0");
    ASSERT_TRUE(b.ctrl_z());
    EXPECT_EQ(b.text, "\x82\xA0\x82\xA2\x82\xA4");
}

// The oldest steps go first when the bound is passed.
TEST(TextUndo, KeepsAtMostItsBoundOfSteps) {
    Typing t;
    for (std::size_t i = 0; i < TextUndo::kMostSteps + 20; ++i) {
        t.type("\n");
    }
    std::size_t undone = 0;
    while (t.ctrl_z()) {
        ++undone;
    }
    EXPECT_EQ(undone, TextUndo::kMostSteps);
    EXPECT_EQ(t.text, std::string(20, '\n'));
}
