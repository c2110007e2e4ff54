// The progress line: its text, its erasure, and the signal handlers that
// erase it before the process dies of Ctrl-C or SIGTERM.
#include "analysis/progress_line.hpp"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tolp::analysis {
namespace {

// Progress shows once a run has taken this long, on a line that stays below
// 40 columns, so that it never wraps on any usual terminal: at most
// "n = 46340: layer 32/32, 100%, 999999 s".
constexpr double SHOW_AFTER_SECONDS = 1.0;
constexpr std::size_t WIDTH = 39;

// Blank, then back to the start of the line: what erases the progress.
constexpr char ERASE[] = "\r                                       \r";
static_assert(sizeof ERASE - 1 == WIDTH + 2);

volatile std::sig_atomic_t line_on_screen = 0;

extern "C" void erase_and_die(int signal) {
    if (line_on_screen != 0) {
#ifdef _WIN32
        [[maybe_unused]] const int written = _write(2, ERASE, sizeof ERASE - 1);
#else
        [[maybe_unused]] const auto written = write(STDERR_FILENO, ERASE, sizeof ERASE - 1);
#endif
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);  // dies of the signal, as it would have without the line
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& err, bool to_terminal, std::int32_t n)
    : err_(err), to_terminal_(to_terminal), n_(n) {}

ProgressLine::~ProgressLine() {
    if (shown_) {
        line_on_screen = 0;
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        err_ << ERASE << std::flush;
    }
}

void ProgressLine::show(const Progress& progress, double seconds) {
    if (!to_terminal_ || seconds < SHOW_AFTER_SECONDS) {
        return;
    }
    if (!shown_) {
        shown_ = true;
        std::signal(SIGINT, erase_and_die);
        std::signal(SIGTERM, erase_and_die);
    }
    const auto percent = static_cast<int>(100 * progress.done / std::max<std::uint64_t>(1, progress.total));
    char text[64];
    std::snprintf(text, sizeof text, "n = %d: layer %zu/%zu, %3d%%, %.0f s", n_, progress.layer,
                  progress.layers, percent, std::min(seconds, 999999.0));
    std::string line = "\r";
    line.append(text).append(WIDTH - std::min(WIDTH, line.size() - 1), ' ');
    line_on_screen = 1;  // before the line: a signal at any point of its writing erases it
    err_ << line << std::flush;
}

}  // namespace tolp::analysis
