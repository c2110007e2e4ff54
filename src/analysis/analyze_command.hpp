// The tolp-analyze command: who wins a position with perfect play, and the
// table of who wins each game from the start.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

#include "analysis/layered_solver.hpp"
#include "analysis/machine.hpp"

namespace tolp::analysis {

// Runs `tolp-analyze args...` (args without the program's name), writing
// results to `out`, and errors and progress to `err`. Returns the exit
// status: 0; 1 when the run would need more memory than it may have, runs
// out of it, or cannot start a thread; 2 for bad arguments. `seams` are
// the solver's seams (where memory and threads come from): tests hand in
// failing ones.
int run_analyze(std::span<const std::string_view> args, std::ostream& out, std::ostream& err,
                const Machine& machine, const SolveOptions& seams = {});

}  // namespace tolp::analysis
