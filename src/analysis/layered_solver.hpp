// Perfect play for games up to n = 40: a layered, bit-parallel sweep over
// every legal set of taken numbers, one bit per set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tolp::analysis {

// The largest n whose every position the layered solver answers.
inline constexpr std::int32_t LARGEST_SOLVED_N = 40;

// A position: the numbers not yet taken, and how many of them may still be
// taken in total without taking the last tolp (the pile minus 1).
struct Position {
    std::vector<std::int32_t> untaken;  // ascending
    std::int64_t capacity;              // at least 0
};

// The position of a game with numbers 1..n after `taken` are gone; the
// starting pile minus their sum must be at least 1.
Position position_after(std::int32_t n, std::span<const std::int32_t> taken);

// Who wins `position` with best play, and how.
struct Verdict {
    bool side_to_move_wins;
    std::vector<std::int32_t> winning_moves;  // ascending
};

// Where a sweep stands, for a progress display: layers are worked from the
// largest down to 0, and `done` of `total` sets of the current layer are done.
struct Progress {
    std::size_t layer;
    std::size_t layers;
    std::uint64_t done;
    std::uint64_t total;
};

class SegmentCache;

struct SolveOptions {
    unsigned threads = 1;
    // Called now and then from the sweep's first thread.
    std::function<void(const Progress&)> on_progress;
    // Where segments come from; null for the process's own cache. Tests
    // hand in one whose allocation fails.
    SegmentCache* cache = nullptr;
    // Starts each helper thread; null for std::jthread. Tests hand in one
    // that fails.
    std::function<std::jthread(std::function<void()>)> start_thread;
};

// What solving a position needs of the machine at its peak: resident memory
// (the segments it holds, worked out set by set from where the sweep gives
// them back, and its tables) and address space (that, and what each thread
// maps of its own).
struct MemoryNeed {
    std::uint64_t resident;
    std::uint64_t address_space;
};
MemoryNeed memory_needed(const Position& position, unsigned threads);

// The threads that solving `position` with `threads` asked for really
// uses: no more than it has work to share out.
unsigned threads_used(const Position& position, unsigned threads);

// Thrown by solve when a helper thread cannot be started.
class ThreadStartFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Solution {
    Verdict verdict;
    std::uint64_t legal_sets;  // positions swept: sets of numbers that may be taken
    std::uint64_t peak_bytes;  // the most memory held by the sweep at once
};

// Sweeps every legal superset of the position and returns the verdict.
// Throws std::bad_alloc when memory runs out and ThreadStartFailure when a
// thread cannot be started, in whichever thread it happens; every thread
// has stopped by then.
Solution solve(const Position& position, const SolveOptions& options);

}  // namespace tolp::analysis
