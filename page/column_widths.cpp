#include "page/column_widths.h"

#include <algorithm>

int shared_column_width(int room, int columns) {
    if (columns <= 0) {
        return room > 0 ? room : 0;
    }
    const int width = room / columns;
    return width > 0 ? width : 0;
}

namespace {

// A length for 96 DPI at `dpi`, rounded to the nearest pixel.
int at_dpi(int length, int dpi) {
    return static_cast<int>((static_cast<long long>(length) * dpi + 48) / 96);
}

}  // namespace

std::vector<int> data_column_widths(int room, const std::vector<int>& header_widths, int dpi) {
    const int shared = shared_column_width(room, static_cast<int>(header_widths.size()));
    const int readable = at_dpi(kReadableColumnWidth, dpi);
    const int cap = at_dpi(kHeaderWidthCap, dpi);
    std::vector<int> widths;
    widths.reserve(header_widths.size());
    if (shared >= readable) {
        // Every column can be read at its share: all get the same width, however
        // long a header is.
        widths.assign(header_widths.size(), shared);
        return widths;
    }
    for (const int header : header_widths) {
        widths.push_back(std::max(readable, std::min(header, cap)));
    }
    return widths;
}
