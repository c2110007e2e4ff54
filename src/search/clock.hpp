// The search's only time source: milliseconds since the program started,
// read from a monotonic clock, with a seam through which tests drive it.
#pragma once

#include <chrono>
#include <cstdint>

namespace tolp {

// The system clock behind clock_ms(); the search may also compare its raw
// readings with a deadline (see deadline.hpp), which gives the same answers.
using SearchClock = std::chrono::steady_clock;

namespace detail {
inline const SearchClock::time_point program_start = SearchClock::now();
}  // namespace detail

// When set, clock_ms() returns what this function returns instead of reading
// the system clock. Tests use it to make time advance by exactly 1 ms per
// reading; production never sets it, and the search checks it once per
// top-level move, not per position.
using ClockSource = std::int32_t (*)();
inline ClockSource clock_source = nullptr;

// The reading of clock_ms() at system time `t`: whole milliseconds since the
// program started, wrapped to 32 bits.
inline std::int32_t clock_ms_at(SearchClock::time_point t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - detail::program_start);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms.count()));
}

// Milliseconds since the program started, wrapped to 32 bits. The clock is
// monotonic, so a time-of-day change during a search cannot make time run
// backwards. Every call is a fresh reading; nothing is cached.
inline std::int32_t clock_ms() {
    if (clock_source != nullptr) [[unlikely]] {
        return clock_source();
    }
    return clock_ms_at(SearchClock::now());
}

// Milliseconds from `start_ms` to `now_ms`, correct across the 32-bit wrap.
inline std::int32_t elapsed_ms(std::int32_t start_ms, std::int32_t now_ms) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(now_ms) -
                                     static_cast<std::uint32_t>(start_ms));
}

// The time test below the top of the search: a position may still be
// searched while the elapsed time does not exceed the budget; exactly the
// budget still passes.
inline bool within_budget(double budget_ms, std::int32_t start_ms, std::int32_t now_ms) {
    return budget_ms >= static_cast<double>(elapsed_ms(start_ms, now_ms));
}

// The time test at the top: the search goes on only while the elapsed time
// is below the budget; reaching it stops the search.
inline bool below_budget(double budget_ms, std::int32_t start_ms, std::int32_t now_ms) {
    return budget_ms > static_cast<double>(elapsed_ms(start_ms, now_ms));
}

}  // namespace tolp
