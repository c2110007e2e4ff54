// What tolp-analyze may use of the machine it runs on: the memory the process
// may still make resident and map, and the CPUs it may run on, with the
// limit that binds (free memory, a cgroup, a Windows job object).
#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string_view>

namespace tolp::analysis {

// Names of the limits on memory, as a refusal shows them.
inline constexpr std::string_view MEMORY_AVAILABLE = "memory available";
inline constexpr std::string_view CGROUP_MEMORY_LIMIT = "cgroup memory limit";
inline constexpr std::string_view JOB_MEMORY_LIMIT = "job memory limit";

// No limit on the address space.
inline constexpr std::uint64_t UNLIMITED = std::numeric_limits<std::uint64_t>::max();

// What the command may use of the machine it runs on.
struct Machine {
    unsigned cores = 1;                  // CPUs this process may run on
    std::uint64_t memory_available = 0;  // bytes it may still make resident; 0 when unknown
    bool progress_to_terminal = false;   // `err` is a terminal: show progress there
    std::string_view memory_limit = MEMORY_AVAILABLE;  // the limit memory_available comes from
    std::uint64_t address_space_available = UNLIMITED;  // bytes it may still map
};

// The machine this process runs on.
Machine this_machine();

// The smallest limit on the memory a process may still use.
struct MemoryLimit {
    std::uint64_t bytes = 0;  // 0 when no limit is known
    std::string_view name = MEMORY_AVAILABLE;
};

// The readings of this_machine() from the files of /proc and /sys under
// `root` ("/" for the real ones; tests build fake trees). A file that is
// missing or unreadable is left out, never an error.

// The smallest of MemAvailable and of the cgroup v2 and v1 memory limits
// (less what is used, page cache not lately touched aside) of the process's
// group and each of its ancestors.
MemoryLimit memory_limit_under(const std::filesystem::path& root);

// `affinity` CPUs lowered by the cgroup CPU quota of the process's group and
// its ancestors, rounded up; at least 1.
unsigned cpus_under(const std::filesystem::path& root, unsigned affinity);

// An address-space limit of `limit` bytes (UNLIMITED for none) less what the
// process has mapped now.
std::uint64_t address_space_under(const std::filesystem::path& root, std::uint64_t limit);

}  // namespace tolp::analysis
