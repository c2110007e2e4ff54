// The time-limit grammar: the longest prefix that forms a decimal number is
// gathered in a canonical form of bounded length and converted, correctly
// rounded, by strtod.
#include "game/time_limit.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/answer_value.hpp"

namespace tolp {
namespace {

bool is_exponent_letter(char c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }
bool is_sign(char c) { return c == '+' || c == '-'; }

// A double is decided by its first 768 significant digits and whether any
// digit after them is nonzero. Keeping this many, plus one "sticky" digit
// that stands for all the rest, gives the same rounding as the whole text
// without relying on how many digits a C library's strtod accepts.
constexpr std::size_t KEPT_DIGITS = 800;

// Far beyond any double's exponent, yet safe from overflow when added up.
constexpr std::int64_t EXPONENT_CAP = 1'000'000'000;

}  // namespace

double read_time_limit(std::string_view text) {
    std::size_t i = 0;
    const auto at = [&text](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
    while (is_space(at(i))) {
        ++i;
    }
    const bool negative = at(i) == '-';
    if (is_sign(at(i))) {
        ++i;
    }

    // The value is 0.<significant> times ten to the power point_at.
    std::string significant;
    bool dropped_nonzero = false;
    std::int64_t point_at = 0;
    std::size_t digit_count = 0;
    const auto take_digits = [&](bool before_point) {
        for (; is_digit(at(i)); ++i, ++digit_count) {
            const char d = text[i];
            if (significant.empty() && d == '0') {
                if (!before_point) {
                    --point_at;  // a leading zero after the point only shifts it
                }
                continue;
            }
            if (before_point) {
                point_at = std::min(point_at + 1, EXPONENT_CAP);
            }
            if (significant.size() < KEPT_DIGITS) {
                significant += d;
            } else {
                dropped_nonzero = dropped_nonzero || d != '0';
            }
        }
    };
    take_digits(true);
    if (at(i) == '.') {
        ++i;
        take_digits(false);
    }
    if (digit_count == 0) {
        return 0.0;
    }

    if (is_exponent_letter(at(i))) {
        std::size_t j = i + 1;
        const bool exponent_negative = at(j) == '-';
        if (is_sign(at(j))) {
            ++j;
        }
        std::int64_t exponent = 0;
        const std::size_t first_digit = j;
        for (; is_digit(at(j)); ++j) {
            exponent = std::min(exponent * 10 + (text[j] - '0'), EXPONENT_CAP);
        }
        if (j > first_digit) {  // a letter without digits is not part of the number
            point_at += exponent_negative ? -exponent : exponent;
        }
    }

    if (significant.empty()) {
        return negative ? -0.0 : 0.0;
    }
    if (dropped_nonzero) {
        significant += '1';
    }
    const std::string canonical =
        std::string(negative ? "-0." : "0.") + significant + "e" + std::to_string(point_at);
    return std::strtod(canonical.c_str(), nullptr);
}

}  // namespace tolp
