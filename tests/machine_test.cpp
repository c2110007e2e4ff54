// The memory and CPUs tolp-analyze may use, read from fake /proc and
// /sys/fs/cgroup trees built in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "analysis/machine.hpp"

#ifdef __linux__
#include <sched.h>
#endif

namespace tolp::testing {
namespace {

namespace fs = std::filesystem;
using analysis::CGROUP_MEMORY_LIMIT;
using analysis::MEMORY_AVAILABLE;

constexpr std::uint64_t MiB = std::uint64_t{1} << 20;

// Stands for a file that cannot be read: a directory in its place.
const std::string UNREADABLE = "<directory>";

using Files = std::map<std::string, std::string>;

// A fake root holding `files` (path below the root, content), removed at the end.
class FakeRoot {
public:
    explicit FakeRoot(const Files& files)
        : path_(fs::temp_directory_path() / ("tolp-machine-" + std::to_string(std::random_device{}()))) {
        for (const auto& [name, content] : files) {
            const fs::path file = path_ / name;
            fs::create_directories(file.parent_path());
            if (content == UNREADABLE) {
                fs::create_directories(file);
            } else {
                std::ofstream(file) << content;
            }
        }
        fs::create_directories(path_);
    }
    ~FakeRoot() { fs::remove_all(path_); }
    FakeRoot(const FakeRoot&) = delete;
    FakeRoot& operator=(const FakeRoot&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

const std::string MEMINFO = "MemTotal:       16777216 kB\nMemAvailable:    8388608 kB\n";  // 8 GiB free
const std::string V2_MOUNT = "30 22 0:26 / /sys/fs/cgroup rw,nosuid - cgroup2 cgroup2 rw,nsdelegate\n";
const std::string V1_MOUNTS =
    "32 31 0:29 / /sys/fs/cgroup/cpu,cpuacct rw,relatime - cgroup cgroup rw,cpu,cpuacct\n"
    "35 31 0:32 / /sys/fs/cgroup/memory rw,relatime - cgroup cgroup rw,memory\n";
const std::string V1_GROUPS = "4:memory:/ci/job\n2:cpu,cpuacct:/ci/job\n1:cpuset:/\n";
const std::string V1_NO_LIMIT = "9223372036854771712";

struct MemoryCase {
    const char* name;
    Files files;
    std::uint64_t bytes;
    std::string_view limit;
};

TEST(MachineTest, MemoryIsTheSmallestLimitThatBinds) {
    const MemoryCase cases[] = {
        {"no cgroup at all", {{"proc/meminfo", MEMINFO}}, 8192 * MiB, MEMORY_AVAILABLE},
        {"v2, an ancestor binds",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", "0::/user.slice/run.scope\n"},
          {"proc/self/mountinfo", V2_MOUNT},
          {"sys/fs/cgroup/user.slice/memory.max", "1073741824\n"},
          {"sys/fs/cgroup/user.slice/memory.current", "268435456\n"},
          {"sys/fs/cgroup/user.slice/run.scope/memory.max", "max\n"},
          {"sys/fs/cgroup/user.slice/run.scope/memory.current", "1048576\n"}},
         768 * MiB, CGROUP_MEMORY_LIMIT},
        {"v2, its own group binds",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", "0::/a/b\n"},
          {"proc/self/mountinfo", V2_MOUNT},
          {"sys/fs/cgroup/a/memory.max", "4294967296\n"},
          {"sys/fs/cgroup/a/b/memory.max", "536870912\n"},
          {"sys/fs/cgroup/a/b/memory.current", "0\n"}},
         512 * MiB, CGROUP_MEMORY_LIMIT},
        {"v2, max everywhere",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", "0::/a\n"},
          {"proc/self/mountinfo", V2_MOUNT},
          {"sys/fs/cgroup/memory.max", "max\n"},
          {"sys/fs/cgroup/a/memory.max", "max\n"},
          {"sys/fs/cgroup/a/memory.current", "1048576\n"}},
         8192 * MiB, MEMORY_AVAILABLE},
        {"v2, free memory is less than the cgroup allows",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", "0::/a\n"},
          {"sys/fs/cgroup/a/memory.max", "17179869184\n"}},
         8192 * MiB, MEMORY_AVAILABLE},
        {"v2 in a container: the mount shows the container's group as its root",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", "0::/docker/abc/job\n"},
          {"proc/self/mountinfo", "30 22 0:26 /docker/abc /sys/fs/cgroup ro - cgroup2 cgroup2 rw\n"},
          {"sys/fs/cgroup/memory.max", "2147483648\n"},
          {"sys/fs/cgroup/job/memory.max", "1073741824\n"},
          {"sys/fs/cgroup/job/memory.current", "0\n"}},
         1024 * MiB, CGROUP_MEMORY_LIMIT},
        {"v2, the group outside the namespace's view: only the mount's own group",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", "0::/../../other\n"},
          {"proc/self/mountinfo", V2_MOUNT},
          {"sys/fs/cgroup/memory.max", "1073741824\n"},
          {"sys/other/memory.max", "1048576\n"}},
         1024 * MiB, CGROUP_MEMORY_LIMIT},
        {"v2, a group already full",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", "0::/a\n"},
          {"sys/fs/cgroup/a/memory.max", "1073741824\n"},
          {"sys/fs/cgroup/a/memory.current", "1073745920\n"}},
         1, CGROUP_MEMORY_LIMIT},
        {"v1, through its mount",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", V1_GROUPS},
          {"proc/self/mountinfo", V1_MOUNTS},
          {"sys/fs/cgroup/memory/memory.limit_in_bytes", V1_NO_LIMIT},
          {"sys/fs/cgroup/memory/ci/memory.limit_in_bytes", V1_NO_LIMIT},
          {"sys/fs/cgroup/memory/ci/job/memory.limit_in_bytes", "1073741824\n"},
          {"sys/fs/cgroup/memory/ci/job/memory.usage_in_bytes", "314572800\n"}},
         724 * MiB, CGROUP_MEMORY_LIMIT},
        {"v2, page cache not lately touched is not counted as used",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", "0::/a\n"},
          {"sys/fs/cgroup/a/memory.max", "1073741824\n"},
          {"sys/fs/cgroup/a/memory.current", "1006632960\n"},
          {"sys/fs/cgroup/a/memory.stat", "anon 67108864\nfile 939524096\nactive_file 402653184\n"
                                          "inactive_file 536870912\n"}},
         576 * MiB, CGROUP_MEMORY_LIMIT},
        {"v1, page cache aside the same way",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", V1_GROUPS},
          {"sys/fs/cgroup/memory/ci/job/memory.limit_in_bytes", "1073741824\n"},
          {"sys/fs/cgroup/memory/ci/job/memory.usage_in_bytes", "1073741824\n"},
          {"sys/fs/cgroup/memory/ci/job/memory.stat", "cache 805306368\ninactive_file 1\n"
                                                      "total_inactive_file 268435456\n"}},
         256 * MiB, CGROUP_MEMORY_LIMIT},
        {"v1, no mountinfo: the usual place",
         {{"proc/meminfo", MEMINFO},
          {"proc/self/cgroup", V1_GROUPS},
          {"sys/fs/cgroup/memory/ci/memory.limit_in_bytes", "2147483648\n"},
          {"sys/fs/cgroup/memory/ci/memory.usage_in_bytes", "1073741824\n"}},
         1024 * MiB, CGROUP_MEMORY_LIMIT},
        {"unreadable files are left out",
         {{"proc/meminfo", UNREADABLE},
          {"proc/self/cgroup", "0::/a\n"},
          {"proc/self/mountinfo", UNREADABLE},
          {"sys/fs/cgroup/memory.max", UNREADABLE},
          {"sys/fs/cgroup/a/memory.max", "3221225472\n"},
          {"sys/fs/cgroup/a/memory.current", UNREADABLE}},
         3072 * MiB, CGROUP_MEMORY_LIMIT},
        {"garbage is left out",
         {{"proc/meminfo", "MemAvailable: lots kB\n"},
          {"proc/self/cgroup", "0::/a\n"},
          {"sys/fs/cgroup/a/memory.max", "12 34\n"}},
         0, MEMORY_AVAILABLE},
        {"nothing to read", {}, 0, MEMORY_AVAILABLE},
    };
    for (const auto& c : cases) {
        const FakeRoot root(c.files);
        const analysis::MemoryLimit limit = analysis::memory_limit_under(root.path());
        EXPECT_EQ(limit.bytes, c.bytes) << c.name;
        EXPECT_EQ(limit.name, c.limit) << c.name;
    }
}

