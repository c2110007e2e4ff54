// Setting up positions for the search: the taken table of a game and the
// time limit, restored after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

#include "search/choose_move.hpp"
#include "search/search_state.hpp"

namespace tolp::testing {

inline constexpr double NO_TIME_LIMIT = std::numeric_limits<double>::infinity();

// n+1 flags with the given numbers taken.
inline std::vector<std::int32_t> taken_table(std::int32_t n, std::initializer_list<std::int32_t> numbers) {
    std::vector<std::int32_t> taken(static_cast<std::size_t>(n) + 1, 0);
    for (const std::int32_t k : numbers) {
        taken[static_cast<std::size_t>(k)] = 1;
    }
    return taken;
}

// What choose_move reports: the number, the depth and the value.
struct Choice {
    std::int32_t takes;
    std::int32_t depth;
    std::int32_t value;
    friend bool operator==(const Choice&, const Choice&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Choice& c) {
        return os << "{takes " << c.takes << ", depth " << c.depth << ", value " << c.value << "}";
    }
};

inline Choice choose(std::int32_t pile, std::int32_t n, std::vector<std::int32_t>& taken) {
    const std::int32_t k = choose_move(pile, n, taken);
    return {k, search_state.depth_limit, search_state.move_value};
}

// Sets up the search state as choose_move would before it evaluates
// positions: `available` untaken at the start, the clock started at 0, no
// position counted yet.
inline void start_search(std::vector<std::int32_t> available, std::int32_t depth_limit) {
    search_state.available_moves = std::move(available);
    search_state.move_count = static_cast<std::int32_t>(search_state.available_moves.size());
    search_state.depth_limit = depth_limit;
    search_state.search_start_ms = 0;
    evaluate_calls = 0;
}

// Every test starts from the default limit and leaves it so, and counts the
// positions that the search visits.
class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        seconds_per_move = DEFAULT_SECONDS_PER_MOVE;
        count_positions = true;
    }
    void TearDown() override {
        seconds_per_move = DEFAULT_SECONDS_PER_MOVE;
        count_positions = false;
    }
};

}  // namespace tolp::testing
