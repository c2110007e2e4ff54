// The progress of a long run, shown on standard error when that is a
// terminal: one short line rewritten in place, blanked out when the run
// ends, fails, or is stopped by Ctrl-C or SIGTERM.
#pragma once

#include <cstdint>
#include <ostream>

#include "analysis/layered_solver.hpp"

namespace tolp::analysis {

class ProgressLine {
public:
    // `to_terminal`: `err` is the process's standard error on a terminal,
    // so the line is shown and a signal blanks it out before the process
    // dies of it. Otherwise nothing is shown.
    ProgressLine(std::ostream& err, bool to_terminal, std::int32_t n);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows where the sweep stands, once the run has taken a second.
    void show(const Progress& progress, double seconds);

private:
    std::ostream& err_;
    bool to_terminal_;
    std::int32_t n_;
    bool shown_ = false;
};

}  // namespace tolp::analysis
