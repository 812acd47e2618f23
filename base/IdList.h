#pragma once
// A list of drive IDs as a user types it: "2", "1,2,5", "1-3" or "1,4-6".
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace velt {

// The IDs in the order written, each once; nothing for a list that is empty,
// malformed, holds a number outside min..max, a range written backwards or an
// ID twice.
inline std::optional<std::vector<uint8_t>> ParseIdList(std::string_view text, int min, int max) {
    std::vector<uint8_t> ids;
    std::vector<bool> seen(256, false);
    auto number = [&](std::string_view part, int* out) {
        if (part.empty() || part.size() > 3) return false;
        int v = 0;
        for (char c : part) {
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        *out = v;
        return v >= min && v <= max;
    };
    while (true) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        if (!number(item.substr(0, dash), &first)) return std::nullopt;
        last = first;
        if (dash != std::string_view::npos && (!number(item.substr(dash + 1), &last) || last < first))
            return std::nullopt;
        for (int id = first; id <= last; ++id) {
            if (seen[static_cast<size_t>(id)]) return std::nullopt;
            seen[static_cast<size_t>(id)] = true;
            ids.push_back(static_cast<uint8_t>(id));
        }
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return ids;
}

} // namespace velt
