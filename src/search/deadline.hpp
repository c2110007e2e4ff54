// The search's time test in the clock's own units: one comparison of a raw
// reading per position, with the answers of the millisecond test.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>

#include "search/clock.hpp"

namespace tolp {

// Answers within_budget(budget_ms, start_ms, clock_ms_at(now)) for raw
// system-clock readings `now` that never run backwards. A reading before
// `recheck_at` is known to pass; the first one at or after it is put to the
// millisecond test itself, which then tells when to look again: at the
// first millisecond that can fail, or never when none can. So the rounding
// to milliseconds, the 32-bit wrap and "equal still passes" are the
// millisecond test's own, and the hot path converts nothing.
class Deadline {
public:
    Deadline(double budget_ms, std::int32_t start_ms) : budget_ms_(budget_ms), start_ms_(start_ms) {}

    bool passes(SearchClock::time_point now) {
        if (now < recheck_at_) [[likely]] {
            return true;
        }
        return recheck(now);
    }

private:
    bool recheck(SearchClock::time_point now) {
        const std::int32_t now_ms = clock_ms_at(now);
        if (!within_budget(budget_ms_, start_ms_, now_ms)) {
            return false;
        }
        // Elapsed times up to LARGEST_ELAPSED_MS all pass a budget that large.
        constexpr double LARGEST_ELAPSED_MS = std::numeric_limits<std::int32_t>::max();
        if (budget_ms_ >= LARGEST_ELAPSED_MS) {
            recheck_at_ = SearchClock::time_point::max();
            return true;
        }
        // Passing, so budget_ms_ >= elapsed; while elapsed is not negative,
        // every millisecond up to floor(budget) passes too. Past the 32-bit
        // wrap (elapsed negative) look again at the next millisecond.
        const std::int32_t elapsed = elapsed_ms(start_ms_, now_ms);
        const std::int64_t passing_ms =
            elapsed >= 0 ? static_cast<std::int64_t>(budget_ms_) - elapsed + 1 : 1;
        const auto since_start = std::chrono::duration_cast<std::chrono::milliseconds>(
            now - detail::program_start);
        recheck_at_ = detail::program_start + since_start + std::chrono::milliseconds(passing_ms);
        return true;
    }

    double budget_ms_;
    std::int32_t start_ms_;
    SearchClock::time_point recheck_at_ = SearchClock::time_point::min();
};

}  // namespace tolp
