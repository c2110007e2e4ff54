// A game as it was played: n, who moved first and the numbers taken in turn.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tolp::analysis {

// One move. A transcript does not always show the number taken (the last
// move of the person playing, before "I win" or before the computer's last
// take); then the move is known only to lie in smallest..largest, and only
// untaken numbers there can have been it.
struct PlayedMove {
    std::int32_t smallest;
    std::int32_t largest;

    static PlayedMove taking(std::int32_t k) { return {k, k}; }
    bool known() const { return smallest == largest; }
    bool operator==(const PlayedMove&) const = default;
};

struct PlayedGame {
    std::int32_t n = 0;
    // Whether the computer moved first, when the game was played against
    // it; empty for a game given as its moves alone.
    std::optional<bool> computer_first;
    std::vector<PlayedMove> moves;  // first mover's first, the reply, ...

    bool operator==(const PlayedGame&) const = default;
};

}  // namespace tolp::analysis
