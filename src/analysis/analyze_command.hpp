// The tolp-analyze command: who wins a position with perfect play, and the
// table of who wins each game from the start.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string_view>

#include "analysis/layered_solver.hpp"

namespace tolp::analysis {

// What the command may use of the machine it runs on.
struct Machine {
    unsigned cores = 1;
    std::uint64_t memory_available = 0;  // bytes; 0 when unknown
    bool progress_to_terminal = false;   // `err` is a terminal: show progress there
};

// The machine this process runs on.
Machine this_machine();

// Runs `tolp-analyze args...` (args without the program's name), writing
// results to `out`, and errors and progress to `err`. Returns the exit
// status: 0; 1 when the run would need more memory than it may have, runs
// out of it, or cannot start a thread; 2 for bad arguments. `seams` are
// the solver's seams (where memory and threads come from): tests hand in
// failing ones.
int run_analyze(std::span<const std::string_view> args, std::ostream& out, std::ostream& err,
                const Machine& machine, const SolveOptions& seams = {});

}  // namespace tolp::analysis
