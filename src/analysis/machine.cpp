// The memory and the CPUs this process may use: read from /proc and the
// cgroup files on Linux, asked of the system on Windows.
#include "analysis/machine.hpp"

#include <algorithm>
#include <bit>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/whole_number.hpp"
#include "common/terminal.hpp"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <io.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sched.h>
#endif

namespace tolp::analysis {
namespace {

namespace fs = std::filesystem;

// A cgroup limit this large means none: cgroup v1 shows "no limit" as the
// largest page count times the page size, about 8 EiB.
constexpr std::uint64_t NO_LIMIT_ABOVE = std::uint64_t{1} << 62;

// The whole of a small file; nullopt when it is missing, unreadable or empty.
std::optional<std::string> read_text(const fs::path& path) {
    std::ifstream file(path);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();  // fails when nothing could be read, as from a directory
    if (!text) {
        return std::nullopt;
    }
    return text.str();
}

// The whitespace-separated words of `text`.
std::vector<std::string_view> words_of(std::string_view text) {
    std::vector<std::string_view> words;
    constexpr std::string_view SPACE = " \t\n";
    for (std::size_t begin = text.find_first_not_of(SPACE); begin != std::string_view::npos;
         begin = text.find_first_not_of(SPACE, begin)) {
        const std::size_t end = std::min(text.find_first_of(SPACE, begin), text.size());
        words.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return words;
}

// `word` as a whole number; nullopt for anything else ("max", "-1").
std::optional<std::uint64_t> number_in(std::string_view word) { return whole_number<std::uint64_t>(word); }

// The number a one-value file such as memory.max holds, if it holds one.
std::optional<std::uint64_t> number_in_file(const fs::path& path) {
    const auto text = read_text(path);
    const auto words = text ? words_of(*text) : std::vector<std::string_view>{};
    return words.size() == 1 ? number_in(words[0]) : std::nullopt;
}

// The number after `key` in a file of "key value" lines (/proc/meminfo,
// /proc/self/status, a cgroup's memory.stat).
std::optional<std::uint64_t> entry(const fs::path& path, std::string_view key) {
    const auto text = read_text(path);
    if (!text) {
        return std::nullopt;
    }
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);) {
        const auto words = words_of(line);
        if (words.size() >= 2 && words[0] == key) {
            return number_in(words[1]);
        }
    }
    return std::nullopt;
}

// A "key: value kB" entry, in bytes.
std::optional<std::uint64_t> kib_entry(const fs::path& path, std::string_view key) {
    const auto kib = entry(path, key);
    if (!kib || *kib > UINT64_MAX / 1024) {
        return std::nullopt;
    }
    return *kib * 1024;
}

// `item` is one of the words of the comma-separated `list`.
bool listed(std::string_view list, std::string_view item) {
    for (std::size_t begin = 0; begin <= list.size();) {
        const std::size_t end = std::min(list.find(',', begin), list.size());
        if (list.substr(begin, end - begin) == item) {
            return true;
        }
        begin = end + 1;
    }
    return false;
}

// The directories of the process's group in a cgroup hierarchy, from the
// hierarchy's root as mounted here down to the group itself: each of them
// may set a limit. `controller` names a v1 hierarchy; empty means v2.
std::vector<fs::path> group_and_ancestors(const fs::path& root, std::string_view controller) {
    const bool v2 = controller.empty();
    // The group: "0::/path" for v2, "id:controller,...:/path" for v1.
    std::optional<std::string> group;
    if (const auto text = read_text(root / "proc/self/cgroup")) {
        std::istringstream lines(*text);
        for (std::string line; !group && std::getline(lines, line);) {
            const std::size_t first = line.find(':');
            const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
            if (second == std::string::npos) {
                continue;
            }
            const std::string_view id = std::string_view(line).substr(0, first);
            const std::string_view controllers = std::string_view(line).substr(first + 1, second - first - 1);
            if (v2 ? id == "0" && controllers.empty() : listed(controllers, controller)) {
                group = line.substr(second + 1);
            }
        }
    }
    if (!group) {
        return {};  // not in such a hierarchy
    }
    // Where the hierarchy is mounted, and which of its groups the mount shows:
    // "id parent dev root mount-point options... - type source super-options".
    std::string mount_root = "/";
    std::string mount_point = v2 ? "/sys/fs/cgroup" : "/sys/fs/cgroup/" + std::string(controller);
    if (const auto text = read_text(root / "proc/self/mountinfo")) {
        std::istringstream lines(*text);
        for (std::string line; std::getline(lines, line);) {
            const auto words = words_of(line);
            const auto dash = std::find(words.begin(), words.end(), "-");
            if (dash - words.begin() < 5 || words.end() - dash < 4) {
                continue;
            }
            const std::string_view type = dash[1];
            if (v2 ? type == "cgroup2" : type == "cgroup" && listed(dash[3], controller)) {
                mount_root = words[3];
                mount_point = words[4];
                break;
            }
        }
    }
    // The group's path below the mount's root. A group outside what the mount
    // shows ("/../.." from inside another cgroup namespace) leaves only the
    // mount's own group to read.
    std::string_view below = *group;
    const bool under_mount = mount_root == "/" || (below.starts_with(mount_root) &&
                                                   (below.size() == mount_root.size() ||
                                                    below[mount_root.size()] == '/'));
    if (!under_mount || below.find("/..") != std::string_view::npos) {
        below = {};
    } else if (mount_root != "/") {
        below.remove_prefix(mount_root.size());
    }
    std::vector<fs::path> directories{root / fs::path(mount_point).relative_path()};
    for (const fs::path& part : fs::path(below).relative_path()) {
        directories.push_back(directories.back() / part);
    }
    return directories;
}

// The smallest limit offered.
class Smallest {
public:
    void offer(std::uint64_t bytes, std::string_view name) {
        // A group already full leaves nothing, yet 0 would read as no limit.
        bytes = std::max<std::uint64_t>(bytes, 1);
        if (limit_.bytes == 0 || bytes < limit_.bytes) {
            limit_ = {bytes, name};
        }
    }
    MemoryLimit limit() const { return limit_; }

private:
    MemoryLimit limit_;
};

// The files of a cgroup hierarchy that tell its memory limit and usage.
struct MemoryFiles {
    const char* limit;
    const char* usage;
    const char* inactive_file;  // the entry of memory.stat for page cache the kernel drops first
};
constexpr MemoryFiles V2_MEMORY{"memory.max", "memory.current", "inactive_file"};
constexpr MemoryFiles V1_MEMORY{"memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file"};

// Each group's limit less its usage. The usage counts the group's page
// cache, and the part not touched lately goes before the group runs short,
// so it is not counted as used: else a group that has read many files would
// refuse runs that fit.
void offer_cgroup_limits(Smallest& smallest, const fs::path& root, std::string_view controller,
                         const MemoryFiles& files) {
    for (const fs::path& directory : group_and_ancestors(root, controller)) {
        const auto limit = number_in_file(directory / files.limit);  // "max" is none
        if (!limit || *limit >= NO_LIMIT_ABOVE) {
            continue;
        }
        const std::uint64_t usage = number_in_file(directory / files.usage).value_or(0);
        const std::uint64_t cache = entry(directory / "memory.stat", files.inactive_file).value_or(0);
        const std::uint64_t used = usage - std::min(usage, cache);
        smallest.offer(*limit > used ? *limit - used : 0, CGROUP_MEMORY_LIMIT);
    }
}

// CPUs a quota of `quota` microseconds per `period` gives, rounded up.
std::uint64_t cpus_of_quota(std::uint64_t quota, std::uint64_t period) {
    return std::max<std::uint64_t>(1, quota / period + (quota % period != 0 ? 1 : 0));
}

#ifdef _WIN32
// Free physical memory, and the limits of the job object this process runs in.
void read_windows_memory(Machine& machine) {
    Smallest smallest;
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (GlobalMemoryStatusEx(&status)) {
        smallest.offer(status.ullAvailPhys, MEMORY_AVAILABLE);
        machine.address_space_available = status.ullAvailVirtual;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION job{};
    if (QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job, nullptr)) {
        const DWORD flags = job.BasicLimitInformation.LimitFlags;
        if ((flags & JOB_OBJECT_LIMIT_JOB_MEMORY) != 0) {
            // The job's present use is not told, only its peak, which is at least that.
            const std::uint64_t limit = job.JobMemoryLimit;
            const std::uint64_t used = job.PeakJobMemoryUsed;
            smallest.offer(limit > used ? limit - used : 0, JOB_MEMORY_LIMIT);
        }
        PROCESS_MEMORY_COUNTERS_EX counters{};
        if ((flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) != 0 &&
            GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof counters)) {
            const std::uint64_t limit = job.ProcessMemoryLimit;
            const std::uint64_t used = counters.PrivateUsage;
            smallest.offer(limit > used ? limit - used : 0, JOB_MEMORY_LIMIT);
        }
    }
    machine.memory_available = smallest.limit().bytes;
    machine.memory_limit = smallest.limit().name;
}
#endif

