// The search below the top level. Two walks of the same tree: one over a bit
// set of the untaken numbers, for games whose numbers all fit in 64 bits, and
// one over the `taken` table for larger games. Both visit the same positions
// in the same order and read the clock once per position.
#include "search/evaluate_position.hpp"

#include <bit>

#include "search/clock.hpp"
#include "search/search_state.hpp"

namespace tolp {
namespace {

// What stays fixed for the whole of one evaluation.
struct Limits {
    double budget_ms;  // seconds_per_move in milliseconds
    std::int32_t start_ms;
    std::int32_t depth_limit;
};

// A position may still be searched while the elapsed time does not exceed the
// budget; exactly the budget still passes.
bool within_budget(const Limits& limits) {
    const auto elapsed = elapsed_ms(limits.start_ms, clock_ms());
    return limits.budget_ms >= static_cast<double>(elapsed);
}

// Number m lives in bit m - 1, so numbers 1..64 fit.
constexpr std::int32_t LARGEST_BIT_MOVE = 64;

constexpr std::uint64_t bit_of(std::int32_t m) { return std::uint64_t{1} << (m - 1); }

// The numbers 1..remaining-1: those that leave at least one tolp.
constexpr std::uint64_t numbers_below(std::int32_t remaining) {
    if (remaining <= 1) {
        return 0;
    }
    if (remaining > LARGEST_BIT_MOVE) {
        return ~std::uint64_t{0};
    }
    return bit_of(remaining) - 1;
}

std::int32_t evaluate_bits(std::int32_t remaining, std::int32_t depth, std::uint64_t untaken,
                           const Limits& limits) {
    ++evaluate_calls;
    if (!within_budget(limits)) {
        return TIMED_OUT;
    }
    std::uint64_t moves = untaken & numbers_below(remaining);
    if (moves == 0) {
        return LOSS;  // only numbers that take the last tolp are left
    }
    if (depth == limits.depth_limit) {
        return UNDECIDED;  // a move exists; the horizon hides its outcome
    }
    std::int32_t result = LOSS;
    do {
        const std::uint64_t move_bit = moves & -moves;  // the smallest number first
        const auto m = static_cast<std::int32_t>(std::countr_zero(move_bit)) + 1;
        const std::int32_t r = -evaluate_bits(remaining - m, depth + 1, untaken ^ move_bit, limits);
        if (r == -TIMED_OUT) {
            return TIMED_OUT;
        }
        if (r == WIN) {
            return WIN;
        }
        if (r == UNDECIDED) {
            result = UNDECIDED;
        }
        moves ^= move_bit;
    } while (moves != 0);
    return result;
}

std::int32_t evaluate_table(std::int32_t remaining, std::int32_t depth, std::int32_t* taken,
                            std::span<const std::int32_t> available, const Limits& limits) {
    ++evaluate_calls;
    if (!within_budget(limits)) {
        return TIMED_OUT;
    }
    std::int32_t result = LOSS;
    for (const std::int32_t m : available) {
        if (m >= remaining) {
            break;  // ascending: every later number takes the last tolp too
        }
        if (taken[m] != 0) {
            continue;
        }
        if (depth == limits.depth_limit) {
            return UNDECIDED;  // a move exists; the horizon hides its outcome
        }
        taken[m] = 1;
        const std::int32_t r = -evaluate_table(remaining - m, depth + 1, taken, available, limits);
        taken[m] = 0;
        if (r == -TIMED_OUT) {
            return TIMED_OUT;
        }
        if (r == WIN) {
            return WIN;
        }
        if (r == UNDECIDED) {
            result = UNDECIDED;
        }
    }
    return result;
}

}  // namespace

std::int32_t evaluate_position(std::int32_t remaining, std::int32_t depth,
                               std::span<std::int32_t> taken) {
    const Limits limits{seconds_per_move * 1000.0, search_state.search_start_ms,
                        search_state.depth_limit};
    const std::span<const std::int32_t> available(search_state.available_moves.data(),
                                                  static_cast<std::size_t>(search_state.move_count));
    if (available.empty() || available.back() <= LARGEST_BIT_MOVE) {
        std::uint64_t untaken = 0;
        for (const std::int32_t m : available) {
            if (taken[static_cast<std::size_t>(m)] == 0) {
                untaken |= bit_of(m);
            }
        }
        return evaluate_bits(remaining, depth, untaken, limits);
    }
    return evaluate_table(remaining, depth, taken.data(), available, limits);
}

}  // namespace tolp
