// Position evaluation: values at the horizon, the time test, time-outs, and
// the two walks (bit set and table) agreeing position for position.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "search/deadline.hpp"
#include "search/evaluate_position.hpp"
#include "support/scripted_clock.hpp"
#include "support/random_positions.hpp"
#include "support/search_fixture.hpp"

namespace tolp::testing {
namespace {

class EvaluatePositionTest : public SearchTest {};

TEST_F(EvaluatePositionTest, OneTolpLeftIsLostAtAnyDepth) {
    seconds_per_move = NO_TIME_LIMIT;
    for (std::int32_t depth_limit = 0; depth_limit <= 10; ++depth_limit) {
        start_search({1, 2, 3}, depth_limit);
        auto taken = taken_table(3, {});
        EXPECT_EQ(evaluate_position(1, 0, taken), LOSS) << "depth limit " << depth_limit;
    }
}

TEST_F(EvaluatePositionTest, AtTheHorizonAnyMoveLeavesTheValueUndecided) {
    seconds_per_move = NO_TIME_LIMIT;
    start_search({1, 5}, 0);
    auto taken = taken_table(5, {2, 3, 4});
    EXPECT_EQ(evaluate_position(4, 0, taken), UNDECIDED);  // 1 is tried, 5 never
    start_search({5}, 0);
    EXPECT_EQ(evaluate_position(4, 0, taken), LOSS);  // only 5, which takes the last tolp
}

// 64 is the largest number of the bit walk: with 64 tolps left it takes the
// last one and is never tried; with 65 left it is a move.
TEST_F(EvaluatePositionTest, SixtyFourAtTheEdgeOfTheBitSet) {
    seconds_per_move = NO_TIME_LIMIT;
    std::vector<std::int32_t> taken(65, 1);
    taken[0] = 0;
    taken[64] = 0;
    start_search({64}, 3);
    EXPECT_EQ(evaluate_position(64, 0, taken), LOSS);
    EXPECT_EQ(evaluate_calls, 1);
    EXPECT_EQ(evaluate_position(65, 0, taken), WIN);  // 64 leaves 1, and the other side has no move
}

// The table walk with numbers above 64 in play, against a plain model of the
// evaluation written here: values and positions visited, every depth limit.
TEST_F(EvaluatePositionTest, TableWalkWithLargeNumbersInPlay) {
    seconds_per_move = NO_TIME_LIMIT;
    struct Model {
        std::vector<std::int32_t> numbers;  // ascending
        std::vector<bool> used;
        std::int32_t depth_limit;
        std::int64_t calls = 0;
        std::int32_t value(std::int32_t remaining, std::int32_t depth) {
            ++calls;
            std::int32_t result = LOSS;
            for (std::size_t i = 0; i < numbers.size(); ++i) {
                if (used[i] || numbers[i] >= remaining) {
                    continue;
                }
                if (depth == depth_limit) {
                    return UNDECIDED;
                }
                used[i] = true;
                const std::int32_t r = -value(remaining - numbers[i], depth + 1);
                used[i] = false;
                if (r == WIN) {
                    return WIN;
                }
                result = std::max(result, r);
            }
            return result;
        }
    };
    std::mt19937 random(64);
    for (int trial = 0; trial < 150; ++trial) {
        // Eight numbers from 1 to 120, some of them above 64, and a pile
        // that lets several of them be played.
        std::vector<std::int32_t> numbers;
        while (numbers.size() < 8) {
            const std::int32_t m = std::uniform_int_distribution<std::int32_t>(1, 120)(random);
            if (std::find(numbers.begin(), numbers.end(), m) == numbers.end()) {
                numbers.push_back(m);
            }
        }
        numbers.push_back(std::uniform_int_distribution<std::int32_t>(65, 120)(random));
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        const std::int32_t pile = std::uniform_int_distribution<std::int32_t>(60, 400)(random);
        const std::int32_t depth_limit = trial % 8;
        auto taken = taken_table(120, {});
        for (std::int32_t k = 1; k <= 120; ++k) {
            taken[static_cast<std::size_t>(k)] =
                std::find(numbers.begin(), numbers.end(), k) == numbers.end() ? 1 : 0;
        }
        start_search(numbers, depth_limit);
        Model model{numbers, std::vector<bool>(numbers.size()), depth_limit};
        EXPECT_EQ(evaluate_position(pile, 0, taken), model.value(pile, 0)) << "trial " << trial;
        EXPECT_EQ(evaluate_calls, model.calls) << "trial " << trial;
    }
}

// A position may be searched while elapsed <= budget: equal still passes.
TEST_F(EvaluatePositionTest, TimeTestPassesUpToAndIncludingTheBudget) {
    struct Case {
        double seconds;
        std::int32_t elapsed;
        bool timed_out;
    };
    const Case cases[] = {
        {0, 0, false},     {0, 1, true},       {-0.001, 0, true},
        {0.95, 950, false}, {0.95, 951, true}, {-NO_TIME_LIMIT, 0, true},
    };
    for (const auto& c : cases) {
        seconds_per_move = c.seconds;
        start_search({1, 2}, 0);
        ScriptedClock clock([&c](std::int64_t) { return c.elapsed; });
        auto taken = taken_table(2, {});
        EXPECT_EQ(evaluate_position(2, 0, taken) == TIMED_OUT, c.timed_out)
            << "limit " << c.seconds << ", elapsed " << c.elapsed;
    }
}

// Elapsed time is measured across the wrap of the 32-bit millisecond count.
TEST_F(EvaluatePositionTest, ElapsedTimeSurvivesTheClockWrapping) {
    seconds_per_move = 0.005;
    start_search({1, 2}, 0);
    search_state.search_start_ms = INT32_MAX - 2;
    auto taken = taken_table(2, {});
    for (const auto& [now, timed_out] : {std::pair{INT32_MIN + 2, false}, {INT32_MIN + 3, true}}) {
        ScriptedClock clock([now = now](std::int64_t) { return now; });
        EXPECT_EQ(evaluate_position(2, 0, taken) == TIMED_OUT, timed_out) << "now " << now;
    }
}

// A time-out deep in the tree reaches the top, and the table is restored on
// the way. Both walks: n = 9 fits the bit set, n = 100 does not.
TEST_F(EvaluatePositionTest, TimeOutTravelsUpAndRestoresTheTable) {
    for (const std::int32_t n : {9, 100}) {
        std::vector<std::int32_t> available{1, 2, 3, 4, 5, 6, 7, 8, 9};
        if (n == 100) {
            available.push_back(100);  // never playable: the tree stays the n = 9 tree
        }
        seconds_per_move = 0.02;
        start_search(available, 6);
        auto taken = taken_table(n, {});
        taken[9] = 1;  // the top-level move being searched
        const auto before = taken;
        CountingClock clock(1);
        EXPECT_EQ(evaluate_position(11, 0, taken), TIMED_OUT) << "n = " << n;
        EXPECT_EQ(taken, before) << "n = " << n;
        EXPECT_EQ(evaluate_calls, 21) << "n = " << n;  // readings 1..21; the 21st is over
    }
}

// The bit-set walk and the table walk visit the same positions and agree on
// every value: random positions of games up to n = 13, every depth limit.
TEST_F(EvaluatePositionTest, BothWalksAgreeOnRandomPositions) {
    seconds_per_move = NO_TIME_LIMIT;
    std::mt19937 random(20261210);
    for (int trial = 0; trial < 200; ++trial) {
        const RandomPosition p = random_position(random, 2, 13);
        std::vector<std::int32_t> small = p.table;
        std::vector<std::int32_t> available = p.untaken();
        const std::int32_t pile = p.pile;
        std::vector<std::int32_t> large = small;
        large.resize(101, 1);
        large[100] = 0;
        const std::int32_t depth_limit = trial % 11;

        start_search(available, depth_limit);
        const std::int32_t small_value = evaluate_position(pile, 0, small);
        const std::int64_t small_calls = evaluate_calls;
        count_positions = false;  // the game's own path: nothing counted
        EXPECT_EQ(evaluate_position(pile, 0, small), small_value) << "trial " << trial;
        count_positions = true;
        available.push_back(100);
        start_search(available, depth_limit);
        const std::int32_t large_value = evaluate_position(pile, 0, large);
        EXPECT_EQ(small_value, large_value) << "trial " << trial;
        EXPECT_EQ(small_calls, evaluate_calls) << "trial " << trial;
    }
}

// The game's time test compares raw clock readings with a deadline. For any
// readings that never run backwards, it answers exactly as the millisecond
// test: at the budget, across the 32-bit wraps, for every kind of budget.
TEST(DeadlineTest, AnswersAsTheMillisecondTestDoes) {
    using std::chrono::milliseconds;
    using std::chrono::nanoseconds;
    constexpr std::int64_t WRAP = std::int64_t{1} << 32;
    const double budgets[] = {0, 0.5, 949.5, 950, 2147483646.0, 2147483646.5, 2147483647.0,
                              -1, -2147483648.0, NO_TIME_LIMIT, -NO_TIME_LIMIT};
    std::mt19937_64 random(950);
    for (const double budget : budgets) {
        for (const std::int64_t start : {std::int64_t{0}, std::int64_t{5}, WRAP / 2 - 3, WRAP - 2}) {
            const std::int32_t start_ms = static_cast<std::int32_t>(static_cast<std::uint32_t>(start));
            const auto check = [&](Deadline& deadline, nanoseconds since_start) {
                const auto t = detail::program_start + since_start;
                ASSERT_EQ(deadline.passes(t), within_budget(budget, start_ms, clock_ms_at(t)))
                    << "budget " << budget << ", start " << start << " ms, reading at "
                    << since_start.count() << " ns";
            };
            // Readings on each side of every millisecond where the answer
            // may change: the budget, and the wraps of the elapsed time.
            Deadline at_edges(budget, start_ms);
            std::vector<std::int64_t> edges_ms{0, WRAP / 2 - 1, WRAP / 2, WRAP - 1, WRAP, WRAP + 1};
            if (std::isfinite(budget) && budget >= 0 && budget < WRAP / 2) {
                edges_ms.push_back(static_cast<std::int64_t>(budget));
                edges_ms.push_back(static_cast<std::int64_t>(budget) + 1);
            }
            std::sort(edges_ms.begin(), edges_ms.end());
            for (const std::int64_t ms : edges_ms) {
                check(at_edges, milliseconds(start + ms) - nanoseconds(1));
                check(at_edges, milliseconds(start + ms));
            }
            // Readings from the start of the search on, in steps from a
            // microsecond to beyond a wrap, and right at whole milliseconds.
            Deadline deadline(budget, start_ms);
            nanoseconds since_start = milliseconds(start);
            for (int reading = 0; reading < 4000; ++reading) {
                check(deadline, since_start);
                const std::int64_t scale[] = {1'000, 1'000'000, 1'000'000'000, 1'000'000'000'000,
                                              WRAP / 4 * 1'000'000};
                since_start += nanoseconds(static_cast<std::int64_t>(random() % 3) *
                                           scale[random() % 5] / 2);
                if (random() % 4 == 0) {  // to the next whole millisecond
                    since_start = std::chrono::ceil<milliseconds>(since_start + nanoseconds(1));
                }
            }
        }
    }
}

}  // namespace
}  // namespace tolp::testing
