// The time-limit grammar: the longest prefix that forms a decimal number is
// gathered in a canonical form and converted, correctly rounded, by strtod.
#include "game/time_limit.hpp"

#include <cstdlib>
#include <string>

#include "game/text.hpp"

namespace tolp {
namespace {

bool is_exponent_letter(char c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }
bool is_sign(char c) { return c == '+' || c == '-'; }

}  // namespace

double read_time_limit(std::string_view text) {
    std::size_t i = 0;
    const auto at = [&text](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
    while (is_space(at(i))) {
        ++i;
    }

    std::string number;  // sign, digits and point as written; then "e" and the exponent
    if (is_sign(at(i))) {
        number += text[i++];
    }
    std::size_t digit_count = 0;
    const auto take_digits = [&] {
        while (is_digit(at(i))) {
            number += text[i++];
            ++digit_count;
        }
    };
    take_digits();
    if (at(i) == '.') {
        number += text[i++];
        take_digits();
    }
    if (digit_count == 0) {
        return 0.0;
    }

    if (is_exponent_letter(at(i))) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (is_sign(at(j))) {
            exponent += text[j++];
        }
        const std::size_t first_digit = j;
        while (is_digit(at(j))) {
            exponent += text[j++];
        }
        if (j > first_digit) {
            number += exponent;
        }
    }
    return std::strtod(number.c_str(), nullptr);
}

}  // namespace tolp
