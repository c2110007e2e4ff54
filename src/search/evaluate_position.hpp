// Depth-limited evaluation of a position for the side to move.
#pragma once

#include <cstdint>
#include <span>

namespace tolp {

// The value of the position with `remaining` tolps left (at least 1) for the
// side to move: WIN, LOSS, UNDECIDED within search_state.depth_limit, or
// TIMED_OUT once seconds_per_move has passed since search_state.search_start_ms.
// `depth` counts the moves since the top of the search (0 right after a
// top-level move). Only numbers from search_state.available_moves that are
// untaken in `taken` (n+1 flags) are tried, ascending, and never one that
// would take the last tolp. `taken` is the same on return as on entry.
std::int32_t evaluate_position(std::int32_t remaining, std::int32_t depth,
                               std::span<std::int32_t> taken);

}  // namespace tolp
