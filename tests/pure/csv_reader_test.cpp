// Reading CSV files as other programs write them, from a real file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "csv/csv_reader.h"
#include "tests/support/test_support.h"

namespace {

struct Read {
    std::vector<std::vector<CsvField>> records;
    CsvReader::Result last = CsvReader::end;
    std::int64_t line = 0;
};

Read read_all(const std::string& bytes, FileEncoding encoding, char separator = ',') {
    TempDir dir;
    const std::string path = dir.file("in.csv");
    {
        std::ofstream file(path, std::ios::binary);
        file << bytes;
    }
    Read read;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    CsvReader reader(file, encoding, separator);
    std::vector<CsvField> fields;
    while ((read.last = reader.next(fields)) == CsvReader::record) {
        read.records.push_back(fields);
    }
    read.line = reader.line();
    std::fclose(file);
    return read;
}

const CsvField kNull = std::nullopt;

}  // namespace

// What the export writes reads back: quotes, separators and line breaks inside a
// value, "" against an empty field, leading zeros, a last line without a break.
TEST(CsvReader, ReadsEveryQuotingCase) {
    const Read read = read_all(
        u8"code,name,note\r\n"
        u8"007,\"山田, 太郎\",\"say \"\"hi\"\"\r\nthen\"\r\n"
        u8"00123,\"\",\n"
        u8"8,x,last",
        FileEncoding::utf8);
    ASSERT_EQ(read.last, CsvReader::end);
    ASSERT_EQ(read.records.size(), 4u);
    EXPECT_EQ(read.records[1],
              (std::vector<CsvField>{std::string("007"), std::string(u8"山田, 太郎"),
                                     std::string("say \"hi\"\r\nthen")}));
    EXPECT_EQ(read.records[2], (std::vector<CsvField>{std::string("00123"), std::string(), kNull}));
    EXPECT_EQ(read.records[3],
              (std::vector<CsvField>{std::string("8"), std::string("x"), std::string("last")}));

    // Tabs, and a byte-order mark that is no part of the first name.
    const Read tabbed = read_all(
        u8"\xEF\xBB\xBF"
        "a\tb\r\n1,2\t3\r\n",
        FileEncoding::utf8_bom, '\t');
    ASSERT_EQ(tabbed.records.size(), 2u);
    EXPECT_EQ(tabbed.records[0][0], std::string("a"));
    EXPECT_EQ(tabbed.records[1][0], std::string("1,2"));

    // Shift-JIS arrives as UTF-8.
    const Read ansi = read_all("名前\r\n山田\r\n", FileEncoding::shift_jis);
    ASSERT_EQ(ansi.records.size(), 2u);
    EXPECT_EQ(ansi.records[1][0], std::string(u8"山田"));
}

// A malformed record or bytes the encoding does not allow stop the reading with
// the line the record starts on.
TEST(CsvReader, StopsAtTheFirstFaultWithItsLine) {
    const Read unclosed = read_all("a,b\r\n1,2\r\n3,\"never\r\nclosed\r\n", FileEncoding::utf8);
    EXPECT_EQ(unclosed.last, CsvReader::malformed);
    EXPECT_EQ(unclosed.line, 3);
    EXPECT_EQ(unclosed.records.size(), 2u);

    const Read stray = read_all("a\r\nx\"y\r\n", FileEncoding::utf8);
    EXPECT_EQ(stray.last, CsvReader::malformed);
    EXPECT_EQ(stray.line, 2);

    const Read after = read_all("\"a\r\nb\"c\r\n", FileEncoding::utf8);
    EXPECT_EQ(after.last, CsvReader::malformed);
    EXPECT_EQ(after.line, 1);

    // Shift-JIS bytes read as UTF-8, on the fourth line after a value with a break.
    const Read wrong =
        read_all("a\r\n\"1\r\n2\"\r\nok\r\n\x8E\x52\x93\x63\r\n", FileEncoding::utf8);
    EXPECT_EQ(wrong.last, CsvReader::not_encoded);
    EXPECT_EQ(wrong.line, 5);
    EXPECT_EQ(wrong.records.size(), 3u);
}

// A file of several blocks reads as a small one: records cut by a block's end,
// a quoted value with doubled quotes and line breaks across it, a value longer
// than a block, and a fault far in the file with its own line.
TEST(CsvReader, RecordsAcrossBlocksReadWhole) {
    const std::size_t block = CsvReader::kBlockBytes;
    // Shift-JIS names (the literal is in the program's code page) and a quoted
    // note with a doubled quote and a line break: each record takes two lines.
    std::string file;
    std::int64_t records = 0;
    while (file.size() < 2 * block + block / 2) {
        const std::string n = std::to_string(++records);
        file += n + ",山田 太郎" + n + ",\"say \"\"hi\"\"\r\nthen " + n + "\"\r\n";
    }
    const std::string huge(block + block / 3, 'x');
    file += "huge,\"" + huge + "\",end\r\n";
    const std::int64_t huge_line = 2 * records + 1;
    const Read read = read_all(file + "bad,\x93\r\n", FileEncoding::shift_jis);
    EXPECT_EQ(read.last, CsvReader::not_encoded);
    EXPECT_EQ(read.line, huge_line + 1);
    ASSERT_EQ(read.records.size(), static_cast<std::size_t>(records) + 1);
    for (std::int64_t r = 0; r < records; ++r) {
        const std::string n = std::to_string(r + 1);
        ASSERT_EQ(read.records[r], (std::vector<CsvField>{n, std::string(u8"山田 太郎") + n,
                                                          "say \"hi\"\r\nthen " + n}))
            << "record " << n;
    }
    EXPECT_EQ(read.records.back(),
              (std::vector<CsvField>{std::string("huge"), huge, std::string("end")}));

    // An unclosed quote far in a UTF-8 file: the line its record starts on.
    std::string ascii;
    for (int i = 0; ascii.size() < 2 * block; ++i) {
        ascii += std::to_string(i) + ",\"a\r\nb\"\r\n";
    }
    const auto lines = static_cast<std::int64_t>(std::count(ascii.begin(), ascii.end(), '\n'));
    const Read never = read_all(ascii + "1,\"never closed\r\n", FileEncoding::utf8);
    EXPECT_EQ(never.last, CsvReader::malformed);
    EXPECT_EQ(never.line, lines + 1);
}

TEST(CsvReader, FindsTheEncodingAndTheSeparator) {
    EXPECT_EQ(detect_csv_encoding(u8"\xEF\xBB\xBF"
                                  "a,b"),
              FileEncoding::utf8_bom);
    EXPECT_EQ(detect_csv_encoding(u8"名前,b"), FileEncoding::utf8);
    EXPECT_EQ(detect_csv_encoding("名前,b"), FileEncoding::shift_jis);
    // A sample cut inside a UTF-8 character is still UTF-8.
    EXPECT_EQ(detect_csv_encoding(std::string(u8"ab名").substr(0, 4)), FileEncoding::utf8);
    EXPECT_EQ(detect_csv_separator("a\tb,c\td\r\n,,,,"), '\t');
    EXPECT_EQ(detect_csv_separator("a,b\tc\r\n"), ',');
}
