// What a cell says a BLOB is, from its first bytes: a picture's kind only where
// its signature is whole, and the size in the units a cell has room for.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "page/picture_kind.h"

namespace {

std::string kind_of(const std::string& bytes) {
    return picture_kind_name(
        picture_kind(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

std::string big_endian(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string big_endian16(std::uint32_t value) {
    return big_endian(value).substr(2);
}

std::string little_endian(std::uint32_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i) {
        text.push_back(static_cast<char>(value >> (8 * i)));
    }
    return text;
}

// "20000 x 30000", or "unknown".
std::string declared(const std::string& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    PictureSize size;
    if (!declared_picture_size(data, bytes.size(), picture_kind(data, bytes.size()), size)) {
        return "unknown";
    }
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

}  // namespace

TEST(PictureKind, TheSignatureDecidesAndANearMissIsNoPicture) {
    const std::pair<std::string, const char*> cases[] = {
        {std::string("\x89PNG\r\n\x1A\n\0\0\0\x0D", 12), "PNG"},
        {"\xFF\xD8\xFF\xE0", "JPEG"},
        {"GIF89a....", "GIF"},
        {"GIF87a", "GIF"},
        // As much as a page keeps of a BMP: its first 12 bytes.
        {std::string("BM\x36\x10\0\0\0\0\0\0\x36\0", 12), "BMP"},
        {std::string("II*\0", 4), "TIFF"},
        {std::string("MM\0*", 4), "TIFF"},
        {std::string("\0\0\1\0\1\0", 6), "ICO"},
        {std::string("RIFF\x10\0\0\0WEBP", 12), "WebP"},
        // Cut or bent signatures, and what merely starts like one.
        {std::string("\x89PNG\0\x01\x02\x03", 8), ""},
        {"\xFF\xD8", ""},
        {"GIF90a", ""},
        {"BM", ""},
        {"BMW of a text", ""},
        {std::string("\0\0\1\0\0\0", 6), ""},
        {std::string("RIFF\x10\0\0\0WAVE", 12), ""},
        {"", ""},
    };
    for (const auto& [bytes, kind] : cases) {
        EXPECT_EQ(kind_of(bytes), kind) << bytes.size();
    }
}

TEST(PictureKind, ShortSizesRoundToOneDecimalInTheLargestUnitThatFits) {
    EXPECT_EQ(short_byte_size(0), "0 B");
    EXPECT_EQ(short_byte_size(1023), "1023 B");
    EXPECT_EQ(short_byte_size(1024), "1.0 KB");
    EXPECT_EQ(short_byte_size(4194304), "4.0 MB");
    EXPECT_EQ(short_byte_size(1536LL << 20), "1.5 GB");
}

// The pixel size a picture's header declares, read before any decoder sees the
// bytes: a value of a megabyte may declare gigabytes of pixels, and some
// decoders (Wine's) unpack the whole picture before its size can be asked.
TEST(PictureKind, TheHeaderDeclaresThePixelSizeOrNothingWhereItIsCut) {
    const std::string png = std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + big_endian(20000) +
                            big_endian(30000) + std::string("\x08\x06\0\0\0", 5);
    const std::string jfif =
        std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20);
    // A table before the frame; a marker may be padded with 0xFF.
    const std::string table = std::string("\xFF\xC4\0\x04\0\0", 6);
    const std::string frame = std::string("\xFF\xFF\xC2\0\x11\x08", 6) + big_endian16(40000) +
                              big_endian16(65000) + std::string("\x03\x01\x22\0", 4);
    // A global colour table of two, a graphic control block, then an image larger
    // than the screen it is said to be on.
    const std::string gif = "GIF89a" + little_endian(10, 2) + little_endian(10, 2) +
                            std::string("\x80\0\0\0\0\0\xFF\xFF\xFF", 9) +
                            std::string("\x21\xF9\x04\0\0\0\0\0", 8) + "\x2C" +
                            little_endian(0, 4) + little_endian(60000, 2) + little_endian(5, 2) +
                            std::string("\0", 1);
    const std::string bmp = "BM" + little_endian(0, 4) + little_endian(0, 4) +
                            little_endian(54, 4) + little_endian(40, 4) + little_endian(200, 4) +
                            little_endian(static_cast<std::uint32_t>(-300), 4);
    const std::string core = "BM" + little_endian(0, 4) + little_endian(0, 4) +
                             little_endian(26, 4) + little_endian(12, 4) + little_endian(640, 2) +
                             little_endian(480, 2);
    EXPECT_EQ(declared(png), "20000 x 30000");
    EXPECT_EQ(declared(png.substr(0, 23)), "unknown");
    EXPECT_EQ(declared(jfif + table + frame), "65000 x 40000");
    EXPECT_EQ(declared(jfif + table + frame.substr(0, 9)), "unknown");
    // A segment whose length runs past the end.
    EXPECT_EQ(declared(jfif + std::string("\xFF\xE1\xFF\xFF", 4) + frame), "unknown");
    EXPECT_EQ(declared(gif), "60000 x 10");
    EXPECT_EQ(declared(gif.substr(0, 30)), "unknown");
    EXPECT_EQ(declared(bmp), "200 x 300");
    EXPECT_EQ(declared(core), "640 x 480");
    EXPECT_EQ(declared(bmp.substr(0, 25)), "unknown");
    // An icon's first image, a PNG or a bitmap of twice its height (with its mask).
    const std::string icon_head = std::string("\0\0\1\0\1\0\0\0\0\0\1\0\x20\0", 14) +
                                  little_endian(0, 4) + little_endian(22, 4);
    EXPECT_EQ(declared(icon_head + png), "20000 x 30000");
    EXPECT_EQ(
        declared(icon_head + little_endian(40, 4) + little_endian(100, 4) + little_endian(100, 4)),
        "100 x 50");
    EXPECT_EQ(declared(icon_head), "unknown");
    // Kinds whose size lies elsewhere: left to the decoder.
    EXPECT_EQ(declared(std::string("II*\0\x08\0\0\0", 8)), "unknown");
    EXPECT_EQ(declared("not a picture at all"), "unknown");
}
