// Figures for the layered solver, printed in one run: for the start of each
// game from n = 30 to 36, the legal sets swept, the wall time, nanoseconds
// per legal set, and the peak memory against the estimate made beforehand.
//
// Usage: tolp_solver_bench [threads]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "analysis/layered_solver.hpp"

namespace {

tolp::analysis::SolveOptions with_threads(unsigned threads) {
    tolp::analysis::SolveOptions options;
    options.threads = threads;
    return options;
}

}  // namespace

int main(int argc, char* argv[]) {
    const unsigned threads = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1]))
                                      : std::max(1u, std::thread::hardware_concurrency());
    std::printf("layered solver, start of each game, %u threads\n", threads);
    std::printf("%4s %8s %14s %10s %14s %12s %14s\n", "n", "winner", "legal sets", "seconds",
                "ns/legal set", "peak MiB", "estimate MiB");
    for (std::int32_t n = 30; n <= 36; ++n) {
        const auto position = tolp::analysis::position_after(n, {});
        const auto start = std::chrono::steady_clock::now();
        const auto solution = tolp::analysis::solve(position, with_threads(threads));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%4d %8s %14llu %10.2f %14.3f %12.0f %14.0f\n", n,
                    solution.verdict.side_to_move_wins ? "first" : "second",
                    static_cast<unsigned long long>(solution.legal_sets), seconds,
                    seconds * 1e9 / static_cast<double>(solution.legal_sets),
                    static_cast<double>(solution.peak_bytes) / (1 << 20),
                    static_cast<double>(tolp::analysis::memory_needed(position, threads).resident) / (1 << 20));
    }
    return 0;
}
