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

void TableChoices::remember(const std::string& table,
                            const TableShape& shape,
                            const std::vector<std::string>& typed,
                            const RecordView& records) {
    Choice choice;
    const std::vector<ShapeColumn>& columns = shape.columns;
    for (std::size_t i = 0; i < typed.size() && i < columns.size(); ++i) {
        if (!typed[i].empty()) {
            choice.filters[columns[i].name] = typed[i];
        }
    }
    for (const OrderKey& key : records.order) {
        if (key.column < columns.size()) {
            choice.order.emplace_back(columns[key.column].name, key.descending);
        }
    }
    if (choice.filters.empty() && choice.order.empty()) {
        choices_.erase(table);
    } else {
        choices_[table] = std::move(choice);
    }
}

RecordView TableChoices::restore(const std::string& table,
                                 const TableShape& shape,
                                 TextMatch match,
                                 std::vector<std::string>& typed) const {
    const std::vector<ShapeColumn>& columns = shape.columns;
    typed.assign(columns.size(), std::string());
    RecordView records;
    const auto found = choices_.find(table);
    if (found == choices_.end()) {
        return records;
    }
    const Choice& choice = found->second;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto filter = choice.filters.find(columns[i].name);
        if (filter != choice.filters.end()) {
            typed[i] = filter->second;
        }
    }
    std::size_t bad_column = 0;
    std::string message;
    if (!parse_filters(shape, std::string(), typed, match, records.filter, bad_column, message)) {
        // The columns changed since: the filters start afresh.
        typed.assign(columns.size(), std::string());
        records.filter = RecordFilter();
    }
    for (const auto& [name, descending] : choice.order) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].name == name) {
                records.order.push_back(OrderKey{i, descending});
                break;
            }
        }
    }
    return records;
}
