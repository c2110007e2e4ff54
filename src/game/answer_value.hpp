// The integer value of an answer, and the character classes it reads by.
#pragma once

#include <cstdint>
#include <string_view>

namespace tolp {

// Blank, tab, line feed, vertical tab, form feed and carriage return.
constexpr bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Leading white space, an optional sign, then decimal digits up to the first
// other character; no digits gives 0. An answer holds at most nine
// characters, so the value always fits; longer text saturates instead of
// overflowing.
std::int32_t answer_value(std::string_view answer);

}  // namespace tolp
