// Conversion for systems without the Win32 code-page functions: the same code
// page 932 and UTF-8, through iconv. Bytes that cannot be converted become '?',
// as the Win32 functions substitute their default character.
#include <errno.h>
#include <iconv.h>

#include <string>

#include "db/text_convert.h"

namespace {

bool run_iconv(const char* to,
               const char* from,
               std::string_view source,
               std::string& out,
               bool exact = false) {
    const bool from_utf8 = std::string_view(from) == "UTF-8";
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string converted;
    converted.reserve(source.size() * 2 + 8);
    char* in = const_cast<char*>(source.data());
    std::size_t in_left = source.size();
    char buffer[256];
    while (in_left > 0) {
        char* o = buffer;
        std::size_t o_left = sizeof(buffer);
        std::size_t rc = iconv(cd, &in, &in_left, &o, &o_left);
        converted.append(buffer, sizeof(buffer) - o_left);
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            if (exact) {
                iconv_close(cd);
                return false;
            }
            // An invalid or incomplete sequence: substitute and step over one byte.
            converted.push_back('?');
            ++in;
            --in_left;
            if (from_utf8) {
                while (in_left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
                    ++in;
                    --in_left;
                }
            }
        }
    }
    iconv_close(cd);
    out = std::move(converted);
    return true;
}

}  // namespace

bool convert_whole(std::string_view source, bool to_utf8, std::string& result) {
    if (is_ascii(source)) {
        result.assign(source);
        return true;
    }
    return to_utf8 ? run_iconv("UTF-8", "CP932", source, result)
                   : run_iconv("CP932", "UTF-8", source, result);
}

bool convert_exact(std::string_view source, bool to_utf8, std::string& result) {
    return to_utf8 ? run_iconv("UTF-8", "CP932", source, result, true)
                   : run_iconv("CP932", "UTF-8", source, result, true);
}

bool convert_block_exact(std::string_view source,
                         bool to_utf8,
                         std::string& result,
                         std::wstring&) {
    return convert_exact(source, to_utf8, result);
}

bool fold_for_matching(std::string_view utf8, std::string& folded) {
    folded.assign(utf8);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return true;
}

int compare_for_user(std::string_view a, std::string_view b) {
    return a.compare(b);
}
