#include <gtest/gtest.h>

#include <string>

#include "sqleditor/text_undo.h"

namespace {

// A text typed into, as the editor reports each change, with undo and redo
// applied back to it as the editor applies them.
struct Typing {
    TextUndo undo;
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

// Repeated letters and characters that share bytes (あ, い and う all begin with
// E3 81 in UTF-8): the step is the one character the user typed or deleted, and
// no step cuts a character, which would reach the control as garbage.
TEST(TextUndo, RepeatedAndMultiByteCharactersComeBackWhole) {
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

    // "い" typed over a selected "あ": the texts differ in one byte.
    Typing j;
    j.change(u8"あう", 6);
    j.undo.seal();
    j.change(u8"いう", 3);
    TextUndo::Edit edit;
    ASSERT_TRUE(j.undo.undo(edit));
    EXPECT_EQ(edit.offset, 0u);
    EXPECT_EQ(edit.removed, 3u);
    EXPECT_EQ(edit.inserted, u8"あ");
    ASSERT_TRUE(j.undo.redo(edit));
    EXPECT_EQ(edit.inserted, u8"い");

    // Backspaces over multi-byte characters go back together, each whole; so do
    // characters beyond the basic plane typed one after another.
    Typing b;
    b.change(u8"あいう", 9);
    b.undo.seal();
    b.backspace(3);
    b.backspace(3);
    ASSERT_EQ(b.text, u8"あ");
    ASSERT_TRUE(b.ctrl_z());
    EXPECT_EQ(b.text, u8"あいう");
    const std::string yoshi = u8"\U00020BB7";
    Typing y;
    y.type(yoshi);
    y.type(yoshi);
    ASSERT_TRUE(y.ctrl_z());
    EXPECT_EQ(y.text, "");
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
