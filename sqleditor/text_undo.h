#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

// The steps of typing in the SQL editor that Ctrl+Z takes back and Ctrl+Y makes
// again. The control's own undo cannot serve: colouring the text empties it. Each
// change is kept as the bytes it replaced at a place; typing and deleting go
// together into one step while they continue where the last change ended. Texts
// are the editor's (UTF-8, see editor_text.h); no step starts or ends inside a
// character, so that each step's text goes back into the control whole.
class TextUndo {
public:
    // At most this many steps, and this many bytes in all, are kept; the oldest go
    // first.
    static constexpr std::size_t kMostSteps = 500;
    static constexpr std::size_t kMostBytes = std::size_t{16} << 20;

    // What to do to the text for an undo or a redo: replace the `removed` bytes at
    // `offset` with `inserted`, then select [select_begin, select_end) (bytes).
    struct Edit {
        std::size_t offset = 0;
        std::size_t removed = 0;
        std::string inserted;
        std::size_t select_begin = 0;
        std::size_t select_end = 0;
    };

    // The text changed from `before` to `after`, the caret now at byte `caret` of
    // `after` (which tells where a change of repeated characters happened).
    void record(const std::string& before, const std::string& after, std::size_t caret);
    // The next change starts a step of its own (a run, a click elsewhere).
    void seal() { open_ = false; }
    void clear();

    bool can_undo() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }
    // The edit that takes the last step back; the step moves to the redo list.
    // False when there is none.
    bool undo(Edit& edit);
    // The edit that makes the last undone step again.
    bool redo(Edit& edit);

private:
    struct Step {
        std::size_t offset = 0;
        std::string removed;
        std::string inserted;
    };

    // The byte offset of the character that holds byte `offset` of `text`.
    std::size_t character_start(const std::string& text, std::size_t offset) const;
    bool joins_last(const Step& step) const;
    void keep_within_limits();

    std::deque<Step> undo_;
    std::vector<Step> redo_;
    // The bytes the undo steps hold; redo steps came from them.
    std::size_t bytes_ = 0;
    // The last step may still grow with the next change.
    bool open_ = false;
};
