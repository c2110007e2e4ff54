// How the layered sweep lays out its positions: the inner numbers of a block,
// the block itself, the segments that hold blocks, and the chunks of work
// that threads take. Shared by the sweep, its memory and its estimate.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tolp::analysis {

// The smallest untaken numbers, whose subsets are the bits of one block.
inline constexpr std::size_t INNER = 10;
inline constexpr std::uint32_t POSITIONS = std::uint32_t{1} << INNER;  // bits of a block
inline constexpr std::size_t WORDS = POSITIONS / 64;                   // 64-bit words of a block

// Every inner subset s of one outer set X: bit s is 1 when X + s is won for
// the side to move (or cannot be reached).
struct alignas(128) Block {
    std::array<std::uint64_t, WORDS> word;
};

inline constexpr std::uint64_t SEGMENT_BLOCKS = 32768;  // 4 MiB: two huge pages
inline constexpr std::uint64_t SEGMENT_BYTES = SEGMENT_BLOCKS * sizeof(Block);
inline constexpr std::uint64_t CHUNK = 512;  // sets of one layer per unit of a thread's work
// No thread starts a chunk more than this many chunks after the one that
// the slowest thread works on, so that a thread held up by the system
// cannot hold back the release of the layer above without bound.
inline constexpr std::uint64_t MAX_SKEW_CHUNKS = 8;

}  // namespace tolp::analysis
