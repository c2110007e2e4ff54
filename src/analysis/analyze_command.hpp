// The tolp-analyze command: who wins a position with perfect play, and the
// table of who wins each game from the start.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

#include "analysis/machine.hpp"

namespace tolp::analysis {

// Runs `tolp-analyze args...` (args without the program's name), writing
// results to `out`, and errors and progress to `err`. Returns the exit
// status: 0; 1 when the run would need more memory than it may have; 2 for
// bad arguments.
int run_analyze(std::span<const std::string_view> args, std::ostream& out, std::ostream& err,
                const Machine& machine);

}  // namespace tolp::analysis
