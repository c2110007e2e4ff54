// The computer player: an iterative-deepening search for the move to make.
#pragma once

#include <cstdint>
#include <span>

namespace tolp {

// The number the computer takes from `pile` (at least 1) when the numbers
// flagged in `taken` (n+1 flags) are gone. Searches with depth limits 0, 1,
// ... 10, largest number first at the top, until a winning move turns up,
// every move is shown to lose, the limit 10 is completed, or
// seconds_per_move runs out. Leaves the depth reached and the chosen move's
// value in search_state.depth_limit and search_state.move_value.
//
// `taken` is scratch space: on return it is unchanged except that the number
// being searched when the time ran out, or the winning number, stays set.
// At least one number 1..n must be untaken; if none is, 0 is returned.
std::int32_t choose_move(std::int32_t pile, std::int32_t n, std::span<std::int32_t> taken);

}  // namespace tolp
