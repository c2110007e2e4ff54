// The integer value of an answer.
#include "game/answer_value.hpp"

#include <algorithm>
#include <limits>

namespace tolp {

std::int32_t answer_value(std::string_view answer) {
    std::size_t i = 0;
    while (i < answer.size() && is_space(answer[i])) {
        ++i;
    }
    bool negative = false;
    if (i < answer.size() && (answer[i] == '+' || answer[i] == '-')) {
        negative = answer[i] == '-';
        ++i;
    }
    constexpr std::int64_t cap = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; i < answer.size() && is_digit(answer[i]); ++i) {
        value = std::min(cap, value * 10 + (answer[i] - '0'));
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace tolp