struct CpuCase {
    const char* name;
    Files files;
    unsigned affinity;
    unsigned cpus;
};

TEST(MachineTest, CpusAreTheAffinityLoweredByTheQuota) {
    const CpuCase cases[] = {
        {"no cgroup at all", {}, 8, 8},
        {"an affinity of none still runs", {}, 0, 1},
        {"v2 quota of one and a half CPUs",
         {{"proc/self/cgroup", "0::/a\n"},
          {"proc/self/mountinfo", V2_MOUNT},
          {"sys/fs/cgroup/a/cpu.max", "150000 100000\n"}},
         8, 2},
        {"v2, an ancestor's quota binds",
         {{"proc/self/cgroup", "0::/a/b\n"},
          {"sys/fs/cgroup/a/cpu.max", "50000 100000\n"},
          {"sys/fs/cgroup/a/b/cpu.max", "max 100000\n"}},
         8, 1},
        {"v2 quota above the affinity", {{"proc/self/cgroup", "0::/a\n"}, {"sys/fs/cgroup/a/cpu.max", "400000 100000\n"}},
         2, 2},
        {"v1 without a quota",
         {{"proc/self/cgroup", V1_GROUPS},
          {"proc/self/mountinfo", V1_MOUNTS},
          {"sys/fs/cgroup/cpu,cpuacct/ci/job/cpu.cfs_quota_us", "-1\n"},
          {"sys/fs/cgroup/cpu,cpuacct/ci/job/cpu.cfs_period_us", "100000\n"}},
         8, 8},
        {"v1 quota of two and a half CPUs",
         {{"proc/self/cgroup", V1_GROUPS},
          {"proc/self/mountinfo", V1_MOUNTS},
          {"sys/fs/cgroup/cpu,cpuacct/ci/cpu.cfs_quota_us", "250000\n"},
          {"sys/fs/cgroup/cpu,cpuacct/ci/cpu.cfs_period_us", "100000\n"}},
         8, 3},
        {"unreadable and broken files are left out",
         {{"proc/self/cgroup", "0::/a\n"},
          {"sys/fs/cgroup/cpu.max", UNREADABLE},
          {"sys/fs/cgroup/a/cpu.max", "100000 0\n"}},
         4, 4},
    };
    for (const auto& c : cases) {
        const FakeRoot root(c.files);
        EXPECT_EQ(analysis::cpus_under(root.path(), c.affinity), c.cpus) << c.name;
    }
}

