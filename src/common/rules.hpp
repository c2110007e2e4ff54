// The rules that both programs and their tests share.
#pragma once

#include <cstdint>

namespace tolp {

// The tolps on the table at the start of a game of size n: n*n/4, rounded
// toward zero. n*n must fit in 32 bits (|n| up to 46340).
constexpr std::int32_t starting_pile(std::int32_t n) { return n * n / 4; }

}  // namespace tolp
