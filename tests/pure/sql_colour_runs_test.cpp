#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "sqleditor/sql_colour_runs.h"
#include "sqleditor/sql_highlighter.h"
#include "tests/pure/sql_rtf_text.h"

namespace {

// A byte's colour as the document numbers it: 0 plain, 1 keyword, 2 comment.
int number_of(SqlColour colour) {
    return static_cast<int>(colour);
}

// The colours a whole-text pass gives, byte by byte.
std::vector<int> reference_colours(const std::string& text) {
    return rtf_document_colours(sql_to_rtf(text));
}

// Colours the text whole through the runs, as the editor does for a new text.
std::vector<int> run_colours(const std::string& text) {
    std::vector<int> colours(text.size(), -1);
    for (const SqlColourRun& run : sql_colour_runs(text, {0, text.size()})) {
        for (std::size_t i = run.begin; i < run.end; ++i) {
            colours[i] = number_of(run.colour);
        }
    }
    return colours;
}

// Where the editor's colours can be compared with the document's: everywhere
// except CR and LF, the paragraph marks, which are never drawn.
void expect_same_colours(const std::string& text,
                         const std::vector<int>& ours,
                         const std::vector<int>& reference,
                         const std::string& what) {
    ASSERT_EQ(ours.size(), text.size()) << what;
    ASSERT_EQ(reference.size(), text.size()) << what;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            continue;
        }
        ASSERT_EQ(ours[i], reference[i]) << what << " at " << i;
    }
}

std::string random_sql(std::mt19937& random, int max_pieces) {
    static const std::string pieces[] = {" ", "\t", "\r\n", "\r",   "\n",     "(",    ")",   ";",
                                         "-", "--", "\\",   "{",    "select", "FROM", "表",  "ソ",
                                         "'", "x",  "null", "a--b", "*",      "--c",  "\r\n"};
    std::uniform_int_distribution<int> length(0, max_pieces);
    std::uniform_int_distribution<std::size_t> which(0, std::size(pieces) - 1);
    std::string text;
    for (int n = length(random); n > 0; --n) {
        text += pieces[which(random)];
    }
    return text;
}

}  // namespace

// The editor keeps the colours outside the changed lines and recolours those from
// the runs; a changed byte starts with any colour at all, since the control gives
// typed and pasted text a neighbour's format. After every edit the colours must be
// those of a whole-text pass.
TEST(SqlColourRuns, RecolouringTheChangedLinesGivesTheWholeTextColours) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> any_colour(0, 2);
    for (int round = 0; round < 300; ++round) {
        std::string text = random_sql(random, 40);
        std::vector<int> colours = run_colours(text);
        expect_same_colours(text, colours, reference_colours(text), text);
        for (int edit = 0; edit < 40; ++edit) {
            std::uniform_int_distribution<std::size_t> place(0, text.size());
            std::size_t first = place(random);
            std::size_t last = place(random);
            if (first > last) {
                std::swap(first, last);
            }
            // Mostly a keystroke or a deletion of a few bytes; sometimes a paste.
            if (last - first > 3 && edit % 5 != 0) {
                last = first + (last - first) % 4;
            }
            // The control never puts its caret between the CR and the LF of a pair.
            const auto inside_pair = [&](std::size_t i) {
                return i > 0 && i < text.size() && text[i - 1] == '\r' && text[i] == '\n';
            };
            if (inside_pair(first)) {
                --first;
            }
            if (inside_pair(last)) {
                ++last;
            }
            const std::string inserted = random_sql(random, edit % 7 == 0 ? 6 : 1);
            const std::string before = text;
            text.replace(first, last - first, inserted);
            // Out of reach: an edit whose first lines are the bytes that were there,
            // given another format, looks to the text like a change after them.
            const std::size_t same =
                std::mismatch(before.begin(), before.end(), text.begin(), text.end()).first -
                before.begin();
            const std::string hidden = text.substr(first, std::max(same, first) - first);
            if (before != text && hidden.find('\r') != std::string::npos &&
                hidden.find_first_not_of("\r\n") != std::string::npos) {
                text = before;
                continue;
            }
            std::vector<int> edited(colours.begin(), colours.begin() + first);
            for (std::size_t i = 0; i < inserted.size(); ++i) {
                edited.push_back(any_colour(random));
            }
            edited.insert(edited.end(), colours.begin() + last, colours.end());
            colours = edited;

            const std::size_t caret = first + inserted.size();
            const SqlByteRange lines = sql_changed_lines(before, text, {caret, caret});
            ASSERT_LE(lines.begin, lines.end);
            ASSERT_LE(lines.end, text.size());
            std::size_t next = lines.begin;
            for (const SqlColourRun& run : sql_colour_runs(text, lines)) {
                ASSERT_EQ(run.begin, next);
                ASSERT_LT(run.begin, run.end);
                for (std::size_t i = run.begin; i < run.end; ++i) {
                    colours[i] = number_of(run.colour);
                }
                next = run.end;
            }
            ASSERT_EQ(next, lines.end);
            ASSERT_NO_FATAL_FAILURE(expect_same_colours(
                text, colours, reference_colours(text),
                "round " + std::to_string(round) + ", edit " + std::to_string(edit) + ": " + text));
        }
    }
}

TEST(SqlColourRuns, AnEditRecoloursTheLinesItTouchedOnly) {
    const std::string before = "select a\r\nfrom b -- c\r\nwhere d";
    const std::string typed = "select a\r\nfrom bx -- c\r\nwhere d";
    const SqlByteRange lines = sql_changed_lines(before, typed, {17, 17});
    EXPECT_EQ(lines.begin, 10u);
    EXPECT_EQ(lines.end, 24u);
    // The control reports changes that leave the text as it was; an "x" typed over
    // a selected "x" took its neighbour's format on the caret's line.
    const SqlByteRange same = sql_changed_lines(typed, typed, {12, 12});
    EXPECT_EQ(same.begin, 10u);
    EXPECT_EQ(same.end, 24u);
    EXPECT_TRUE(sql_changed_lines(typed, typed, {3, 12}).empty());

    // "-- c\r\nwhere d" pasted over "-- e\r\nwhere d": the text differs on the first
    // line only, but the pasted "where" took the comment's colour; the caret,
    // after it, names its line.
    const std::string pasted = "select a\r\nfrom b -- c\r\nwhere d";
    const std::string replaced = "select a\r\nfrom b -- e\r\nwhere d";
    const SqlByteRange paste = sql_changed_lines(replaced, pasted, {31, 31});
    EXPECT_EQ(paste.begin, 10u);
    EXPECT_EQ(paste.end, pasted.size());
}
