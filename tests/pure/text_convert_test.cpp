#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "db/text_convert.h"

namespace {

// "テーブル" in UTF-8 (four katakana of three bytes each) and in the program's
// own code page (four double-byte characters).
const std::string kTableUtf8 = u8"テーブル";
const std::string kTableAnsi = "テーブル";

}  // namespace

TEST(ConvertText, RoundTripKeepsTheBytes) {
    ASSERT_EQ(kTableUtf8.size(), 12u);
    ASSERT_EQ(kTableAnsi.size(), 8u);
    char utf8[64];
    EXPECT_EQ(convert_text(kTableAnsi.c_str(), utf8, sizeof(utf8), true), 13);
    EXPECT_EQ(std::string(utf8), kTableUtf8);
    char back[64];
    convert_text(utf8, back, sizeof(back), false);
    EXPECT_EQ(std::string(back), kTableAnsi);

    char empty[4] = "xyz";
    convert_text("", empty, sizeof(empty), true);
    EXPECT_STREQ(empty, "");
}

TEST(ConvertText, CutsByBytesAtLimitLessOne) {
    // Exactly limit - 1 bytes arrive whole.
    char exact[13];
    std::memset(exact, 'x', sizeof(exact));
    EXPECT_EQ(convert_text(kTableAnsi.c_str(), exact, sizeof(exact), true), 12);
    EXPECT_EQ(std::string(exact), kTableUtf8);

    // One byte less room: cut after 11 bytes, inside the last katakana, terminated.
    char short_by_one[12];
    std::memset(short_by_one, 'x', sizeof(short_by_one));
    EXPECT_EQ(convert_text(kTableAnsi.c_str(), short_by_one, sizeof(short_by_one), true), 11);
    EXPECT_EQ(std::string(short_by_one), kTableUtf8.substr(0, 11));

    // A cut inside a double-byte character on the way back keeps the lead byte.
    char ansi[4];
    convert_text(kTableUtf8.c_str(), ansi, sizeof(ansi), false);
    EXPECT_EQ(std::string(ansi), kTableAnsi.substr(0, 3));

    // Nothing is written past the room, even for a long text.
    char guarded[8 + 4];
    std::memset(guarded, '#', sizeof(guarded));
    convert_text(std::string(500, 'a').c_str(), guarded, 8, true);
    EXPECT_EQ(std::string(guarded), "aaaaaaa");
    EXPECT_EQ(std::string(guarded + 8, 4), "####");
}

TEST(ConvertText, LeavesDestinationUntouchedWhenNothingCanBeWritten) {
    char destination[8] = "keep";
    EXPECT_EQ(convert_text(nullptr, destination, sizeof(destination), true), 0);
    EXPECT_STREQ(destination, "keep");
    EXPECT_EQ(convert_text("abc", destination, 0, true), 0);
    EXPECT_STREQ(destination, "keep");
}

TEST(ConvertText, UnconvertibleCharactersBecomeSubstitutes) {
    // An emoji has no Shift-JIS form; an invalid UTF-8 byte is not a character.
    const std::string back = to_ansi(
        u8"a\U0001F600b\xFF"
        "c");
    EXPECT_EQ(back.front(), 'a');
    EXPECT_EQ(back.back(), 'c');
    EXPECT_NE(back.find('b'), std::string::npos);
    EXPECT_EQ(back.find('\xFF'), std::string::npos);
}

TEST(ConvertCellText, GivesWhatTheWholeConversionGives) {
    std::mt19937 random(7);
    const char* pieces[] = {"a", u8"テ", u8"ー", u8"\u00e9", u8"\U0001F600", "\xFF", "\x80", " "};
    for (int round = 0; round < 300; ++round) {
        std::string value;
        const int length = static_cast<int>(random() % 1500);
        for (int i = 0; i < length; ++i) {
            value += pieces[random() % std::size(pieces)];
        }
        char whole[255];
        char cell[255];
        std::memset(whole, 0, sizeof(whole));
        std::memset(cell, 0, sizeof(cell));
        convert_text(value.c_str(), whole, sizeof(whole), false);
        convert_cell_text(value.c_str(), cell, sizeof(cell));
        ASSERT_STREQ(cell, whole) << "round " << round;
    }
}

