// The search's only time source: milliseconds since the program started,
// read from a monotonic clock, with a seam through which tests drive it.
#pragma once

#include <chrono>
#include <cstdint>

namespace tolp {

namespace detail {
inline const std::chrono::steady_clock::time_point program_start =
    std::chrono::steady_clock::now();
}  // namespace detail

// When set, clock_ms() returns what this function returns instead of reading
// the system clock. Tests use it to make time advance by exactly 1 ms per
// reading; production never sets it and pays one predictable branch.
using ClockSource = std::int32_t (*)();
inline ClockSource clock_source = nullptr;

// Milliseconds since the program started, wrapped to 32 bits. The clock is
// monotonic, so a time-of-day change during a search cannot make time run
// backwards. Every call is a fresh reading; nothing is cached.
inline std::int32_t clock_ms() {
    if (clock_source != nullptr) [[unlikely]] {
        return clock_source();
    }
    const auto since_start = std::chrono::steady_clock::now() - detail::program_start;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

// Milliseconds from `start_ms` to `now_ms`, correct across the 32-bit wrap.
inline std::int32_t elapsed_ms(std::int32_t start_ms, std::int32_t now_ms) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(now_ms) -
                                     static_cast<std::uint32_t>(start_ms));
}

}  // namespace tolp
