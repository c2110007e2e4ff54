// `tolp-analyze --review`: a played game from its transcript or its moves,
// reviewed with perfect play.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "analysis/layered_solver.hpp"

namespace tolp::analysis {

// Solves a position of a game of size n, or says it is beyond the solver.
using SolveInGame = std::function<std::optional<Verdict>(std::int32_t n, const Position&)>;

// Why a review was refused: a one-line reason and the exit status (1 when
// the transcript cannot be read, 2 when it or the moves are not a game).
struct ReviewFailure {
    std::string reason;
    int status;
    bool bad_arguments;  // the command line was wrong, rather than the game
};

// Reviews the game that `operands` give: [FILE] (standard input when absent
// or "-"), or with `as_moves` N K1 K2 ... Writes nothing to `out` unless the
// whole review succeeds.
std::optional<ReviewFailure> run_review(std::span<const std::string_view> operands, bool as_moves,
                                        std::istream& standard_input, const SolveInGame& solve,
                                        std::ostream& out);

}  // namespace tolp::analysis
