#include "page/picture_kind.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

bool starts_with(const unsigned char* bytes,
                 std::size_t size,
                 const char* signature,
                 std::size_t length) {
    return size >= length && std::memcmp(bytes, signature, length) == 0;
}

}  // namespace

PictureKind picture_kind(const unsigned char* bytes, std::size_t size) {
    if (!bytes) {
        return PictureKind::none;
    }
    if (starts_with(bytes, size, "\x89PNG\r\n\x1A\n", 8)) {
        return PictureKind::png;
    }
    if (starts_with(bytes, size, "\xFF\xD8\xFF", 3)) {
        return PictureKind::jpeg;
    }
    if (starts_with(bytes, size, "GIF87a", 6) || starts_with(bytes, size, "GIF89a", 6)) {
        return PictureKind::gif;
    }
    // "BM", the file's size, then two reserved fields of zero: "BM" alone starts
    // too many other values.
    if (starts_with(bytes, size, "BM", 2) && size >= 10 &&
        (bytes[6] | bytes[7] | bytes[8] | bytes[9]) == 0) {
        return PictureKind::bmp;
    }
    if (starts_with(bytes, size, "II*\0", 4) || starts_with(bytes, size, "MM\0*", 4)) {
        return PictureKind::tiff;
    }
    // Reserved 0, type 1 (icon), and at least one image.
    if (starts_with(bytes, size, "\0\0\1\0", 4) && size >= 6 && (bytes[4] | bytes[5]) != 0) {
        return PictureKind::ico;
    }
    if (starts_with(bytes, size, "RIFF", 4) && size >= 12 &&
        std::memcmp(bytes + 8, "WEBP", 4) == 0) {
        return PictureKind::webp;
    }
    return PictureKind::none;
}

namespace {

std::uint32_t big_endian(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

std::uint32_t little_endian(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

bool png_size(const unsigned char* bytes, std::size_t size, PictureSize& declared) {
    // The signature, then the IHDR chunk: its length, its name, width, height.
    if (size < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
        return false;
    }
    declared = PictureSize{big_endian(bytes + 16, 4), big_endian(bytes + 20, 4)};
    return true;
}

// The first frame header (SOF0 to SOF15, less the three markers among them that
// are no frame) after the segments before it.
bool jpeg_size(const unsigned char* bytes, std::size_t size, PictureSize& declared) {
    std::size_t at = 2;
    while (at < size) {
        if (bytes[at] != 0xFF) {
            return false;
        }
        // A marker may be padded with any number of 0xFF.
        while (at < size && bytes[at] == 0xFF) {
            ++at;
        }
        if (at >= size) {
            return false;
        }
        const unsigned char marker = bytes[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            continue;  // no length follows
        }
        if (marker == 0xD9 || marker == 0xDA || size - at < 2) {
            return false;  // the picture's data or end before any frame
        }
        const std::size_t length = big_endian(bytes + at, 2);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            // Length, precision, height, width.
            if (size - at < 7) {
                return false;
            }
            declared = PictureSize{big_endian(bytes + at + 5, 2), big_endian(bytes + at + 3, 2)};
            return true;
        }
        if (length < 2 || size - at < length) {
            return false;
        }
        at += length;
    }
    return false;
}

// The logical screen, and the first image, which may be larger than the screen
// it is said to be on.
bool gif_size(const unsigned char* bytes, std::size_t size, PictureSize& declared) {
    if (size < 13) {
        return false;
    }
    PictureSize screen{little_endian(bytes + 6, 2), little_endian(bytes + 8, 2)};
    std::size_t at = 13;
    if (bytes[10] & 0x80) {
        at += std::size_t{3} << ((bytes[10] & 0x07) + 1);
    }
    // Extension blocks, each a run of sub-blocks ended by an empty one.
    while (at < size && bytes[at] == 0x21) {
        at += 2;
        while (at < size && bytes[at] != 0) {
            at += std::size_t{bytes[at]} + 1;
        }
        ++at;
    }
    if (at >= size || bytes[at] != 0x2C || size - at < 9) {
        return false;
    }
    declared =
        PictureSize{std::max<std::uint64_t>(screen.width, little_endian(bytes + at + 5, 2)),
                    std::max<std::uint64_t>(screen.height, little_endian(bytes + at + 7, 2))};
    return true;
}

bool bmp_size(const unsigned char* bytes, std::size_t size, PictureSize& declared) {
    if (size < 18) {
        return false;
    }
    const std::uint32_t header = little_endian(bytes + 14, 4);
    if (header == 12 && size >= 22) {
        declared = PictureSize{little_endian(bytes + 18, 2), little_endian(bytes + 20, 2)};
        return true;
    }
    if (header < 40 || size < 26) {
        return false;
    }
    // Signed: a negative height stores the rows top down.
    const auto width = static_cast<std::int32_t>(little_endian(bytes + 18, 4));
    const auto height = static_cast<std::int32_t>(little_endian(bytes + 22, 4));
    const auto magnitude = [](std::int32_t value) {
        return static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(value)));
    };
    declared = PictureSize{magnitude(width), magnitude(height)};
    return true;
}

