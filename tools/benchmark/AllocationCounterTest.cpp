#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

// The compiler may drop a new whose memory nobody looks at; storing the pointer here keeps it.
void* volatile g_Sink = nullptr;

template <typename T>
void keep(T* memory)
{
    g_Sink = memory;
}

// Outside any namespace and not inlined, so the traced stacks can name it.
__attribute__((noinline)) void allocateForTrace()
{
    int* value = new int(7);
    keep(value);
    delete value;
}

namespace
{
// Each instance is a distinct call site.
template <int N>
__attribute__((noinline)) void allocateFromInstance()
{
    int* value = new int(N);
    keep(value);
    delete value;
}

template <int... N>
void allocateFromInstances(std::integer_sequence<int, N...>)
{
    (allocateFromInstance<N>(), ...);
}

std::uint64_t countedDuring(const std::function<void()>& work)
{
    AllocationCounter::start();
    const std::uint64_t before = AllocationCounter::count();
    work();
    const std::uint64_t after = AllocationCounter::count();
    AllocationCounter::stop();
    return after - before;
}

struct alignas(64) Wide
{
    char bytes[64];
};
} // namespace

TEST(AllocationCounterTest, CountsEveryFormOfNew)
{
    struct Case
    {
        const char* name;
        std::function<void()> work;
        std::uint64_t count;
    };
    const Case cases[] = {
        {"new", [] { int* p = new int(1); keep(p); delete p; }, 1},
        {"new[]", [] { int* p = new int[4]; keep(p); delete[] p; }, 1},
        {"nothrow new", [] { int* p = new (std::nothrow) int(1); keep(p); delete p; }, 1},
        {"over-aligned new", [] { Wide* p = new Wide; keep(p); delete p; }, 1},
        {"over-aligned new[]", [] { Wide* p = new Wide[3]; keep(p); delete[] p; }, 1},
        {"a vector filled within its reserve", [] {
             std::vector<int> values;
             values.reserve(8);
             for (int i = 0; i < 8; ++i)
                 values.push_back(i);
             keep(values.data());
         }, 1},
        {"a short string stays inside the object", [] { std::string text("short"); keep(text.data()); }, 0},
        {"a shared pointer made in one piece", [] { auto shared = std::make_shared<int>(1); keep(shared.get()); }, 1},
        {"nothing", [] {}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(countedDuring(c.work), c.count) << c.name;
}

TEST(AllocationCounterTest, CountsOnlyWhileOn)
{
    AllocationCounter::stop();
    const std::uint64_t before = AllocationCounter::count();
    int* value = new int(1);
    keep(value);
    delete value;
    EXPECT_EQ(AllocationCounter::count(), before);
    EXPECT_FALSE(AllocationCounter::counting());
}

TEST(AllocationCounterTest, TracedStacksNameTheCaller)
{
    AllocationCounter::clearSites();
    AllocationCounter::setTracing(true);
    countedDuring([] {
        for (int i = 0; i < 3; ++i)
            allocateForTrace();
    });
    AllocationCounter::setTracing(false);

    std::uint64_t overflow = 0;
    const auto sites = AllocationCounter::sites(overflow);
    EXPECT_EQ(overflow, 0u);
    std::uint64_t named = 0;
    for (const auto& site : sites)
        for (const std::string& frame : site.frames)
            if (frame.find("allocateForTrace") != std::string::npos)
                named += site.count;
    // The same stack three times is one site counted three times.
    EXPECT_EQ(named, 3u);
    AllocationCounter::clearSites();
}

TEST(AllocationCounterTest, StacksBeyondTheTableAreCountedAsOverflow)
{
    AllocationCounter::clearSites();
    AllocationCounter::setTracing(true);
    constexpr int Sites = static_cast<int>(AllocationCounter::MaxSites) + 6;
    const std::uint64_t counted =
        countedDuring([] { allocateFromInstances(std::make_integer_sequence<int, Sites>()); });
    AllocationCounter::setTracing(false);

    std::uint64_t overflow = 0;
    const auto sites = AllocationCounter::sites(overflow);
    EXPECT_EQ(counted, static_cast<std::uint64_t>(Sites));
    EXPECT_EQ(sites.size(), AllocationCounter::MaxSites);
    EXPECT_EQ(overflow, 6u);
    AllocationCounter::clearSites();
}

TEST(AllocationCounterTest, ReportFoldsTheNoiseAroundTheCaller)
{
    const std::string mesa = "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so(+0x6aea80) [0x7f8ca98aea80]";
    const std::string llvm = "/usr/lib/x86_64-linux-gnu/libLLVM-15.so.1(+0x10) [0x7f0000000010]";
    AllocationCounter::Site site;
    site.count = 30;
    site.frames = {"AllocationCounter::recordAllocation()",
                   "benchmark(+0x74108) [0x5586288ea108]",
                   "operator new(unsigned long)",
                   "std::__new_allocator<unsigned int>::allocate(unsigned long, void const*)",
                   llvm,
                   mesa,
                   mesa,
                   "Resource::Earth::render()",
                   "main"};
    const std::string report = AllocationCounter::formatSites({site}, 2, 10.0);
    EXPECT_EQ(report, "\nWhere they come from (call stacks, innermost first, from the caller of operator new):\n"
                      "  30 (3 per frame):\n"
                      "      (1 unnamed frame in libLLVM-15.so.1)\n"
                      "      (2 unnamed frames in swrast_dri.so)\n"
                      "      Resource::Earth::render()\n"
                      "      main\n"
                      "  2 more from stacks beyond the first 64\n");
}
