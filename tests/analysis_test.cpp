// The exact solver as the search's oracle, and the tolp-analyze command.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <sstream>
#include <streambuf>
#include <system_error>

#include "analysis/analyze_command.hpp"
#include "analysis/layered_solver.hpp"
#include "analysis/segments.hpp"
#include "common/rules.hpp"
#include "search/evaluate_position.hpp"
#include "support/memo_solver.hpp"
#include "support/random_positions.hpp"
#include "support/search_fixture.hpp"
#include "tolp/version.hpp"

namespace tolp::testing {
namespace {

class OracleTest : public SearchTest {};

analysis::SolveOptions with_threads(unsigned threads) {
    analysis::SolveOptions options;
    options.threads = threads;
    return options;
}

// Whenever the search claims a position decided, it is decided that way.
TEST_F(OracleTest, DecidedValuesOfTheSearchAreExact) {
    seconds_per_move = NO_TIME_LIMIT;
    std::mt19937 random(5);
    int decided = 0;
    for (int trial = 0; trial < 150; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        RandomPosition p = random_position(random, 2, 14, 1);
        MemoSolver solver(p.n);
        const TakenSet taken = taken_set(p.taken);
        const bool wins = solver.side_to_move_wins(taken);
        const auto winning = solver.winning_moves(taken);
        for (std::int32_t depth_limit = 0; depth_limit <= MAX_DEPTH_LIMIT; ++depth_limit) {
            start_search(p.untaken(), depth_limit);
            const std::int32_t value = evaluate_position(p.pile, 0, p.table);
            if (value != UNDECIDED) {
                ++decided;
                EXPECT_EQ(value == WIN, wins) << "depth limit " << depth_limit;
            }
        }
        auto copy = p.table;
        const Choice choice = choose(p.pile, p.n, copy);
        if (choice.value == WIN) {
            EXPECT_FALSE(solver.side_to_move_wins(taken | bit_of(choice.takes)));
        }
        if (choice.value == LOSS) {
            EXPECT_TRUE(winning.empty());
        }
    }
    EXPECT_GT(decided, 500);  // the comparison is not vacuous
}

TEST_F(OracleTest, FirstMovesAgreeWithPerfectPlay) {
    seconds_per_move = NO_TIME_LIMIT;
    for (std::int32_t n = 2; n <= 12; ++n) {
        auto taken = taken_table(n, {});
        const Choice choice = choose(starting_pile(n), n, taken);
        MemoSolver solver(n);
        ASSERT_NE(choice.value, UNDECIDED) << "n = " << n;
        EXPECT_EQ(choice.value == WIN, solver.side_to_move_wins(0)) << "n = " << n;
        if (choice.value == WIN) {
            EXPECT_FALSE(solver.side_to_move_wins(bit_of(choice.takes))) << "n = " << n;
        }
    }
}

// The layered solver gives the memo solver's verdict: every opening up to
// n = 22, and random positions reached by legal play, with one thread and
// with several.
TEST(LayeredSolverTest, AgreesWithTheMemoSolver) {
    const auto check = [](std::int32_t n, const std::vector<std::int32_t>& taken) {
        MemoSolver memo(n);
        const TakenSet set = taken_set(taken);
        for (const unsigned threads : {1u, 3u}) {
            SCOPED_TRACE("n = " + std::to_string(n) + ", " + std::to_string(taken.size()) + " taken, " +
                         std::to_string(threads) + " threads");
            const auto solution = analysis::solve(analysis::position_after(n, taken), with_threads(threads));
            EXPECT_EQ(solution.verdict.side_to_move_wins, memo.side_to_move_wins(set));
            EXPECT_EQ(solution.verdict.winning_moves, memo.winning_moves(set));
        }
    };
    for (std::int32_t n = 2; n <= 22; ++n) {
        check(n, {});
    }
    std::mt19937 random(40);
    for (int trial = 0; trial < 60; ++trial) {
        const RandomPosition p = random_position(random, 10, 22, 1);
        check(p.n, p.taken);
    }
}

// The estimate of memory is an upper bound of what the sweep really holds,
// and a close one: openings and mid-game positions, the untaken numbers
// sparse and dense, one thread and two.
TEST(LayeredSolverTest, MemoryEstimateBoundsThePeakClosely) {
    std::mt19937 random(36);
    int solved = 0;
    while (solved < 300) {
        const std::int32_t n = std::uniform_int_distribution<std::int32_t>(20, 36)(random);
        const double density = std::uniform_real_distribution<double>(0.0, 0.8)(random);
        std::vector<std::int32_t> order(static_cast<std::size_t>(n));
        std::iota(order.begin(), order.end(), 1);
        std::shuffle(order.begin(), order.end(), random);
        std::vector<std::int32_t> taken;
        std::int32_t pile = starting_pile(n);
        for (const std::int32_t k : order) {
            if (k < pile && std::bernoulli_distribution(density)(random)) {
                taken.push_back(k);
                pile -= k;
            }
        }
        const auto position = analysis::position_after(n, taken);
        const unsigned threads = 1 + static_cast<unsigned>(solved % 2);
        const std::uint64_t estimate = analysis::memory_needed(position, threads).resident;
        if (estimate > (std::uint64_t{24} << 20)) {
            continue;  // kept small, so that three hundred are solved in seconds
        }
        SCOPED_TRACE("n = " + std::to_string(n) + ", " + std::to_string(taken.size()) + " taken, pile " +
                     std::to_string(pile) + ", " + std::to_string(threads) + " threads");
        const std::uint64_t peak = analysis::solve(position, with_threads(threads)).peak_bytes;
        EXPECT_LE(peak, estimate);
        EXPECT_LE(static_cast<double>(estimate), 1.3 * static_cast<double>(peak));
        ++solved;
    }
}

struct Command {
    int status;
    std::string out;
    std::string err;
};

Command analyze(std::vector<std::string_view> args, analysis::Machine machine = {2, 0, false},
                const analysis::SolveOptions& seams = {}) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = analysis::run_analyze(args, out, err, machine, seams);
    return {status, out.str(), err.str()};
}

TEST(AnalyzeCommandTest, Positions) {
    const std::pair<std::vector<std::string_view>, std::string> cases[] = {
        {{"10"}, "n 10, pile 25, taken: none\n"
                 "The other side wins with best play: every move of the side to move loses.\n"},
        {{"10", "5", "2"}, "n 10, pile 18, taken: 2 5\n"
                           "The side to move wins with best play. Winning moves: 1 6\n"},
        {{"3", "1"}, "n 3, pile 1, taken: 1\n"
                     "The other side wins with best play: every move of the side to move loses.\n"},
        {{"--threads=1", "--", "10", "5", "2"}, "n 10, pile 18, taken: 2 5\n"
                           "The side to move wins with best play. Winning moves: 1 6\n"},
        // Beyond the memo solver's reach, checked by a separate brute force:
        // after 1..18 the numbers 19..40 are left, at most nine of them fit
        // in the pile, and taking 30 or more wins.
        {{"40", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16",
          "17", "18"},
         "n 40, pile 229, taken: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18\n"
         "The side to move wins with best play. Winning moves: 30 31 32 33 34 35 36 37 38 39 40\n"},
        {{"40", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16",
          "17"},
         "n 40, pile 247, taken: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17\n"
         "The other side wins with best play: every move of the side to move loses.\n"},
    };
    for (const auto& [args, expected] : cases) {
        SCOPED_TRACE(expected);
        const Command c = analyze(args);
        EXPECT_EQ(c.status, 0);
        EXPECT_EQ(c.out, expected);
        EXPECT_EQ(c.err, "");
    }
}

TEST(AnalyzeCommandTest, TableOfFirstMoves) {
    const std::string table =
        " n  pile  winner  winning first moves\n"
        " 2     1  second  -\n"
        " 3     2  first   1\n"
        " 4     4  first   3\n"
        " 5     6  first   5\n"
        " 6     9  first   4\n"
        " 7    12  first   1 2\n"
        " 8    16  first   5\n"
        " 9    20  first   2 3 4 8\n"
        "10    25  second  -\n";
    for (const auto& args : {std::vector<std::string_view>{"--table", "10"}, {"--table=10"}}) {
        SCOPED_TRACE(args[0]);
        const Command c = analyze(args);
        EXPECT_EQ(c.status, 0);
        EXPECT_EQ(c.out, table);
    }
}

TEST(AnalyzeCommandTest, HelpAndVersion) {
    for (const std::string_view help : {"--help", "-h"}) {
        EXPECT_EQ(analyze({help}).out.rfind("Usage: tolp-analyze [OPTION]... N [TAKEN]...\n", 0), 0u) << help;
    }
    EXPECT_EQ(analyze({"--version"}).out, "tolp-analyze " TOLP_VERSION "\n");
}

// Bad arguments: one line saying why, a pointer to --help, status 2, nothing
// on standard output.
TEST(AnalyzeCommandTest, BadArgumentsAreRefused) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no position given"},
        {{"x"}, "'x' is not a number"},
        {{"10", "3x"}, "'3x' is not a number"},
        {{"1"}, "N must be from 2 to 40, not 1"},
        {{"41"}, "N must be from 2 to 40, not 41"},
        {{"99999999999"}, "99999999999 is out of range; N is from 2 to 40"},
        {{"--table", "-99999999999"}, "-99999999999 is out of range; MAX is from 2 to 40"},
        {{"10", "99999999999"}, "taken number 99999999999 is outside 1..10"},
        // Arguments are shown cut short, and with their control characters escaped.
        {{std::string(100000, '7')}, std::string(40, '7') + "\u2026 is out of range; N is from 2 to 40"},
        {{"\x1b[2J"}, "'\\x1b[2J' is not a number"},
        {{"--\x1b[2J"}, "unknown option --\\x1b[2J"},
        {{"10", "11"}, "taken number 11 is outside 1..10"},
        {{"10", "0"}, "taken number 0 is outside 1..10"},
        {{"--", "10", "-1"}, "taken number -1 is outside 1..10"},
        {{"10", "-1"}, "unknown option -1"},
        {{"10", "3", "3"}, "taken number 3 is given twice"},
        {{"4", "1", "3"}, "the numbers taken leave no tolps (pile 0): the game is over"},
        {{"--table"}, "--table needs a number, MAX"},
        {{"--table", "41"}, "MAX must be from 2 to 40, not 41"},
        {{"--table", "10", "3"}, "--table takes one number, MAX, and no position"},
        {{"--threads", "0", "10"}, "--threads needs a number from 1 to 1024"},
        {{"--memory=lots", "10"}, "--memory needs a size such as 4G, 512M or 1000000"},
        {{"--help=x"}, "--help takes no value"},
        {{"--bogus"}, "unknown option --bogus"},
    };
    for (const auto& [args, reason] : cases) {
        const Command c = analyze({args.begin(), args.end()});
        EXPECT_EQ(c.status, 2) << reason;
        EXPECT_EQ(c.out, "") << reason;
        EXPECT_EQ(c.err, "tolp-analyze: " + reason + "\nTry 'tolp-analyze --help'\n");
    }
}

