// The exact solver as the search's oracle, and the tolp-analyze command.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "analysis/analyze_command.hpp"
#include "analysis/layered_solver.hpp"
#include "analysis/solver.hpp"
#include "search/clock.hpp"
#include "search/evaluate_position.hpp"
#include "support/search_fixture.hpp"
#include "tolp/version.hpp"

namespace tolp::testing {
namespace {

using analysis::bit_of;
using analysis::Solver;
using analysis::TakenSet;

class OracleTest : public SearchTest {};

// A position reached by random legal play from the start of a game.
struct Position {
    std::int32_t n;
    std::int32_t pile;
    TakenSet taken;
    std::vector<std::int32_t> table;
};

Position random_position(std::mt19937& random) {
    const std::int32_t n = std::uniform_int_distribution<std::int32_t>(2, 14)(random);
    Position p{n, n * n / 4, 0, taken_table(n, {})};
    const int moves = std::uniform_int_distribution<int>(n >= 13 ? 1 : 0, n / 2)(random);
    for (int i = 0; i < moves; ++i) {
        std::vector<std::int32_t> legal;
        for (std::int32_t m = 1; m < p.pile && m <= n; ++m) {
            if ((p.taken & bit_of(m)) == 0) {
                legal.push_back(m);
            }
        }
        if (legal.empty()) {
            break;  // every number left takes the last tolp
        }
        const std::int32_t m = legal[random() % legal.size()];
        p.taken |= bit_of(m);
        p.table[static_cast<std::size_t>(m)] = 1;
        p.pile -= m;
    }
    return p;
}

// Whenever the search claims a position decided, it is decided that way.
TEST_F(OracleTest, DecidedValuesOfTheSearchAreExact) {
    seconds_per_move = NO_TIME_LIMIT;
    std::mt19937 random(5);
    int decided = 0;
    for (int trial = 0; trial < 150; ++trial) {
        Position p = random_position(random);
        Solver solver(p.n);
        const bool wins = solver.side_to_move_wins(p.taken);
        const auto winning = solver.winning_moves(p.taken);
        for (std::int32_t depth_limit = 0; depth_limit <= MAX_DEPTH_LIMIT; ++depth_limit) {
            search_state.available_moves.clear();
            for (std::int32_t m = 1; m <= p.n; ++m) {
                if (p.table[static_cast<std::size_t>(m)] == 0) {
                    search_state.available_moves.push_back(m);
                }
            }
            search_state.move_count = static_cast<std::int32_t>(search_state.available_moves.size());
            search_state.depth_limit = depth_limit;
            search_state.search_start_ms = clock_ms();
            const std::int32_t value = evaluate_position(p.pile, 0, p.table);
            if (value != UNDECIDED) {
                ++decided;
                EXPECT_EQ(value == WIN, wins) << "trial " << trial << ", depth limit " << depth_limit;
            }
        }
        auto copy = p.table;
        const Choice choice = choose(p.pile, p.n, copy);
        if (choice.value == WIN) {
            EXPECT_FALSE(solver.side_to_move_wins(p.taken | bit_of(choice.takes))) << "trial " << trial;
        }
        if (choice.value == LOSS) {
            EXPECT_TRUE(winning.empty()) << "trial " << trial;
        }
    }
    EXPECT_GT(decided, 500);  // the comparison is not vacuous
}

TEST_F(OracleTest, FirstMovesAgreeWithPerfectPlay) {
    seconds_per_move = NO_TIME_LIMIT;
    for (std::int32_t n = 2; n <= 12; ++n) {
        auto taken = taken_table(n, {});
        const Choice choice = choose(n * n / 4, n, taken);
        Solver solver(n);
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
        Solver memo(n);
        const TakenSet set = analysis::taken_set(taken);
        for (const unsigned threads : {1u, 3u}) {
            const auto solution = analysis::solve(analysis::position_after(n, taken), {threads, {}});
            EXPECT_EQ(solution.verdict.side_to_move_wins, memo.side_to_move_wins(set))
                << "n = " << n << ", " << taken.size() << " taken, " << threads << " threads";
            EXPECT_EQ(solution.verdict.winning_moves, memo.winning_moves(set))
                << "n = " << n << ", " << taken.size() << " taken, " << threads << " threads";
        }
    };
    for (std::int32_t n = 2; n <= 22; ++n) {
        check(n, {});
    }
    std::mt19937 random(40);
    for (int trial = 0; trial < 60; ++trial) {
        const std::int32_t n = std::uniform_int_distribution<std::int32_t>(10, 22)(random);
        std::int32_t pile = n * n / 4;
        std::vector<std::int32_t> taken;
        const int moves = std::uniform_int_distribution<int>(1, n / 2)(random);
        for (int i = 0; i < moves; ++i) {
            const std::int32_t m = std::uniform_int_distribution<std::int32_t>(1, n)(random);
            if (m < pile && std::find(taken.begin(), taken.end(), m) == taken.end()) {
                taken.push_back(m);
                pile -= m;
            }
        }
        check(n, taken);
    }
}

// The estimate of memory covers what the sweep really holds.
TEST(LayeredSolverTest, MemoryEstimateCoversThePeak) {
    for (const std::int32_t n : {12, 20, 26, 28}) {
        for (const unsigned threads : {1u, 2u}) {
            const auto position = analysis::position_after(n, {});
            const auto solution = analysis::solve(position, {threads, {}});
            EXPECT_LE(solution.peak_bytes, analysis::memory_needed(position, threads))
                << "n = " << n << ", " << threads << " threads";
        }
    }
}

struct Command {
    int status;
    std::string out;
    std::string err;
};

Command analyze(std::vector<std::string_view> args, analysis::Machine machine = {2, 0, false}) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = analysis::run_analyze(args, out, err, machine);
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
        const Command c = analyze(args);
        EXPECT_EQ(c.status, 0);
        EXPECT_EQ(c.out, table);
    }
}

