// Colex ranking of the outer sets: a set X of outer numbers is a bit mask of
// their indices, and the sets of one size are numbered in colex order, the
// order of their largest elements first, so that rank(X) is the sum of
// C(e_i, i) over X's elements e_1 < e_2 < ... (indices from 0, i from 1).
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace tolp::analysis {

// The most outer numbers a position may have: n = 40 less the inner ones,
// with room to spare.
inline constexpr std::size_t MAX_OUTER = 32;

// C(a, b) for 0 <= a <= MAX_OUTER and 0 <= b <= MAX_OUTER + 2.
class Binomials {
public:
    constexpr Binomials() {
        for (std::size_t a = 0; a < table_.size(); ++a) {
            table_[a][0] = 1;
            for (std::size_t b = 1; b < table_[a].size(); ++b) {
                table_[a][b] = a == 0 ? 0 : table_[a - 1][b - 1] + table_[a - 1][b];
            }
        }
    }
    constexpr std::uint64_t operator()(std::size_t a, std::size_t b) const { return table_[a][b]; }

private:
    std::array<std::array<std::uint64_t, MAX_OUTER + 3>, MAX_OUTER + 1> table_{};
};

inline constexpr Binomials binomial;

// A set of outer numbers, as a bit mask of their indices, and its elements.
struct OuterSet {
    std::uint32_t mask;
    std::size_t size;
    std::array<std::size_t, MAX_OUTER> element;  // ascending indices; past `size` never read
};

inline OuterSet outer_set(std::uint32_t mask) {
    OuterSet x;
    x.mask = mask;
    x.size = 0;
    for (std::uint32_t rest = mask; rest != 0; rest &= rest - 1) {
        x.element[x.size++] = static_cast<std::size_t>(std::countr_zero(rest));
    }
    return x;
}

// The colex rank of `mask` among the sets of its size.
inline std::uint64_t rank(std::uint32_t mask) {
    const OuterSet x = outer_set(mask);
    std::uint64_t r = 0;
    for (std::size_t i = 0; i < x.size; ++i) {
        r += binomial(x.element[i], i + 1);
    }
    return r;
}

// The set of `size` elements with colex rank `r`.
inline std::uint32_t unrank(std::uint64_t r, std::size_t size) {
    std::uint32_t mask = 0;
    for (std::size_t i = size; i >= 1; --i) {
        std::size_t x = i - 1;
        while (binomial(x + 1, i) <= r) {
            ++x;
        }
        mask |= std::uint32_t{1} << x;
        r -= binomial(x, i);
    }
    return mask;
}

// The next set of the same size in colex order.
inline std::uint32_t next_in_colex(std::uint32_t mask) {
    const std::uint32_t lowest = mask & (~mask + 1);
    const std::uint32_t ripple = mask + lowest;
    return (((ripple ^ mask) >> 2) >> std::countr_zero(lowest)) | ripple;
}

// No child X + {j} of any set from X on in colex order ranks below this:
// the rank X would have with every element one place higher.
inline std::uint64_t lowest_child_rank(const OuterSet& x) {
    std::uint64_t r = 0;
    for (std::size_t i = 0; i < x.size; ++i) {
        r += binomial(x.element[i], i + 2);
    }
    return r;
}

}  // namespace tolp::analysis
