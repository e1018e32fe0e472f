#include "page/column_widths.h"

#include <algorithm>

int shared_column_width(int room, int columns) {
    if (columns <= 0) {
        return room > 0 ? room : 0;
    }
    const int width = room / columns;
    return width > 0 ? width : 0;
}

std::vector<int> data_column_widths(int room, const std::vector<int>& header_widths) {
    const int shared = shared_column_width(room, static_cast<int>(header_widths.size()));
    std::vector<int> widths;
    widths.reserve(header_widths.size());
    if (shared >= kReadableColumnWidth) {
        // Every column can be read at its share: all get the same width, however
        // long a header is.
        widths.assign(header_widths.size(), shared);
        return widths;
    }
    for (const int header : header_widths) {
        widths.push_back(std::max(kReadableColumnWidth, std::min(header, kHeaderWidthCap)));
    }
    return widths;
}
