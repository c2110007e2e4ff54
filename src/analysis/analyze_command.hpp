// The tolp-analyze command: who wins a position with perfect play, and the
// table of who wins each game from the start.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string_view>

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
// status: 0; 1 when the run would need more memory than it may have; 2 for
// bad arguments.
int run_analyze(std::span<const std::string_view> args, std::ostream& out, std::ostream& err,
                const Machine& machine);

}  // namespace tolp::analysis
