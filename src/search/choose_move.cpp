// Move choice at the top of the search: iterative deepening over the untaken
// numbers, keeping each top-level move's value from one iteration to the next.
#include "search/choose_move.hpp"

#include <vector>

#include "search/clock.hpp"
#include "search/evaluate_position.hpp"
#include "search/search_state.hpp"

namespace tolp {
namespace {

// The search's lists live only as long as one call of choose_move.
void release_lists(SearchState& s) {
    std::vector<std::int32_t>{}.swap(s.available_moves);
    std::vector<std::int32_t>{}.swap(s.root_values);
    s.move_count = 0;
}

// Tables indexed directly by move number: `taken` and `root_values`.
std::int32_t& entry(std::span<std::int32_t> table, std::int32_t m) {
    return table[static_cast<std::size_t>(m)];
}

// The best move and its value, carried from one iteration to the next.
struct Best {
    std::int32_t value;
    std::int32_t move;
};

// After the move held best is shown to lose, the best is found again among
// every move's stored value. Ties go to the larger number.
Best best_stored(SearchState& s) {
    const std::span<std::int32_t> values(s.root_values);
    Best best{LOSS, s.available_moves.front()};
    for (const std::int32_t m : s.available_moves) {
        if (entry(values, m) >= best.value) {
            best = {entry(values, m), m};
        }
    }
    return best;
}

enum class IterationEnd { completed, stopped };

// One iteration at search_state.depth_limit, largest number first. Stops the
// whole search when the time runs out or a winning move is found.
IterationEnd run_iteration(std::int32_t pile, std::span<std::int32_t> taken, double budget_ms,
                           Best& best) {
    SearchState& s = search_state;
    for (auto next = s.available_moves.rbegin(); next != s.available_moves.rend(); ++next) {
        const std::int32_t m = *next;
        std::int32_t& stored = entry(s.root_values, m);
        if (stored != UNDECIDED) {
            continue;  // shown to lose in an earlier iteration
        }
        entry(taken, m) = 1;
        const std::int32_t v = m >= pile ? LOSS : -evaluate_position(pile - m, 0, taken);
        // The top level stops once the budget is reached, not only exceeded.
        if (!below_budget(budget_ms, s.search_start_ms, clock_ms())) {
            return IterationEnd::stopped;
        }
        stored = v;
        if (m == best.move && v == LOSS) {
            best = best_stored(s);
        }
        if (v >= best.value) {
            best = {v, m};  // ties go to the move evaluated last, the smaller
        }
        if (v == WIN) {
            return IterationEnd::stopped;
        }
        entry(taken, m) = 0;
    }
    return IterationEnd::completed;
}

}  // namespace

std::int32_t choose_move(std::int32_t pile, std::int32_t n, std::span<std::int32_t> taken) {
    SearchState& s = search_state;
    s.search_start_ms = clock_ms();
    evaluate_calls = 0;
    s.available_moves.clear();
    s.available_moves.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
    s.root_values.assign(static_cast<std::size_t>(n > 0 ? n + 1 : 1), UNDECIDED);
    for (std::int32_t k = 1; k <= n; ++k) {
        if (entry(taken, k) == 0) {
            s.available_moves.push_back(k);
        }
    }
    s.move_count = static_cast<std::int32_t>(s.available_moves.size());
    s.depth_limit = 0;
    s.move_value = UNDECIDED;
    if (s.move_count == 0) {
        release_lists(s);
        return 0;
    }

    const double budget_ms = seconds_per_move * 1000.0;
    Best best{LOSS, s.available_moves.front()};
    while (run_iteration(pile, taken, budget_ms, best) == IterationEnd::completed) {
        if (best.value == LOSS) {
            break;  // every move loses
        }
        if (++s.depth_limit > MAX_DEPTH_LIMIT) {
            break;  // every iteration ran; the counter stands one past the last
        }
    }

    s.move_value = entry(s.root_values, best.move);
    release_lists(s);
    return best.move;
}

}  // namespace tolp
