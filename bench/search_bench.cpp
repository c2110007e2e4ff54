// Figures for the computer player's speed, printed in one run: the cost of a
// position in raw clock readings (the floor, since every position reads the
// clock once), how closely first moves keep
// to the default time limit, and the memory of a game at the largest n.
//
// Usage: tolp_bench [path to the tolp program, for the memory figure]
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "common/rules.hpp"
#include "search/choose_move.hpp"
#include "search/clock.hpp"
#include "search/search_state.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string cpu_name() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown";
}

// Nanoseconds per call of `read`, the best of several rounds.
template <class Read>
double reading_ns(Read read) {
    constexpr int READINGS = 500'000;
    double best = std::numeric_limits<double>::infinity();
    for (int round = 0; round < 5; ++round) {
        std::int64_t sink = 0;
        const auto start = Clock::now();
        for (int i = 0; i < READINGS; ++i) {
            sink ^= read();
        }
        best = std::min(best, seconds_since(start) * 1e9 / READINGS);
        if (sink == 42) {
            std::puts("");
        }
    }
    return best;
}

struct FullSearch {
    std::int64_t calls;
    double ns_per_call;
    double readings_per_call;
    std::int32_t takes, depth, value;
};

double raw_reading_ns() {
    return reading_ns([] { return tolp::SearchClock::now().time_since_epoch().count(); });
}

// The complete first-move search of a game, time never running out: the
// positions counted in one run, then `rounds` uncounted runs, as the game
// searches, each next to a fresh measurement of a clock reading, so that a
// busy moment of the machine weighs on both sides of the ratio. The best
// round counts.
FullSearch full_first_move_search(std::int32_t n, int rounds) {
    tolp::seconds_per_move = std::numeric_limits<double>::infinity();
    FullSearch best{0, std::numeric_limits<double>::infinity(),
                    std::numeric_limits<double>::infinity(), 0, 0, 0};
    tolp::count_positions = true;
    std::vector<std::int32_t> taken(static_cast<std::size_t>(n) + 1, 0);
    best.takes = tolp::choose_move(tolp::starting_pile(n), n, taken);
    best.calls = tolp::evaluate_calls;
    best.depth = tolp::search_state.depth_limit;
    best.value = tolp::search_state.move_value;
    tolp::count_positions = false;
    for (int round = 0; round < rounds; ++round) {
        const double clock_ns = raw_reading_ns();
        std::fill(taken.begin(), taken.end(), 0);
        const auto start = Clock::now();
        tolp::choose_move(tolp::starting_pile(n), n, taken);
        const double ns = seconds_since(start) * 1e9 / static_cast<double>(best.calls);
        best.ns_per_call = std::min(best.ns_per_call, ns);
        best.readings_per_call = std::min(best.readings_per_call, ns / clock_ns);
    }
    return best;
}

// Wall time of the first move of a game under the default limit.
double timed_first_move_ms(std::int32_t n) {
    tolp::seconds_per_move = tolp::DEFAULT_SECONDS_PER_MOVE;
    std::vector<std::int32_t> taken(static_cast<std::size_t>(n) + 1, 0);
    const auto start = Clock::now();
    tolp::choose_move(tolp::starting_pile(n), n, taken);
    return seconds_since(start) * 1e3;
}

// Peak resident memory of the program playing n = 46340: the computer moves
// first, the user answers twice, then the input ends.
long game_peak_kib(const char* program) {
    int in[2];
    if (pipe(in) != 0) {
        return -1;
    }
    std::fflush(stdout);  // or the child would print our buffered lines again
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        close(in[0]);
        close(in[1]);
        std::freopen("/dev/null", "w", stdout);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    const char answers[] = "46340\nc\n1\n2\n";
    [[maybe_unused]] const auto written = write(in[1], answers, sizeof answers - 1);
    close(in[1]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char* argv[]) {
    utsname machine{};
    uname(&machine);
    std::printf("machine: %s, %ld cores, %s %s\n\n", cpu_name().c_str(),
                sysconf(_SC_NPROCESSORS_ONLN), machine.sysname, machine.release);

    // The floor of a position's cost is one raw reading of the system
    // clock; clock_ms() adds the conversion to milliseconds.
    const double raw_ns = raw_reading_ns();
    const double clock_ns = reading_ns([] { return std::int64_t{tolp::clock_ms()}; });
    std::printf("one reading of the system clock: %.1f ns; one clock_ms(): %.1f ns\n\n", raw_ns, clock_ns);

    std::printf("complete first-move search (unlimited time), best of rounds\n");
    std::printf("%4s %12s %10s %18s %24s\n", "n", "positions", "ns each", "readings each", "takes/depth/value");
    for (const auto& [n, rounds] : {std::pair{13, 40}, std::pair{16, 10}}) {
        const FullSearch s = full_first_move_search(n, rounds);
        std::printf("%4d %12lld %10.1f %18.2f %16d/%d/%d\n", n, static_cast<long long>(s.calls),
                    s.ns_per_call, s.readings_per_call, s.takes, s.depth, s.value);
    }

    std::printf("\nfirst move under the default limit of 950 ms\n");
    std::printf("%6s %10s %12s\n", "n", "wall ms", "overshoot ms");
    for (const std::int32_t n : {16, 20, 100, 1000, 46340}) {
        const double ms = timed_first_move_ms(n);
        std::printf("%6d %10.2f %12.2f\n", n, ms, ms - 950.0);
    }

    const char* program = argc > 1 ? argv[1] : nullptr;
    if (program != nullptr) {
        std::printf("\npeak memory of a game at n = 46340 (three moves): %ld KiB\n",
                    game_peak_kib(program));
    }
    return 0;
}
