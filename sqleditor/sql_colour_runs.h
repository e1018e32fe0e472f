#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The colours of sql_to_rtf as byte ranges of the text, so that the editor can
// recolour the part of its text that a change touched instead of the whole text.
// The scanner starts afresh after every CR, so the colours of a line (its bytes up
// to and including the CR) depend on that line alone.

enum class SqlColour : unsigned char { plain, keyword, comment };

struct SqlColourRun {
    std::size_t begin;
    std::size_t end;
    SqlColour colour;
};

struct SqlByteRange {
    std::size_t begin;
    std::size_t end;
    bool empty() const { return begin == end; }
};

// The runs of text[range.begin, range.end), which must start at a line's start
// (0 or just after a CR); neighbouring runs differ in colour. The LF of a CR LF
// takes the CR's colour: the control holds the pair as one paragraph mark.
std::vector<SqlColourRun> sql_colour_runs(std::string_view text, SqlByteRange range);

// The lines of `now` to recolour after the control changed `before` into it: from
// the start of the first line that differs to the end of the last (its CR and LF
// included). The lines of `selection` (in `now`, where the edit left the caret)
// count as changed too: text replaced by the same bytes still takes the format of
// its neighbour in the control.
SqlByteRange sql_changed_lines(std::string_view before,
                               std::string_view now,
                               SqlByteRange selection);
