#include "db/paging.h"

std::int64_t page_offset(int page_index) {
    return page_index > 0 ? static_cast<std::int64_t>(page_index) * kPageSize : 0;
}

bool needs_blank_row(int page_index, std::int64_t row_count) {
    return static_cast<std::int64_t>(page_index) * kPageSize + kPageSize >= row_count;
}

PageView page_view(int page_index, std::int64_t row_count) {
    const std::int64_t first = static_cast<std::int64_t>(page_index) * kPageSize + 1;
    const std::int64_t end = static_cast<std::int64_t>(page_index) * kPageSize + kPageSize;
    PageView view;
    if (end < row_count) {
        view.label = std::to_string(first) + "-" + std::to_string(end);
        view.next_enabled = true;
    } else {
        view.label = std::to_string(first) + "-" + std::to_string(row_count);
    }
    if (row_count == 0) {
        view.label = "0-0";
    }
    view.previous_enabled = page_index != 0;
    return view;
}
