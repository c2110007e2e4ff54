// The search that runs every iteration, depth limits 0 to 10, and reports
// the counter one past the last: 11. Any position that does needs twelve
// numbers whose sum leaves tolps over, and then every order of them stays
// undecided, so the search visits about 1.3 billion positions (half a minute
// in an optimised build). Built with TOLP_LONG_TESTS and labelled "long".
#include <gtest/gtest.h>

#include "support/search_fixture.hpp"

namespace tolp::testing {
namespace {

class LongSearchTest : public SearchTest {};

TEST_F(LongSearchTest, CompletingEveryIterationReportsDepthEleven) {
    seconds_per_move = NO_TIME_LIMIT;
    count_positions = false;  // the game's own, faster path
    // Numbers 1..12 sum to 78, so with 79 tolps no line ever ends: every
    // move stays undecided, and the last one searched, 1, is taken.
    auto taken = taken_table(12, {});
    EXPECT_EQ(choose(79, 12, taken), (Choice{1, 11, 0}));
}

}  // namespace
}  // namespace tolp::testing