TEST(AnalyzeCommandTest, HelpAndVersion) {
    for (const std::string_view help : {"--help", "-h"}) {
        EXPECT_EQ(analyze({help}).out.rfind("Usage: tolp-analyze [OPTION]... N [TAKEN]...\n", 0), 0u);
    }
    EXPECT_EQ(analyze({"--version"}).out, "tolp-analyze " TOLP_VERSION "\n");
}

// Bad arguments: one line saying why, a pointer to --help, status 2, nothing
// on standard output.
TEST(AnalyzeCommandTest, BadArgumentsAreRefused) {
    const std::pair<std::vector<std::string_view>, std::string> cases[] = {
        {{}, "no position given"},
        {{"x"}, "'x' is not a number"},
        {{"10", "3x"}, "'3x' is not a number"},
        {{"1"}, "N must be from 2 to 40, not 1"},
        {{"41"}, "N must be from 2 to 40, not 41"},
        {{"99999999999"}, "'99999999999' is not a number"},
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
        const Command c = analyze(args);
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
         "tolp-analyze: n = 36 needs about 1.5 GiB of memory, more than the limit of 64 MiB (--memory)\n"},
        {analyze({"36"}, {2, std::uint64_t{512} << 20, false}),
         "tolp-analyze: n = 36 needs about 1.5 GiB of memory, more than the 512 MiB this machine has free\n"},
        // A limit other than the free memory is named.
        {analyze({"36"}, {2, std::uint64_t{1} << 30, false, analysis::CGROUP_MEMORY_LIMIT}),
         "tolp-analyze: n = 36 needs about 1.5 GiB of memory, more than the 1.0 GiB this process may use "
         "(cgroup memory limit)\n"},
        {analyze({"--table", "36"}, {2, std::uint64_t{1} << 30, false, analysis::JOB_MEMORY_LIMIT}),
         "tolp-analyze: n = 36 needs about 1.5 GiB of memory, more than the 1.0 GiB this process may use "
         "(job memory limit)\n"},
        // The table is refused before its first line: its last game needs the most.
        {analyze({"--table", "40", "--memory", "1G"}, {2, 0, false}),
         "tolp-analyze: n = 40 needs about 21.5 GiB of memory, more than the limit of 1.0 GiB (--memory)\n"},
    };
    for (const auto& [c, said] : cases) {
        EXPECT_EQ(c.status, 1);
        EXPECT_EQ(c.out, "");
        EXPECT_EQ(c.err, said);
    }
    // Exactly the estimate is enough; a byte less is not.
    const auto needed = analysis::memory_needed(analysis::position_after(20, {}), 2);
    const std::string enough = std::to_string(needed);
    const std::string too_little = std::to_string(needed - 1);
    EXPECT_EQ(analyze({"--memory", enough, "20"}).status, 0);
    EXPECT_EQ(analyze({"--memory", too_little, "20"}).status, 1);
    EXPECT_EQ(analyze({"20"}, {2, needed, false}).status, 0);
    EXPECT_EQ(analyze({"20"}, {2, needed - 1, false}).status, 1);
}

}  // namespace
}  // namespace tolp::testing