TEST(MachineTest, AddressSpaceIsTheLimitLessWhatIsMapped) {
    const FakeRoot mapped(Files{{"proc/self/status", "Name:\ttolp-analyze\nVmPeak:\t  204800 kB\nVmSize:\t  102400 kB\n"}});
    const FakeRoot unknown(Files{});
    EXPECT_EQ(analysis::address_space_under(mapped.path(), analysis::UNLIMITED), analysis::UNLIMITED);
    EXPECT_EQ(analysis::address_space_under(mapped.path(), 1024 * MiB), 924 * MiB);
    EXPECT_EQ(analysis::address_space_under(mapped.path(), 64 * MiB), 0u);
    EXPECT_EQ(analysis::address_space_under(unknown.path(), 1024 * MiB), 1024 * MiB);
}

#ifdef __linux__
// Pinned to one CPU, as by `taskset -c 0`, the default is one thread.
TEST(MachineTest, AffinityOfOneCpuGivesOneCore) {
    cpu_set_t before;
    ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
    std::size_t first = 0;
    while (!CPU_ISSET(first, &before)) {
        ++first;
    }
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    const unsigned cores = analysis::this_machine().cores;
    ASSERT_EQ(sched_setaffinity(0, sizeof before, &before), 0);
    EXPECT_EQ(cores, 1u);
}
#endif

}  // namespace
}  // namespace tolp::testing