// CPUs the scheduler may run this process on.
unsigned affinity_cpus() {
#if defined(__linux__)
    // A machine of more than 1024 CPUs does not fit the set: counted below.
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
#elif defined(_WIN32)
    DWORD_PTR process_mask = 0;
    DWORD_PTR system_mask = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask) && process_mask != 0) {
        return static_cast<unsigned>(std::popcount(process_mask));
    }
#endif
    return std::thread::hardware_concurrency();
}

}  // namespace

MemoryLimit memory_limit_under(const fs::path& root) {
    Smallest smallest;
    if (const auto available = kib_entry(root / "proc/meminfo", "MemAvailable:")) {
        smallest.offer(*available, MEMORY_AVAILABLE);  // what the kernel could give without swapping
    }
    offer_cgroup_limits(smallest, root, "", V2_MEMORY);
    offer_cgroup_limits(smallest, root, "memory", V1_MEMORY);
    return smallest.limit();
}

unsigned cpus_under(const fs::path& root, unsigned affinity) {
    std::uint64_t cpus = std::max(1u, affinity);
    for (const fs::path& directory : group_and_ancestors(root, "")) {
        const auto text = read_text(directory / "cpu.max");  // "quota period", or "max period"
        const auto words = text ? words_of(*text) : std::vector<std::string_view>{};
        const auto quota = words.size() == 2 ? number_in(words[0]) : std::nullopt;
        const auto period = words.size() == 2 ? number_in(words[1]) : std::nullopt;
        if (quota && period && *period > 0) {
            cpus = std::min(cpus, cpus_of_quota(*quota, *period));
        }
    }
    for (const fs::path& directory : group_and_ancestors(root, "cpu")) {
        const auto quota = number_in_file(directory / "cpu.cfs_quota_us");  // -1 when none
        const auto period = number_in_file(directory / "cpu.cfs_period_us");
        if (quota && period && *period > 0) {
            cpus = std::min(cpus, cpus_of_quota(*quota, *period));
        }
    }
    return static_cast<unsigned>(cpus);
}

std::uint64_t address_space_under(const fs::path& root, std::uint64_t limit) {
    if (limit == UNLIMITED) {
        return UNLIMITED;
    }
    const std::uint64_t mapped = kib_entry(root / "proc/self/status", "VmSize:").value_or(0);
    return limit > mapped ? limit - mapped : 0;
}

Machine this_machine() {
    Machine machine;
    machine.progress_to_terminal = is_terminal(stderr);
#ifdef _WIN32
    read_windows_memory(machine);
    machine.cores = std::max(1u, affinity_cpus());
#else
    const MemoryLimit memory = memory_limit_under("/");
    machine.memory_available = memory.bytes;
    machine.memory_limit = memory.name;
    if (rlimit limit{}; getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        machine.address_space_available = address_space_under("/", limit.rlim_cur);
    }
    machine.cores = cpus_under("/", affinity_cpus());
#endif
    return machine;
}

}  // namespace tolp::analysis
