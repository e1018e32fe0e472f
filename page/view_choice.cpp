#include "page/view_choice.h"

#include <algorithm>

std::vector<OrderKey> clicked_order(const std::vector<OrderKey>& order,
                                    std::size_t column,
                                    bool further_key) {
    const auto same_column = [column](const OrderKey& key) { return key.column == column; };
    std::vector<OrderKey> next = order;
    const auto found = std::find_if(next.begin(), next.end(), same_column);
    if (further_key) {
        if (found == next.end()) {
            next.push_back(OrderKey{column, false});
        } else if (!found->descending) {
            found->descending = true;
        } else {
            next.erase(found);
        }
        return next;
    }
    if (order.size() == 1 && order.front().column == column) {
        if (!order.front().descending) {
            return {OrderKey{column, true}};
        }
        return {};
    }
    return {OrderKey{column, false}};
}

std::string sort_rank_text(const std::vector<OrderKey>& order, std::size_t column) {
    if (order.size() < 2) {
        return std::string();
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i].column == column) {
            return " (" + std::to_string(i + 1) + ")";
        }
    }
    return std::string();
}
