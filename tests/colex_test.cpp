// Colex ranking of outer sets: rank, unrank and the step to the next set
// agree over every set of a small universe, and the lowest child rank
// bounds the children of every later set.
#include <gtest/gtest.h>

#include <bit>

#include "analysis/colex.hpp"

namespace tolp::testing {
namespace {

using analysis::binomial;

constexpr std::size_t UNIVERSE = 12;

TEST(ColexTest, RankUnrankAndNextWalkEverySetInOrder) {
    for (std::size_t size = 1; size <= UNIVERSE; ++size) {
        SCOPED_TRACE("sets of " + std::to_string(size));
        std::uint32_t mask = analysis::unrank(0, size);
        EXPECT_EQ(mask, (std::uint32_t{1} << size) - 1);  // the smallest elements come first
        const std::uint64_t sets = binomial(UNIVERSE, size);
        for (std::uint64_t r = 0; r < sets; ++r) {
            ASSERT_EQ(std::popcount(mask), static_cast<int>(size)) << "rank " << r;
            ASSERT_LT(mask, std::uint32_t{1} << UNIVERSE) << "rank " << r;
            ASSERT_EQ(analysis::rank(mask), r);
            ASSERT_EQ(analysis::unrank(r, size), mask);
            mask = analysis::next_in_colex(mask);
        }
        EXPECT_EQ(mask, analysis::unrank(sets, size));  // the first set beyond the universe
    }
}

// The sweep gives back the layer above below this bound: no child X + {j}
// of X or of any set after it may rank lower.
TEST(ColexTest, NoLaterSetHasAChildBelowTheLowestChildRank) {
    for (std::size_t size = 1; size < UNIVERSE; ++size) {
        SCOPED_TRACE("sets of " + std::to_string(size));
        const std::uint64_t sets = binomial(UNIVERSE, size);
        std::vector<std::uint64_t> lowest_child_from(sets + 1, UINT64_MAX);  // over the sets from rank r on
        for (std::uint64_t r = sets; r-- > 0;) {
            const std::uint32_t mask = analysis::unrank(r, size);
            std::uint64_t lowest = lowest_child_from[r + 1];
            for (std::size_t j = 0; j < UNIVERSE; ++j) {
                if (((mask >> j) & 1) == 0) {
                    lowest = std::min(lowest, analysis::rank(mask | (std::uint32_t{1} << j)));
                }
            }
            lowest_child_from[r] = lowest;
            ASSERT_LE(analysis::lowest_child_rank(analysis::outer_set(mask)), lowest) << "rank " << r;
        }
    }
}

}  // namespace
}  // namespace tolp::testing
