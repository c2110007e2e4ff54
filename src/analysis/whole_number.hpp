// A whole number written out in full: the arguments of tolp-analyze and the
// one-value files of the system, read the same way.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace tolp::analysis {

// `text` as a Number when it is decimal digits (and a minus sign for a
// signed Number) and nothing else, within the Number's range.
template <class Number>
std::optional<Number> whole_number(std::string_view text) {
    Number value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace tolp::analysis
