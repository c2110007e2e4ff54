// The computer player's process-wide state: the time limit per move, the
// record of the current search, and the value codes that positions take.
#pragma once

#include <cstdint>
#include <vector>

namespace tolp {

// Position values, always from the point of view of the side to move.
inline constexpr std::int32_t WIN = 1;
inline constexpr std::int32_t UNDECIDED = 0;
inline constexpr std::int32_t LOSS = -1;
// Returned when the time budget is spent. Negated on the way up it becomes
// -4, which never mixes with the three real values above.
inline constexpr std::int32_t TIMED_OUT = 4;

// The deepest iteration the search runs; a search that completes it reports
// one more than this.
inline constexpr std::int32_t MAX_DEPTH_LIMIT = 10;

inline constexpr double DEFAULT_SECONDS_PER_MOVE = 0.95;

// Seconds the computer may spend on one move; set once at start-up.
inline double seconds_per_move = DEFAULT_SECONDS_PER_MOVE;

struct SearchState {
    std::vector<std::int32_t> available_moves;  // untaken numbers at the start, ascending
    std::int32_t move_count = 0;                // entries in available_moves
    std::int32_t depth_limit = 0;               // depth of the current iteration (11 when all ran)
    std::int32_t search_start_ms = 0;           // clock_ms() when the search started
    std::vector<std::int32_t> root_values;      // value so far of each top-level move, by number
    std::int32_t move_value = 0;                // value of the move choose_move returned
};

// Filled anew by every choose_move; depth_limit and move_value stay readable
// until the next one.
inline SearchState search_state;

// Positions visited by evaluate_position since the counter was last reset
// (choose_move resets it), counted while count_positions is set: a
// signature of the search's shape that any change must preserve unless it
// means to change play. Tests and benchmarks set it; the game leaves it off
// and pays nothing for it. A clock driven through the seam counts too.
inline bool count_positions = false;
inline std::int64_t evaluate_calls = 0;

}  // namespace tolp