// A run that needs more memory than it may have is refused before it
// starts, with what it would need.
TEST(AnalyzeCommandTest, RunsThatWouldNotFitAreRefused) {
    const std::pair<Command, std::string> cases[] = {
        {analyze({"--memory", "64M", "36"}),
         "tolp-analyze: n = 36 needs about 1.3 GiB of memory, more than the limit of 64 MiB (--memory)\n"},
        // In mid-game, segments hold few legal sets: they are counted as they are.
        {analyze({"--memory", "64M", "40", "36", "37", "38", "39", "40"}),
         "tolp-analyze: n = 40 needs about 360 MiB of memory, more than the limit of 64 MiB (--memory)\n"},
        {analyze({"36"}, {2, std::uint64_t{512} << 20, false}),
         "tolp-analyze: n = 36 needs about 1.3 GiB of memory, more than the 512 MiB this machine has free\n"},
        // The address space a run needs, against what ulimit -v leaves.
        {analyze({"36"}, {2, 0, false, analysis::MEMORY_AVAILABLE, std::uint64_t{512} << 20}),
         "tolp-analyze: n = 36 needs about 1.4 GiB of address space, more than the 512 MiB this process may "
         "still map (ulimit -v)\n"},
        // A limit other than the free memory is named.
        {analyze({"36"}, {2, std::uint64_t{1} << 30, false, analysis::CGROUP_MEMORY_LIMIT}),
         "tolp-analyze: n = 36 needs about 1.3 GiB of memory, more than the 1.0 GiB this process may use "
         "(cgroup memory limit)\n"},
        {analyze({"--table", "36"}, {2, std::uint64_t{1} << 30, false, analysis::JOB_MEMORY_LIMIT}),
         "tolp-analyze: n = 36 needs about 1.3 GiB of memory, more than the 1.0 GiB this process may use "
         "(job memory limit)\n"},
        // The table is refused before its first line: its last game needs the most.
        {analyze({"--table", "40", "--memory", "1G"}, {2, 0, false}),
         "tolp-analyze: n = 40 needs about 18.9 GiB of memory, more than the limit of 1.0 GiB (--memory)\n"},
    };
    for (const auto& [c, said] : cases) {
        SCOPED_TRACE(said);
        EXPECT_EQ(c.status, 1);
        EXPECT_EQ(c.out, "");
        EXPECT_EQ(c.err, said);
    }
    // Exactly the estimate is enough; a byte less is not.
    const auto needed = analysis::memory_needed(analysis::position_after(20, {}), 2).resident;
    const std::string enough = std::to_string(needed);
    const std::string too_little = std::to_string(needed - 1);
    EXPECT_EQ(analyze({"--memory", enough, "20"}).status, 0);
    EXPECT_EQ(analyze({"--memory", too_little, "20"}).status, 1);
    EXPECT_EQ(analyze({"20"}, {2, needed, false}).status, 0);
    EXPECT_EQ(analyze({"20"}, {2, needed - 1, false}).status, 1);
}

