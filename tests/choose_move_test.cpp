// Move choice: the computer's moves, depths and values, and the number of
// positions each search visits, with unlimited time and with scripted clocks.
#include <gtest/gtest.h>

#include "common/rules.hpp"
#include "support/scripted_clock.hpp"
#include "support/search_fixture.hpp"

namespace tolp::testing {
namespace {

class ChooseMoveTest : public SearchTest {};

struct FirstMove {
    std::int32_t n;
    Choice expected;
    std::int64_t calls;  // evaluate_position calls of the whole search; -1: not pinned
};

// The computer's first move of a game, nothing taken, time never running out.
// The call counts are the search's signature: an optimisation that changes
// any of them changes play.
TEST_F(ChooseMoveTest, FirstMoveOfAGameWithUnlimitedTime) {
    const FirstMove cases[] = {
        {2, {1, 0, -1}, -1},  {3, {1, 0, 1}, -1},         {4, {3, 0, 1}, -1},
        {5, {5, 0, 1}, -1},   {6, {4, 2, 1}, -1},         {7, {2, 2, 1}, -1},
        {8, {5, 2, 1}, 141},  {9, {8, 4, 1}, -1},         {10, {2, 5, -1}, 10306},
        {11, {1, 5, -1}, -1}, {12, {7, 4, 1}, 40269},     {13, {12, 6, 1}, 584603},
        {16, {9, 6, 1}, 21621910},
    };
    seconds_per_move = NO_TIME_LIMIT;
    for (const auto& c : cases) {
        auto taken = taken_table(c.n, {});
        const Choice got = choose(starting_pile(c.n), c.n, taken);
        EXPECT_EQ(got, c.expected) << "n = " << c.n;
        if (c.calls >= 0) {
            EXPECT_EQ(evaluate_calls, c.calls) << "n = " << c.n;
        }
    }
}

// The game itself counts nothing and reads the clock directly; it plays
// exactly as the counted search that the table above pins down.
TEST_F(ChooseMoveTest, TheGamesUncountedSearchPlaysTheSame) {
    seconds_per_move = NO_TIME_LIMIT;
    for (std::int32_t n = 2; n <= 13; ++n) {
        auto taken = taken_table(n, {});
        const Choice counted = choose(starting_pile(n), n, taken);
        count_positions = false;
        taken = taken_table(n, {});
        EXPECT_EQ(choose(starting_pile(n), n, taken), counted) << "n = " << n;
        count_positions = true;
    }
}

struct MidGame {
    std::int32_t n;
    std::int32_t pile;
    std::initializer_list<std::int32_t> taken;
    Choice expected;
};

TEST_F(ChooseMoveTest, PositionsInTheMiddleOfAGameWithUnlimitedTime) {
    const MidGame cases[] = {
        {8, 15, {1}, {3, 2, 1}},          {9, 19, {1}, {7, 2, 1}},
        {10, 23, {2}, {9, 4, 1}},         {10, 21, {4}, {8, 4, 1}},
        {3, 1, {1}, {2, 0, -1}},          {7, 11, {1}, {2, 1, -1}},
        {10, 13, {1, 2, 9}, {10, 0, 1}},  {8, 11, {5, 6}, {4, 3, -1}},
        {8, 7, {4, 5}, {6, 0, 1}},
    };
    seconds_per_move = NO_TIME_LIMIT;
    for (const auto& c : cases) {
        auto taken = taken_table(c.n, c.taken);
        EXPECT_EQ(choose(c.pile, c.n, taken), c.expected) << "n = " << c.n << ", pile " << c.pile;
    }
}

struct ClockedFirstMove {
    std::int32_t n;
    double seconds;
    Choice expected;
};

// Time advances one millisecond per reading: the search's start, each
// position entered and each top-level time test.
TEST_F(ChooseMoveTest, FirstMoveWithACountingClock) {
    const ClockedFirstMove cases[] = {
        {6, 0, {1, 0, 0}},     {8, 0.05, {6, 1, 0}},  {9, 0.95, {8, 3, 0}},
        {10, 0.95, {1, 3, 0}}, {12, 0.95, {7, 2, 0}}, {10, 2, {8, 3, 0}},
    };
    for (const auto& c : cases) {
        seconds_per_move = c.seconds;
        CountingClock clock;
        auto taken = taken_table(c.n, {});
        EXPECT_EQ(choose(starting_pile(c.n), c.n, taken), c.expected)
            << "n = " << c.n << ", limit " << c.seconds;
    }
}

// n = 8, pile 7, 4 and 5 taken. 8 and 7 take the last tolp and need no search;
// 6 wins. Each budget below runs out at a different top-level time test.
TEST_F(ChooseMoveTest, TimeOutKeepsTheBestMoveRecordedSoFar) {
    struct Case {
        double seconds;
        Choice expected;
    };
    const Case cases[] = {
        {0.002, {8, 0, -1}},  // out at the second test: only 8 was recorded
        {0.003, {7, 0, -1}},  // out after 6 was searched: 8 and 7 recorded
        {0.005, {6, 0, 1}},   // enough time: 6 wins at once
    };
    for (const auto& c : cases) {
        seconds_per_move = c.seconds;
        CountingClock clock;
        auto taken = taken_table(8, {4, 5});
        EXPECT_EQ(choose(7, 8, taken), c.expected) << "limit " << c.seconds;
    }
}

TEST_F(ChooseMoveTest, NoTimeGivesTheSmallestUntakenNumber) {
    for (const double seconds : {0.0, -0.0, -1.0, -NO_TIME_LIMIT}) {
        seconds_per_move = seconds;
        auto taken = taken_table(10, {1, 2});
        EXPECT_EQ(choose(22, 10, taken), (Choice{3, 0, 0})) << "limit " << seconds;
    }
}

// The top level stops once elapsed time reaches the budget, while a deeper
// position at exactly the budget is still searched.
TEST_F(ChooseMoveTest, TopLevelStopsWhenTheBudgetIsReached) {
    struct Case {
        std::int32_t elapsed;  // every reading after the first
        Choice expected;
        std::vector<std::int32_t> taken_after;
    };
    const Case cases[] = {
        {949, {5, 2, 1}, taken_table(8, {5})},
        // The first top-level test fails: 8 was searched but not recorded.
        {950, {1, 0, 0}, taken_table(8, {8})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("elapsed " + std::to_string(c.elapsed) + " ms");
        ScriptedClock clock([&c](std::int64_t k) { return k == 0 ? 0 : c.elapsed; });
        auto taken = taken_table(8, {});
        EXPECT_EQ(choose(16, 8, taken), c.expected);
        EXPECT_EQ(taken, c.taken_after);
    }
}

// The caller's table comes back as it went in, but for the winning number or
// the number being searched when the time ran out.
TEST_F(ChooseMoveTest, TakenTableKeepsOnlyTheLastNumberSearched) {
    seconds_per_move = NO_TIME_LIMIT;
    auto taken = taken_table(9, {1});
    EXPECT_EQ(choose(19, 9, taken).takes, 7);
    EXPECT_EQ(taken, taken_table(9, {1, 7}));

    seconds_per_move = 0;
    taken = taken_table(9, {1});
    EXPECT_EQ(choose(19, 9, taken).takes, 2);
    EXPECT_EQ(taken, taken_table(9, {1, 9}));  // 9 was searched first, then time ran out
}

// A game too large for the bit-set walk: the numbers above 13 are taken but
// for one that can never be played, so the tree is the n = 13 tree.
TEST_F(ChooseMoveTest, LargeGamesSearchTheSameTree) {
    seconds_per_move = NO_TIME_LIMIT;
    std::vector<std::int32_t> taken(101, 1);
    for (std::int32_t k = 1; k <= 13; ++k) {
        taken[static_cast<std::size_t>(k)] = 0;
    }
    taken[0] = 0;
    taken[100] = 0;
    EXPECT_EQ(choose(42, 100, taken), (Choice{12, 6, 1}));
    EXPECT_EQ(evaluate_calls, 584603);
}

}  // namespace
}  // namespace tolp::testing
