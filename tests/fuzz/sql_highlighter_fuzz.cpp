// libFuzzer target for sql_to_rtf: any bytes give a well-formed document that
// carries them back unchanged; and for sql_utf8_to_rtf: any bytes, valid UTF-8 or
// not, give a document between the header and the trailer. Built and run by
// tests/fuzz/fuzz.sh.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sqleditor/sql_highlighter.h"
#include "tests/pure/sql_rtf_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string back;
    std::string problem;
    if (!rtf_document_text(sql_to_rtf(text), back, problem)) {
        std::fprintf(stderr, "malformed document: %s\n", problem.c_str());
        std::abort();
    }
    if (back != text) {
        std::fprintf(stderr, "the document does not carry the text back\n");
        std::abort();
    }
    const std::string unicode = sql_utf8_to_rtf(text);
    const std::size_t head = std::strlen(kSqlRtfHeader);
    const std::size_t tail = std::strlen(kSqlRtfTrailer);
    if (unicode.size() < head + tail || unicode.compare(0, head, kSqlRtfHeader) != 0 ||
        unicode.compare(unicode.size() - tail, tail, kSqlRtfTrailer) != 0) {
        std::fprintf(stderr, "the UTF-8 document is not framed\n");
        std::abort();
    }
    return 0;
}