// Output that fails stops the table at once: no further game is solved
// after the first line that could not be written. (Once a stream has
// failed, it writes nothing more, so what the table goes on to solve shows
// only in the segments it asks for: n = 2 needs one, n = 26 a second.)
TEST(AnalyzeCommandTest, TableStopsAtTheFirstLineThatCannotBeWritten) {
    class FailingOutput : public std::streambuf {
    protected:
        std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
        int sync() override { return -1; }  // as a full disk or a closed pipe answers
    };
    FailingOutput failing;
    std::ostream out(&failing);
    std::ostringstream err;
    int allocations = 0;
    analysis::SegmentCache cache([&] {
        ++allocations;
        return analysis::SegmentMemory::allocate();
    });
    analysis::SolveOptions seams;
    seams.cache = &cache;
    const std::vector<std::string_view> args{"--table", "30"};
    EXPECT_EQ(analysis::run_analyze(args, out, err, {2, 0, false}, seams), 0);  // the program reports the failure
    EXPECT_EQ(allocations, 1);
    EXPECT_EQ(err.str(), "");
}

// A failure in any thread ends the run: memory that cannot be had, or a
// thread that cannot be started, at the k-th attempt. Every thread stops,
// and the command says why in one line, with status 1 and no result.
TEST(AnalyzeCommandTest, FailuresInAnyThreadEndTheRun) {
    struct Case {
        int failing_allocation;  // 0: none fails
        int failing_thread;      // 0: none fails
        std::string said;
    };
    const std::string no_memory = "tolp-analyze: out of memory\n";
    const std::string no_thread = "tolp-analyze: cannot start a thread: " +
                                  std::make_error_code(std::errc::resource_unavailable_try_again).message() + "\n";
    const Case cases[] = {
        {1, 0, no_memory}, {3, 0, no_memory}, {0, 1, no_thread}, {0, 2, no_thread},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("allocation " + std::to_string(c.failing_allocation) + ", thread " +
                     std::to_string(c.failing_thread));
        int allocations = 0;
        analysis::SegmentCache cache([&] {
            if (++allocations == c.failing_allocation) {
                throw std::bad_alloc();
            }
            return analysis::SegmentMemory::allocate();
        });
        int threads = 0;
        analysis::SolveOptions seams;
        seams.cache = &cache;
        seams.start_thread = [&](std::function<void()> job) {
            if (++threads == c.failing_thread) {
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            }
            return std::jthread(std::move(job));
        };
        const Command run = analyze({"--threads", "3", "28"}, {2, 0, false}, seams);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.said);
    }
}

}  // namespace
}  // namespace tolp::testing
