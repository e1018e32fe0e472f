#include "sqleditor/text_undo.h"

#include <algorithm>

#include "sqleditor/editor_text.h"

namespace {

bool has_line_end(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

std::size_t TextUndo::character_start(const std::string& text, std::size_t offset) const {
    std::size_t i = 0;
    while (i < offset && i < text.size()) {
        char32_t code = 0;
        const std::size_t width = editor_character(text, i, code);
        if (i + width > offset) {
            return i;
        }
        i += width;
    }
    return i;
}

void TextUndo::record(const std::string& before, const std::string& after, std::size_t caret) {
    if (before == after) {
        return;
    }
    caret = std::min(caret, after.size());
    // The change lies around the caret: text typed ends there, text deleted was
    // there. Where the same bytes repeat, that decides which of them changed.
    std::size_t prefix = 0;
    const std::size_t shorter = std::min(before.size(), after.size());
    const std::size_t grown = after.size() > before.size() ? after.size() - before.size() : 0;
    const std::size_t most_prefix = caret > grown ? caret - grown : 0;
    while (prefix < shorter && prefix < most_prefix && before[prefix] == after[prefix]) {
        ++prefix;
    }
    // The bytes before it are the same in both texts, so are their characters.
    prefix = character_start(after, prefix);
    std::size_t suffix = 0;
    const std::size_t most_suffix =
        std::min({before.size() - prefix, after.size() - prefix, after.size() - caret});
    while (suffix < most_suffix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    // Whole characters only: the end may not fall inside one in either text.
    while (suffix > 0 &&
           (character_start(after, after.size() - suffix) != after.size() - suffix ||
            character_start(before, before.size() - suffix) != before.size() - suffix)) {
        --suffix;
    }

    Step step;
    step.offset = prefix;
    step.removed = before.substr(prefix, before.size() - suffix - prefix);
    step.inserted = after.substr(prefix, after.size() - suffix - prefix);
    redo_.clear();
    if (joins_last(step)) {
        Step& last = undo_.back();
        bytes_ -= last.removed.size() + last.inserted.size();
        if (step.removed.empty()) {
            last.inserted += step.inserted;
        } else if (step.offset == last.offset) {
            last.removed += step.removed;
        } else {
            last.offset = step.offset;
            last.removed = step.removed + last.removed;
        }
    } else {
        undo_.push_back(std::move(step));
    }
    bytes_ += undo_.back().removed.size() + undo_.back().inserted.size();
    open_ = true;
    keep_within_limits();
}

bool TextUndo::joins_last(const Step& step) const {
    if (!open_ || undo_.empty()) {
        return false;
    }
    const Step& last = undo_.back();
    const auto one_character = [](const std::string& text) {
        char32_t code = 0;
        return !text.empty() && editor_character(text, 0, code) == text.size();
    };
    if (step.removed.empty()) {
        // A character typed after the last one typed; a new line starts a new step.
        return one_character(step.inserted) && !has_line_end(step.inserted) &&
               !last.inserted.empty() && !has_line_end(last.inserted) &&
               step.offset == last.offset + last.inserted.size();
    }
    if (step.inserted.empty() && last.inserted.empty() && one_character(step.removed)) {
        // Backspace before the last deletion, or Delete at its place.
        return step.offset + step.removed.size() == last.offset || step.offset == last.offset;
    }
    return false;
}

void TextUndo::keep_within_limits() {
    while (!undo_.empty() && (undo_.size() > kMostSteps || bytes_ > kMostBytes)) {
        bytes_ -= undo_.front().removed.size() + undo_.front().inserted.size();
        undo_.pop_front();
    }
}

void TextUndo::clear() {
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
    open_ = false;
}

bool TextUndo::undo(Edit& edit) {
    if (undo_.empty()) {
        return false;
    }
    Step step = std::move(undo_.back());
    undo_.pop_back();
    bytes_ -= step.removed.size() + step.inserted.size();
    edit.offset = step.offset;
    edit.removed = step.inserted.size();
    edit.inserted = step.removed;
    // What comes back is selected, as it was when it went.
    edit.select_begin = step.offset;
    edit.select_end = step.offset + step.removed.size();
    redo_.push_back(std::move(step));
    open_ = false;
    return true;
}

bool TextUndo::redo(Edit& edit) {
    if (redo_.empty()) {
        return false;
    }
    Step step = std::move(redo_.back());
    redo_.pop_back();
    edit.offset = step.offset;
    edit.removed = step.removed.size();
    edit.inserted = step.inserted;
    edit.select_begin = step.offset + step.inserted.size();
    edit.select_end = edit.select_begin;
    bytes_ += step.removed.size() + step.inserted.size();
    undo_.push_back(std::move(step));
    open_ = false;
    keep_within_limits();
    return true;
}