// A filter's text and the value it looks in are folded apart, one of them often
// plain ASCII and the other mixed with Japanese: every ASCII character must fold
// the same either way, or a needle would miss the text it is part of.
TEST(FoldForMatching, AsciiFoldsAloneAsWithinJapanese) {
    const std::string kana = u8"ｶﾞタ";
    std::string kana_folded;
    ASSERT_TRUE(fold_for_matching(kana, kana_folded));
    for (int c = 1; c < 0x80; ++c) {
        const std::string ascii = std::string("Ab") + static_cast<char>(c) + "z~";
        std::string alone;
        std::string within;
        ASSERT_TRUE(fold_for_matching(ascii, alone));
        ASSERT_TRUE(fold_for_matching(ascii + kana, within));
        EXPECT_EQ(alone + kana_folded, within) << c;
    }
    std::string folded;
    ASSERT_TRUE(fold_for_matching("ABC", folded));
    std::string small;
    ASSERT_TRUE(fold_for_matching("abc", small));
    EXPECT_EQ(folded, small);
}

// The windows' text and the database's: every character the database can hold
// goes through UTF-16 and back unchanged, a pair beyond the basic plane included;
// bytes that are no character show as U+FFFD and are marked; half a pair typed
// alone is refused rather than changed.
TEST(WideText, Utf8AndUtf16CarryEveryCharacterAndRefuseHalfAPair) {
    const std::string mixed = u8"café ß ñandú 한국 𠮷田 😀 髙橋 ﾀﾅｶ";
    bool valid = false;
    const std::u16string wide = utf8_to_utf16(mixed, &valid);
    EXPECT_TRUE(valid);
    // (Characters outside Shift-JIS stay out of the assertions' own text, which
    // the compiler writes in the program's code page.)
    const std::u16string expected = u"café ß ñandú 한국 𠮷田 😀 髙橋 ﾀﾅｶ";
    EXPECT_EQ(wide, expected);
    std::string back;
    ASSERT_TRUE(utf16_to_utf8(wide, back));
    EXPECT_EQ(back, mixed);

    // Not UTF-8: a stray continuation byte, a cut sequence, an overlong form, a
    // surrogate written in UTF-8.
    for (const std::string& bad : {std::string("a\x80z"), std::string("a\xE3\x81"),
                                   std::string("\xC0\xAF"), std::string("\xED\xA0\x80")}) {
        const std::u16string shown = utf8_to_utf16(bad, &valid);
        EXPECT_FALSE(valid) << bad;
        EXPECT_NE(shown.find(u'\xFFFD'), std::u16string::npos) << bad;
    }

    std::string kept = "kept";
    EXPECT_FALSE(utf16_to_utf8(u"x\xD842", kept));
    EXPECT_FALSE(utf16_to_utf8(u"\xDFB7y", kept));
    EXPECT_EQ(kept, "kept");
}

// A limit in Shift-JIS bytes keeps its meaning for Shift-JIS text and counts the
// characters it lacks as double-byte ones per UTF-16 unit; a cut never falls inside
// a character.
TEST(WideText, WeightsCountShiftJisBytesAndCutsKeepCharactersWhole) {
    EXPECT_EQ(text_weight("abc"), 3u);
    EXPECT_EQ(text_weight(u8"ﾀﾅｶ"), 3u);
    EXPECT_EQ(text_weight(u8"テーブル"), 8u);
    const std::string latin_and_hangul = u8"é한";
    const std::string beyond_the_plane = u8"𠮷😀";
    EXPECT_EQ(text_weight(latin_and_hangul), 4u);
    EXPECT_EQ(text_weight(beyond_the_plane), 8u);

    // 250 x then katakana (2 each): 254 holds two of them, not half a third.
    const std::string long_value = std::string(250, 'x') + u8"テーブル";
    EXPECT_EQ(cut_to_weight(long_value, 254), 250u + 6u);
    // A pair beyond the basic plane goes whole or not at all.
    const std::string pairs = std::string(251, 'x') + u8"😀";
    EXPECT_EQ(cut_to_weight(pairs, 254), 251u);
    EXPECT_EQ(cut_to_weight(pairs, 255), pairs.size());
    // Whatever the limit, the cut is a character boundary.
    const std::string mixed = u8"aé한𠮷ﾀ😀b";
    for (std::size_t limit = 0; limit <= text_weight(mixed); ++limit) {
        const std::size_t cut = cut_to_weight(mixed, limit);
        EXPECT_LE(text_weight(mixed.substr(0, cut)), limit);
        EXPECT_TRUE(cut == mixed.size() || (static_cast<unsigned char>(mixed[cut]) & 0xC0) != 0x80)
            << limit;
    }
}
