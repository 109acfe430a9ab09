#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

// The compiler may drop a new whose memory nobody looks at; storing the pointer here keeps it.
void* volatile g_Sink = nullptr;

template <typename T>
void keep(T* memory)
{
    g_Sink = memory;
}

namespace
{
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
}
