// A list of numbers as tolp-analyze prints it: "1 6 11".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolp::analysis {

// The numbers separated by blanks, or `if_none` when there are none.
inline std::string joined(const std::vector<std::int32_t>& numbers, const char* if_none = "") {
    if (numbers.empty()) {
        return if_none;
    }
    std::string text;
    for (const std::int32_t m : numbers) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::to_string(m);
    }
    return text;
}

}  // namespace tolp::analysis
