#include "csv/csv_format.h"

void append_csv_field(std::string& line, std::string_view value, char separator) {
    bool quoted = false;
    for (const char c : value) {
        if (c == '"' || c == '\r' || c == '\n' || c == separator) {
            quoted = true;
            break;
        }
    }
    if (!quoted) {
        line.append(value);
        return;
    }
    line.push_back('"');
    for (char c : value) {
        if (c == '"') {
            line.push_back('"');
        }
        line.push_back(c);
    }
    line.push_back('"');
}

void append_csv_empty_text(std::string& line) {
    line.append("\"\"");
}

void append_hex(std::string& out, const unsigned char* bytes, std::size_t size) {
    static const char kDigits[] = "0123456789ABCDEF";
    const std::size_t at = out.size();
    out.resize(at + size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out[at + 2 * i] = kDigits[bytes[i] >> 4];
        out[at + 2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
}
