#pragma once

#include <cstdint>

// Counts the C++ heap allocations (every form of operator new) made while counting is on. The
// counting operator new lives in AllocationHooks.cpp, which each executable that counts compiles in.
namespace AllocationCounter
{

void start();
void stop();
// Allocations counted so far; never reset, so callers take differences.
std::uint64_t count();

} // namespace AllocationCounter