// The first image, which a decoder shows first: a PNG, or a bitmap whose height
// counts its mask too.
bool ico_size(const unsigned char* bytes, std::size_t size, PictureSize& declared) {
    if (size < 22) {
        return false;
    }
    const std::size_t offset = little_endian(bytes + 18, 4);
    if (offset >= size) {
        return false;
    }
    const unsigned char* image = bytes + offset;
    const std::size_t rest = size - offset;
    if (rest >= 8 && std::memcmp(image, "\x89PNG\r\n\x1A\n", 8) == 0) {
        return png_size(image, rest, declared);
    }
    if (rest < 12 || little_endian(image, 4) < 40) {
        return false;
    }
    const auto width = static_cast<std::int32_t>(little_endian(image + 4, 4));
    const auto height = static_cast<std::int32_t>(little_endian(image + 8, 4));
    declared =
        PictureSize{static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(width))),
                    static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(height))) / 2};
    return true;
}

}  // namespace

bool declared_picture_size(const unsigned char* bytes,
                           std::size_t size,
                           PictureKind kind,
                           PictureSize& declared) {
    declared = PictureSize{};
    if (!bytes) {
        return false;
    }
    switch (kind) {
        case PictureKind::png:
            return png_size(bytes, size, declared);
        case PictureKind::jpeg:
            return jpeg_size(bytes, size, declared);
        case PictureKind::gif:
            return gif_size(bytes, size, declared);
        case PictureKind::bmp:
            return bmp_size(bytes, size, declared);
        case PictureKind::ico:
            return ico_size(bytes, size, declared);
        default:
            return false;
    }
}

const char* picture_kind_name(PictureKind kind) {
    switch (kind) {
        case PictureKind::png:
            return "PNG";
        case PictureKind::jpeg:
            return "JPEG";
        case PictureKind::gif:
            return "GIF";
        case PictureKind::bmp:
            return "BMP";
        case PictureKind::tiff:
            return "TIFF";
        case PictureKind::ico:
            return "ICO";
        case PictureKind::webp:
            return "WebP";
        case PictureKind::none:
            break;
    }
    return "";
}

const char* picture_kind_extension(PictureKind kind) {
    switch (kind) {
        case PictureKind::png:
            return ".png";
        case PictureKind::jpeg:
            return ".jpg";
        case PictureKind::gif:
            return ".gif";
        case PictureKind::bmp:
            return ".bmp";
        case PictureKind::tiff:
            return ".tif";
        case PictureKind::ico:
            return ".ico";
        case PictureKind::webp:
            return ".webp";
        case PictureKind::none:
            break;
    }
    return ".bin";
}

std::string short_byte_size(std::int64_t bytes) {
    constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024) {
        return std::to_string(bytes) + " B";
    }
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f %s", value, kUnits[unit]);
    return text;
}
